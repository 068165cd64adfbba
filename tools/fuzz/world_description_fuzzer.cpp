// libFuzzer target for the program's side of opening a world file: the text
// that the reader process sends back is parsed, checked and, when the checks
// pass, built into Bullet objects. A damaged file can make the reader send
// anything, so none of this may crash, hang or allocate without bound.

#include "worlds/world_file_builder.h"
#include "worlds/world_file_checks.h"
#include "worlds/world_file_description.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    std::optional<WorldDescription> description =
        ParseWorldDescription(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!description || !CheckWorldDescription(*description).ok) return 0;
    std::unique_ptr<LoadedWorld> world = BuildLoadedWorld(*description);
    // Bounds and inertia are where bad numbers in a built shape would show.
    for (int i = 0; i < world->BodyCount(); ++i) {
        btVector3 min, max;
        world->BodyAt(i).getAabb(min, max);
    }
    return 0;
}
