#pragma once
// Box projection: each triangle takes its texture coordinates from the
// coordinate plane it faces most.

#include "glw/texture_mapper.h"

#include <array>

namespace glw {

class CubeMapper final : public TextureMapper {
public:
    // size: the extent one texture repeat covers along x, y, z (a zero
    // component keeps that coordinate at its offset). offset: added in texture
    // space along x, y, z. flipU non-zero mirrors the image horizontally.
    CubeMapper(const std::array<float, 3>& size, const std::array<float, 3>& offset, int flipU)
        : size(size), offset(offset), flipU(flipU)
    {
    }

    // A triangle that names a vertex outside the list is skipped, as is a
    // trailing index or two that make no whole triangle.
    void Map(const std::vector<std::uint32_t>& indices, std::vector<Vertex>& vertices) override;

    std::array<float, 3> size;
    std::array<float, 3> offset;
    int flipU;
};

}  // namespace glw
