#pragma once
// A read-only stream over one embedded resource, served straight from the
// resource table without a copy.

#include "glw/block_stream.h"
#include "glw/resources.h"

#include <cstdint>

namespace glw {

class ResStream final : public BlockStream {
public:
    ResStream() = default;
    ~ResStream() override;
    ResStream(const ResStream&) = delete;
    ResStream& operator=(const ResStream&) = delete;

    // Closes first; opens (type, id) of module, or of the executable when
    // module is null. Returns 0 and stays closed when there is no such resource.
    int Open(const ResourceModule* module, std::uint32_t id, const char* type);

    int Close() override;
};

}  // namespace glw
