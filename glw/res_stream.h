#pragma once
// A read-only stream over one embedded resource, served straight from the
// resource table without a copy.

#include "glw/resources.h"
#include "glw/stream.h"

#include <cstdint>

namespace glw {

class ResStream final : public Stream {
public:
    ResStream() = default;
    ~ResStream() override;
    ResStream(const ResStream&) = delete;
    ResStream& operator=(const ResStream&) = delete;

    // Closes first; opens (type, id) of module, or of the executable when
    // module is null. Returns 0 and stays closed when there is no such resource.
    int Open(const ResourceModule* module, std::uint32_t id, const char* type);

    int Read(void* destination, std::uint32_t count, std::uint32_t* delivered) override;
    int Write(const void* source, std::uint32_t count, std::uint32_t* written) override;
    int Seek(std::int32_t offset, int fromStart) override;
    std::uint32_t Tell() const override;
    int Close() override;
    int IsWritable() const override;

    std::uint32_t Size() const { return size; }
    const unsigned char* Data() const { return data; }

private:
    std::uint32_t size = 0;               // 0 when closed
    const unsigned char* data = nullptr;  // null when closed; owned by the table
    std::uint32_t position = 0;
};

}  // namespace glw
