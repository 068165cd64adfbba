#pragma once
// A read-only stream over a memory block, either borrowed from the caller or
// an owned copy; it reads exactly as ResStream does. Serves files read into
// memory and bytes built by tests.

#include "glw/block_stream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glw {

class MemoryStream final : public BlockStream {
public:
    MemoryStream() = default;
    // Borrows: the bytes must outlive the stream (or the next Open/Close).
    MemoryStream(const void* bytes, std::size_t count);
    explicit MemoryStream(std::vector<unsigned char> bytes);
    ~MemoryStream() override = default;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // Both close first. They fail, leaving the stream closed, for a block of
    // 4 GiB or more (positions are 32-bit) or null bytes with a non-zero count.
    int OpenBorrowed(const void* bytes, std::size_t count);
    int OpenOwned(std::vector<unsigned char> bytes);

    int Close() override;

private:
    std::vector<unsigned char> m_owned;
};

}  // namespace glw
