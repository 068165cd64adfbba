#include "glw/resources.h"

#include <strings.h>

namespace glw {

bool FindResource(const ResourceModule* module, std::uint32_t id, const char* type,
                  ResourceBytes& out)
{
    out = ResourceBytes{};
    if (type == nullptr)
        return false;
    const ResourceModule& m = module ? *module : ExecutableModule();
    for (std::size_t i = 0; i < m.count; ++i) {
        const ResourceEntry& e = m.entries[i];
        if (e.id == id && e.type != nullptr && strcasecmp(e.type, type) == 0) {
            out.data = e.data;
            out.size = e.size;
            return true;
        }
    }
    return false;
}

}  // namespace glw
