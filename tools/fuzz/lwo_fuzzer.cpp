// libFuzzer target: any bytes through the LWOB decoder. Beyond surviving the
// sanitizers, the result must be a well-formed model, and a decoder that has
// already decoded something must give the same result again.
#include "glw/lwo_decoder.h"
#include "glw/memory_stream.h"
#include "glw/model.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckModel(const glw::Model& model)
{
    for (const glw::Surface& s : model.surfaces) {
        Require(s.primitive == 0);
        Require(s.vertices.size() == s.indices.size());
        Require(s.indices.size() % 3 == 0);
        for (std::size_t i = 0; i < s.indices.size(); ++i)
            Require(s.indices[i] == i);
        // Degenerate or overflowing geometry gets a zero normal, never NaN.
        for (const glw::Vertex& v : s.vertices)
            Require(std::isfinite(v.normal[0]) && std::isfinite(v.normal[1]) &&
                    std::isfinite(v.normal[2]));
    }
}

bool SameShape(const glw::Model& a, const glw::Model& b)
{
    if (a.surfaces.size() != b.surfaces.size())
        return false;
    for (std::size_t i = 0; i < a.surfaces.size(); ++i) {
        const glw::Surface& x = a.surfaces[i];
        const glw::Surface& y = b.surfaces[i];
        if (x.material.name != y.material.name || x.vertices.size() != y.vertices.size() ||
            x.material.smooth != y.material.smooth || x.material.shininess != y.material.shininess)
            return false;
        for (std::size_t k = 0; k < x.vertices.size(); ++k) {
            if (x.vertices[k].pointIndex != y.vertices[k].pointIndex)
                return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    glw::LwoDecoder decoder;
    glw::Model first;
    glw::MemoryStream stream(data, size);
    const int result = decoder.Decode(first, stream);
    Require(result == 0 || result == 1);
    if (result == 0)
        Require(first.surfaces.empty());
    CheckModel(first);

    glw::Model again;
    glw::MemoryStream replay(data, size);
    Require(decoder.Decode(again, replay) == result);
    Require(SameShape(first, again));
    return 0;
}
