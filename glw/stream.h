#pragma once
// A small abstract byte stream: the toolkit's decoders read through it, so the
// bytes may come from an embedded resource, a memory block or anything else.

#include <cstdint>

namespace glw {

class Stream {
public:
    virtual ~Stream() = default;

    // Copies up to count bytes to destination and advances. Returns 1 on
    // success; the end of the data is a success with *delivered == 0, so
    // callers detect the end by the count, not by the result. delivered may be
    // null when the caller does not need the count.
    virtual int Read(void* destination, std::uint32_t count, std::uint32_t* delivered) = 0;

    // The writing counterpart of Read; 0 when the stream is read-only.
    virtual int Write(const void* source, std::uint32_t count, std::uint32_t* written) = 0;

    // Moves to offset from the start when fromStart is non-zero, else by
    // offset from the current position.
    virtual int Seek(std::int32_t offset, int fromStart) = 0;

    virtual std::uint32_t Tell() const = 0;

    // Releases the source and resets the stream; harmless when already closed.
    virtual int Close() = 0;

    // 1 when Write can succeed, else 0.
    virtual int IsWritable() const = 0;

protected:
    Stream() = default;
    Stream(const Stream&) = default;
    Stream& operator=(const Stream&) = default;
};

}  // namespace glw
