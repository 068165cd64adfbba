// Normal computation: area-weighted smoothing across surfaces, flat faces,
// and the vectors that have no direction.
#include "glw/model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace {

glw::Vertex Corner(std::uint32_t pointIndex, float x, float y, float z)
{
    glw::Vertex v;
    v.pointIndex = pointIndex;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    return v;
}

// Appends the triangle (a, b, c) with its own three vertices, as decoded
// meshes do.
void AddTriangle(glw::Surface& s, const glw::Vertex& a, const glw::Vertex& b, const glw::Vertex& c)
{
    for (const glw::Vertex& v : {a, b, c})
        s.AddIndex(s.AddVertex(v));
}

void ExpectNormal(const glw::Vertex& v, float x, float y, float z)
{
    EXPECT_NEAR(v.normal[0], x, 1e-5f);
    EXPECT_NEAR(v.normal[1], y, 1e-5f);
    EXPECT_NEAR(v.normal[2], z, 1e-5f);
}

// Two faces meeting along the edge from point 0 (the origin) to point 1
// (0, 0, 1), each in its own surface.
// Left: (0,0,0) (0,0,1) (0,2,0): (A-C)x(B-C) = (-2, 0, 0), weight 2.
// Right: (0,0,1) (0,0,0) (1,0,0): (0, -1, 0), weight 1.
glw::Surface LeftSlope()
{
    glw::Surface s;
    AddTriangle(s, Corner(0, 0, 0, 0), Corner(1, 0, 0, 1), Corner(2, 0, 2, 0));
    return s;
}

glw::Surface RightSlope()
{
    glw::Surface s;
    AddTriangle(s, Corner(1, 0, 0, 1), Corner(0, 0, 0, 0), Corner(3, 1, 0, 0));
    return s;
}

}  // namespace

TEST(Normals, SmoothSurfacesSharingPointsGetTheSameAreaWeightedNormal)
{
    glw::Model model;
    model.AddSurface(LeftSlope());
    model.AddSurface(RightSlope());
    model.ComputeNormals();

    const float inv = 1.0f / std::sqrt(5.0f);
    const glw::Surface& left = model.GetSurface(0);
    const glw::Surface& right = model.GetSurface(1);
    // Shared points 0 and 1: (-2, -1, 0) normalised; the larger face weighs more.
    ExpectNormal(left.vertices[0], -2 * inv, -inv, 0);
    ExpectNormal(left.vertices[1], -2 * inv, -inv, 0);
    ExpectNormal(right.vertices[0], -2 * inv, -inv, 0);
    ExpectNormal(right.vertices[1], -2 * inv, -inv, 0);
    // Points that only one face touches keep that face's direction.
    ExpectNormal(left.vertices[2], -1, 0, 0);
    ExpectNormal(right.vertices[2], 0, -1, 0);
}

TEST(Normals, FlatSurfaceKeepsFaceNormalsAndDoesNotBendItsSmoothNeighbour)
{
    glw::Model model;
    model.AddSurface(LeftSlope());
    glw::Surface flat = RightSlope();
    flat.material.smooth = false;
    model.AddSurface(flat);
    model.ComputeNormals();

    for (const glw::Vertex& v : model.GetSurface(0).vertices)
        ExpectNormal(v, -1, 0, 0);
    for (const glw::Vertex& v : model.GetSurface(1).vertices)
        ExpectNormal(v, 0, -1, 0);
}

TEST(Normals, DegenerateTriangleAddsNothingToSmoothSums)
{
    glw::Surface s = LeftSlope();
    // Two equal corners, sharing points 0 and 1 with the real face.
    AddTriangle(s, Corner(0, 0, 0, 0), Corner(0, 0, 0, 0), Corner(1, 0, 0, 1));
    s.ComputeNormals();
    for (const glw::Vertex& v : s.vertices)
        ExpectNormal(v, -1, 0, 0);
}

TEST(Normals, VectorsWithoutDirectionBecomeZeroNotNaN)
{
    glw::Model model;
    glw::Surface smooth;  // its points touch only a degenerate triangle
    AddTriangle(smooth, Corner(5, 1, 1, 1), Corner(6, 2, 2, 2), Corner(7, 3, 3, 3));
    glw::Surface flat = smooth;
    flat.material.smooth = false;
    // Opposite faces on the same points cancel to a zero sum.
    glw::Surface cancelling;
    AddTriangle(cancelling, Corner(8, 0, 0, 0), Corner(9, 1, 0, 0), Corner(10, 0, 1, 0));
    AddTriangle(cancelling, Corner(9, 1, 0, 0), Corner(8, 0, 0, 0), Corner(10, 0, 1, 0));
    model.AddSurface(smooth);
    model.AddSurface(flat);
    model.AddSurface(cancelling);
    model.ComputeNormals();

    for (const glw::Surface& s : model.surfaces) {
        for (const glw::Vertex& v : s.vertices)
            ExpectNormal(v, 0, 0, 0);
    }
}

TEST(Normals, IndicesAreReadAsTriplesWhateverThePrimitiveAndBadOnesAreSkipped)
{
    glw::Surface s = LeftSlope();
    s.primitive = 1;  // a strip would also make the triangle (1, 2, 3)
    s.AddVertex(Corner(4, 5, 5, 5));
    s.AddIndex(3);
    s.AddIndex(2);
    s.AddIndex(99);  // names no vertex: the whole triple is skipped
    s.AddIndex(0);   // a lone trailing index makes no triangle
    s.ComputeNormals();
    for (int i = 0; i < 3; ++i)
        ExpectNormal(s.vertices[i], -1, 0, 0);
    ExpectNormal(s.vertices[3], 0, 0, 0);
}

// Our own code asks for the count first; an index past it is a broken call.
TEST(ModelDeathTest, SurfacePastTheListIsAContractBreach)
{
    glw::Model model;
    model.AddSurface(glw::Surface{});
    EXPECT_EQ(&model.GetSurface(0), &model.surfaces[0]);
    EXPECT_DEATH(model.GetSurface(1), "ask SurfaceCount");
}
