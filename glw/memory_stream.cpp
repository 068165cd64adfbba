#include "glw/memory_stream.h"

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
    Attach(static_cast<const unsigned char*>(bytes), static_cast<std::uint32_t>(count));
    return 1;
}

int MemoryStream::OpenOwned(std::vector<unsigned char> bytes)
{
    Close();
    if (!FitsStream(bytes.size()))
        return 0;
    m_owned = std::move(bytes);
    Attach(m_owned.data(), static_cast<std::uint32_t>(m_owned.size()));
    return 1;
}

int MemoryStream::Close()
{
    Detach();
    m_owned.clear();
    m_owned.shrink_to_fit();
    return 1;
}

}  // namespace glw
