#include "glw/resources.h"

#include <strings.h>

namespace glw {

int FindResource(const ResourceModule* module, std::uint32_t id, const char* type,
                  ResourceBytes& out)
{
    out = ResourceBytes{};
    if (type == nullptr)
        return 0;
    const ResourceModule& m = module ? *module : ExecutableModule();
    for (std::size_t i = 0; i < m.count; ++i) {
        const ResourceEntry& e = m.entries[i];
        if (e.id == id && e.type != nullptr && strcasecmp(e.type, type) == 0) {
            out.data = e.data;
            out.size = e.size;
            return 1;
        }
    }
    return 0;
}

}  // namespace glw
