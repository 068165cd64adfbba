#pragma once
// The table of embedded resources: (type, numeric id) -> immutable bytes.
// The program's own table is compiled from res/; tests may build their own.

#include <cstddef>
#include <cstdint>

namespace glw {

struct ResourceEntry {
    const char* type;  // "LWO" or "PNG"
    std::uint32_t id;
    const unsigned char* data;  // lives as long as the program
    std::uint32_t size;
};

// A set of resources, the counterpart of a loaded module's resource section.
struct ResourceModule {
    const ResourceEntry* entries;
    std::size_t count;
};

// The running executable's own resources (generated from res/).
const ResourceModule& ExecutableModule();

struct ResourceBytes {
    const unsigned char* data = nullptr;
    std::uint32_t size = 0;
};

// Looks up (type, id) in module, or in the executable's table when module is
// null: 1 and the bytes in out when it is there, else 0. Types compare
// case-insensitively, as resource type names do.
int FindResource(const ResourceModule* module, std::uint32_t id, const char* type,
                  ResourceBytes& out);

}  // namespace glw
