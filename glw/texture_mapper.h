#pragma once
// Computes texture coordinates for a surface whose mesh carries none.

#include "glw/model.h"

#include <cstdint>
#include <vector>

namespace glw {

class TextureMapper {
public:
    // Writes texCoord of every vertex that the index list names; positions,
    // normals and indices stay as they are.
    virtual void Map(const std::vector<std::uint32_t>& indices, std::vector<Vertex>& vertices) = 0;

protected:
    // Mappers are small values made where they are used, never deleted
    // through this interface.
    TextureMapper() = default;
    TextureMapper(const TextureMapper&) = default;
    TextureMapper& operator=(const TextureMapper&) = default;
    ~TextureMapper() = default;
};

}  // namespace glw
