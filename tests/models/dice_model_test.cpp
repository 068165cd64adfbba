// The dice's hand-built mesh: corners, winding, normals and texture cells.
#include "models/dice_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Vec {
    float x, y, z;
};

Vec Position(const glw::Vertex& v)
{
    return {v.position[0], v.position[1], v.position[2]};
}

Vec Sub(Vec a, Vec b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec Cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Deleted through the Bullet shape, as the scene does.
std::unique_ptr<btCollisionShape> MakeDice(float hx, float hy, float hz)
{
    return std::unique_ptr<btCollisionShape>(new models::DiceModel(btVector3(hx, hy, hz)));
}

const glw::Surface& Mesh(const std::unique_ptr<btCollisionShape>& dice)
{
    return static_cast<const models::DiceModel&>(*dice).GetSurface(0);
}

}  // namespace

TEST(DiceModel, IsOneDefaultTriangleSurfaceOfTwoTrianglesPerFace)
{
    const auto dice = MakeDice(0.5f, 0.5f, 0.5f);
    const auto& model = static_cast<const models::DiceModel&>(*dice);
    EXPECT_EQ(model.SurfaceCount(), 1u);
    EXPECT_EQ(model.drawFlags, glw::kDrawNormals);
    const glw::Surface& s = model.GetSurface(0);
    EXPECT_EQ(s.vertices.size(), 24u);
    const std::vector<std::uint32_t> expected{0,  1,  2,  2,  3,  0,  4,  6,  5,  6,  4,  7,
                                              8,  9,  10, 10, 11, 8,  12, 14, 13, 14, 12, 15,
                                              16, 17, 18, 18, 19, 16, 20, 22, 21, 22, 20, 23};
    EXPECT_EQ(s.indices, expected);
    EXPECT_EQ(s.primitive, 0);
    EXPECT_TRUE(s.material.name.empty());
    EXPECT_TRUE(s.material.smooth);
    EXPECT_EQ(s.material.diffuseTexture, 0u);
    EXPECT_EQ(s.material.reflectionTexture, 0u);
    EXPECT_EQ(s.material.colour[0] + s.material.colour[1] + s.material.colour[2], 3.0f);
    for (const glw::Vertex& v : s.vertices)
        EXPECT_EQ(v.pointIndex, 0u);
}

TEST(DiceModel, CornersSitOnTheHalfExtentsOfEachAxis)
{
    const auto dice = MakeDice(1, 2, 3);
    const glw::Surface& s = Mesh(dice);
    int cornersSeen[8] = {};
    for (const glw::Vertex& v : s.vertices) {
        EXPECT_EQ(std::fabs(v.position[0]), 1.0f);
        EXPECT_EQ(std::fabs(v.position[1]), 2.0f);
        EXPECT_EQ(std::fabs(v.position[2]), 3.0f);
        ++cornersSeen[(v.position[0] > 0) + 2 * (v.position[1] > 0) + 4 * (v.position[2] > 0)];
    }
    for (const int count : cornersSeen)
        EXPECT_EQ(count, 3);  // each corner of the box is on three faces
}

TEST(DiceModel, EveryTriangleIsCounterClockwiseSeenFromOutside)
{
    const auto dice = MakeDice(1, 2, 3);
    const glw::Surface& s = Mesh(dice);
    ASSERT_EQ(s.indices.size(), 36u);
    for (std::size_t i = 0; i < s.indices.size(); i += 3) {
        SCOPED_TRACE(i / 3);
        const glw::Vertex& a = s.vertices[s.indices[i]];
        const glw::Vertex& b = s.vertices[s.indices[i + 1]];
        const glw::Vertex& c = s.vertices[s.indices[i + 2]];
        const Vec winding = Cross(Sub(Position(b), Position(a)), Sub(Position(c), Position(a)));
        const Vec centre{(a.position[0] + b.position[0] + c.position[0]) / 3,
                         (a.position[1] + b.position[1] + c.position[1]) / 3,
                         (a.position[2] + b.position[2] + c.position[2]) / 3};
        EXPECT_GT(Dot(winding, centre), 0.0f);
        for (const glw::Vertex* v : {&a, &b, &c}) {
            const Vec n{v->normal[0], v->normal[1], v->normal[2]};
            // The stored normal is the winding's direction, of unit length.
            EXPECT_FLOAT_EQ(Dot(n, n), 1.0f);
            EXPECT_FLOAT_EQ(Dot(n, winding), std::sqrt(Dot(winding, winding)));
        }
    }
}

TEST(DiceModel, FacesShowTheirPipCellsUprightWhateverTheSize)
{
    // Cells of the 3 x 2 image (v = 0 at its top) by face, in the order +z,
    // -z, -x, +x, +y, -y: one to six pips.
    struct Cell {
        float u0, u1, v0, v1;
    };
    const Cell cells[6] = {{0, 0.333f, 0, 0.5f},      {0.333f, 0.666f, 0, 0.5f},
                           {0.666f, 0.999f, 0, 0.5f}, {0, 0.333f, 0.5f, 1},
                           {0.333f, 0.666f, 0.5f, 1}, {0.666f, 0.999f, 0.5f, 1}};
    const Vec normals[6] = {{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    const Vec up{0, 1, 0};

    const auto unitDice = MakeDice(0.5f, 0.5f, 0.5f);
    const auto stretchedDice = MakeDice(1, 2, 3);
    const glw::Surface& unit = Mesh(unitDice);
    const glw::Surface& stretched = Mesh(stretchedDice);
    for (int face = 0; face < 6; ++face) {
        SCOPED_TRACE(face);
        const Cell& cell = cells[face];
        const Vec& n = normals[face];
        const bool side = n.y == 0;
        const Vec right = Cross(up, n);  // seen from outside, upright
        int cornersSeen[4] = {};
        for (int k = 0; k < 4; ++k) {
            const glw::Vertex& v = unit.vertices[face * 4 + k];
            EXPECT_EQ(v.normal[0], n.x);
            EXPECT_EQ(v.normal[1], n.y);
            EXPECT_EQ(v.normal[2], n.z);
            EXPECT_EQ(v.texCoord[0], stretched.vertices[face * 4 + k].texCoord[0]);
            EXPECT_EQ(v.texCoord[1], stretched.vertices[face * 4 + k].texCoord[1]);
            const bool atU1 = v.texCoord[0] == cell.u1, atV1 = v.texCoord[1] == cell.v1;
            EXPECT_TRUE(atU1 || v.texCoord[0] == cell.u0);
            EXPECT_TRUE(atV1 || v.texCoord[1] == cell.v0);
            ++cornersSeen[atU1 + 2 * atV1];
            if (side) {
                EXPECT_EQ(atU1, Dot(Position(v), right) > 0);  // not mirrored
                EXPECT_EQ(atV1, v.position[1] < 0);            // top row at the top
            }
        }
        for (const int count : cornersSeen)
            EXPECT_EQ(count, 1);
    }
}
