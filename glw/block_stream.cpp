#include "glw/block_stream.h"

#include <cstring>

namespace glw {

int BlockStream::Read(void* destination, std::uint32_t count, std::uint32_t* delivered)
{
    if (delivered != nullptr)
        *delivered = 0;
    if (m_position > m_size)
        return 0;
    // 64-bit sum: position + count may not fit in 32 bits.
    const std::uint64_t end = std::uint64_t{m_position} + count;
    const std::uint32_t n = end > m_size ? m_size - m_position : count;
    if (n > 0) {
        if (destination == nullptr)
            return 0;
        std::memcpy(destination, m_data + m_position, n);
    }
    m_position += n;
    if (delivered != nullptr)
        *delivered = n;
    return 1;
}

int BlockStream::Write(const void*, std::uint32_t, std::uint32_t* written)
{
    if (written != nullptr)
        *written = 0;
    return 0;
}

int BlockStream::Seek(std::int32_t offset, int fromStart)
{
    const auto delta = static_cast<std::uint32_t>(offset);
    m_position = fromStart != 0 ? delta : m_position + delta;
    return 1;
}

void BlockStream::Attach(const unsigned char* bytes, std::uint32_t count)
{
    m_data = bytes;
    m_size = count;
    m_position = 0;
}

void BlockStream::Detach()
{
    m_data = nullptr;
    m_size = 0;
    m_position = 0;
}

}  // namespace glw
