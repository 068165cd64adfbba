#include "models/dice_model.h"

#include <cstdint>

namespace models {
namespace {

// A corner as signs of the half extents, with its place in the pips image.
struct Corner {
    float sx, sy, sz;
    float u, v;
};

// Triangles number the face's own four corners; both wind counter-clockwise
// seen from outside.
struct Face {
    float normal[3];
    Corner corners[4];
    std::uint32_t triangles[6];
};

// The image is three columns by two rows, v = 0 at its top: +z shows one pip,
// -z two, -x three, +x four, +y five, -y six. The constants stop just short of
// exact thirds and of 1.
constexpr Face kFaces[6] = {
    {{0, 0, 1},
     {{+1, +1, +1, 0.333f, 0.0f},
      {-1, +1, +1, 0.0f, 0.0f},
      {-1, -1, +1, 0.0f, 0.5f},
      {+1, -1, +1, 0.333f, 0.5f}},
     {0, 1, 2, 2, 3, 0}},
    {{0, 0, -1},
     {{+1, +1, -1, 0.333f, 0.0f},
      {-1, +1, -1, 0.666f, 0.0f},
      {-1, -1, -1, 0.666f, 0.5f},
      {+1, -1, -1, 0.333f, 0.5f}},
     {0, 2, 1, 2, 0, 3}},
    {{-1, 0, 0},
     {{-1, +1, +1, 0.999f, 0.0f},
      {-1, +1, -1, 0.666f, 0.0f},
      {-1, -1, -1, 0.666f, 0.5f},
      {-1, -1, +1, 0.999f, 0.5f}},
     {0, 1, 2, 2, 3, 0}},
    {{1, 0, 0},
     {{+1, +1, +1, 0.0f, 0.5f},
      {+1, +1, -1, 0.333f, 0.5f},
      {+1, -1, -1, 0.333f, 1.0f},
      {+1, -1, +1, 0.0f, 1.0f}},
     {0, 2, 1, 2, 0, 3}},
    {{0, 1, 0},
     {{-1, +1, -1, 0.666f, 0.5f},
      {-1, +1, +1, 0.333f, 0.5f},
      {+1, +1, +1, 0.333f, 1.0f},
      {+1, +1, -1, 0.666f, 1.0f}},
     {0, 1, 2, 2, 3, 0}},
    {{0, -1, 0},
     {{-1, -1, -1, 0.666f, 0.5f},
      {-1, -1, +1, 0.999f, 0.5f},
      {+1, -1, +1, 0.999f, 1.0f},
      {+1, -1, -1, 0.666f, 1.0f}},
     {0, 2, 1, 2, 0, 3}},
};

glw::Surface BuildDiceSurface(const btVector3& halfExtents)
{
    glw::Surface surface;  // primitive 0, default material: white, smooth, no textures
    const float hx = halfExtents.x(), hy = halfExtents.y(), hz = halfExtents.z();
    for (const Face& face : kFaces) {
        const auto firstVertex = static_cast<std::uint32_t>(surface.vertices.size());
        for (const Corner& c : face.corners) {
            glw::Vertex v;  // pointIndex 0 throughout: these normals must never be smoothed
            v.position[0] = c.sx * hx;
            v.position[1] = c.sy * hy;
            v.position[2] = c.sz * hz;
            v.normal[0] = face.normal[0];
            v.normal[1] = face.normal[1];
            v.normal[2] = face.normal[2];
            v.texCoord[0] = c.u;
            v.texCoord[1] = c.v;
            surface.AddVertex(v);
        }
        for (const std::uint32_t corner : face.triangles)
            surface.AddIndex(firstVertex + corner);
    }
    return surface;
}

}  // namespace

DiceModel::DiceModel(const btVector3& halfExtents) : BoxModel(halfExtents)
{
    SetDrawFlags(glw::kDrawNormals);
    AddSurface(BuildDiceSurface(halfExtents));
}

DiceModel::~DiceModel() = default;

}  // namespace models
