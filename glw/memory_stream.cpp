#include "glw/memory_stream.h"

#include "glw/block_read.h"

#include <limits>
#include <utility>

namespace glw {
namespace {

bool FitsStream(std::size_t count)
{
    return count <= std::numeric_limits<std::uint32_t>::max();
}

}  // namespace

MemoryStream::MemoryStream(const void* bytes, std::size_t count)
{
    OpenBorrowed(bytes, count);
}

MemoryStream::MemoryStream(std::vector<unsigned char> bytes)
{
    OpenOwned(std::move(bytes));
}

int MemoryStream::OpenBorrowed(const void* bytes, std::size_t count)
{
    Close();
    if (!FitsStream(count) || (bytes == nullptr && count != 0))
        return 0;
    m_data = static_cast<const unsigned char*>(bytes);
    m_size = static_cast<std::uint32_t>(count);
    return 1;
}

int MemoryStream::OpenOwned(std::vector<unsigned char> bytes)
{
    Close();
    if (!FitsStream(bytes.size()))
        return 0;
    m_owned = std::move(bytes);
    m_data = m_owned.data();
    m_size = static_cast<std::uint32_t>(m_owned.size());
    return 1;
}

int MemoryStream::Read(void* destination, std::uint32_t count, std::uint32_t* delivered)
{
    return block::Read(m_data, m_size, m_position, destination, count, delivered);
}

int MemoryStream::Write(const void*, std::uint32_t, std::uint32_t* written)
{
    if (written != nullptr)
        *written = 0;
    return 0;
}

int MemoryStream::Seek(std::int32_t offset, int fromStart)
{
    return block::Seek(m_position, offset, fromStart);
}

std::uint32_t MemoryStream::Tell() const
{
    return m_position;
}

int MemoryStream::Close()
{
    m_owned.clear();
    m_owned.shrink_to_fit();
    m_data = nullptr;
    m_size = 0;
    m_position = 0;
    return 1;
}

int MemoryStream::IsWritable() const
{
    return 0;
}

}  // namespace glw
