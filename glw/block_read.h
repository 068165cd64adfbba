#pragma once
// Reading and seeking over an immutable byte block: the rules shared by the
// streams that serve borrowed or owned memory.

#include <cstdint>
#include <cstring>

namespace glw::block {

// Copies what remains of the block, up to count bytes, and advances position.
// Fails, copying nothing, only when position already lies beyond size.
inline int Read(const unsigned char* data, std::uint32_t size, std::uint32_t& position,
                void* destination, std::uint32_t count, std::uint32_t* delivered)
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

// Unchecked on purpose: a position beyond the end makes the next Read fail.
// Unsigned arithmetic wraps, so a backward seek past 0 lands beyond the end.
inline int Seek(std::uint32_t& position, std::int32_t offset, int fromStart)
{
    const auto delta = static_cast<std::uint32_t>(offset);
    position = fromStart != 0 ? delta : position + delta;
    return 1;
}

}  // namespace glw::block
