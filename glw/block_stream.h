#pragma once
// A read-only stream over an immutable byte block: the reading, seeking and
// refusing to write that every in-memory stream shares. Derived streams say
// where the block comes from and what closing releases.

#include "glw/stream.h"

#include <cstdint>

namespace glw {

class BlockStream : public Stream {
public:
    // Copies what remains of the block, up to count bytes, and advances.
    // Fails, copying nothing, only when the position already lies beyond the end.
    int Read(void* destination, std::uint32_t count, std::uint32_t* delivered) override;
    // Read-only: always 0, nothing written.
    int Write(const void* source, std::uint32_t count, std::uint32_t* written) override;
    // Unchecked on purpose: a position beyond the end makes the next Read fail.
    // Unsigned arithmetic wraps, so a backward seek past 0 lands beyond the end.
    int Seek(std::int32_t offset, int fromStart) override;
    std::uint32_t Tell() const override { return m_position; }
    int IsWritable() const override { return 0; }

    std::uint32_t Size() const { return m_size; }
    const unsigned char* Data() const { return m_data; }

protected:
    BlockStream() = default;
    ~BlockStream() override = default;

    void Attach(const unsigned char* bytes, std::uint32_t count);
    void Detach();

private:
    std::uint32_t m_size = 0;               // 0 when closed
    const unsigned char* m_data = nullptr;  // null when closed; not owned here
    std::uint32_t m_position = 0;
};

}  // namespace glw
