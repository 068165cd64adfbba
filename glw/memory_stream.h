#pragma once
// A read-only stream over a memory block, either borrowed from the caller or
// an owned copy; it reads exactly as ResStream does. Serves files read into
// memory and bytes built by tests.

#include "glw/stream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glw {

class MemoryStream final : public Stream {
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

    int Read(void* destination, std::uint32_t count, std::uint32_t* delivered) override;
    int Write(const void* source, std::uint32_t count, std::uint32_t* written) override;
    int Seek(std::int32_t offset, int fromStart) override;
    std::uint32_t Tell() const override;
    int Close() override;
    int IsWritable() const override;

    std::uint32_t Size() const { return m_size; }

private:
    std::vector<unsigned char> m_owned;
    const unsigned char* m_data = nullptr;  // into m_owned, or borrowed
    std::uint32_t m_size = 0;
    std::uint32_t m_position = 0;
};

}  // namespace glw
