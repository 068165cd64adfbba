#include "glw/block_stream.h"

#include <cstring>

namespace glw {

int BlockStream::Read(void* destination, std::uint32_t count, std::uint32_t* delivered)
{
    if (delivered != nullptr)
        *delivered = 0;
    if (position > size)
        return 0;
    // 64-bit sum: position + count may not fit in 32 bits.
    const std::uint64_t end = std::uint64_t{position} + count;
    const std::uint32_t n = end > size ? size - position : count;
    if (n > 0) {
        if (destination == nullptr)
            return 0;
        std::memcpy(destination, data + position, n);
    }
    position += n;
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
    position = fromStart != 0 ? delta : position + delta;
    return 1;
}

void BlockStream::Attach(const unsigned char* bytes, std::uint32_t count)
{
    data = bytes;
    size = count;
    position = 0;
}

void BlockStream::Detach()
{
    data = nullptr;
    size = 0;
    position = 0;
}

}  // namespace glw
