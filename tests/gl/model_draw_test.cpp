// Surface and model drawing in a real off-screen context: what reaches the
// pixels proves the array layout, the flags and the primitive kinds.
#include "glw/model.h"
#include "support/offscreen_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr int kSize = 32;

using Rgb = std::array<int, 3>;

class ModelDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        // Positions are clip coordinates; nothing is lit or textured unless a
        // test asks for it.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // Pixel (x, y) counted from the bottom left.
    Rgb At(int x, int y)
    {
        glFinish();
        const unsigned char* p = &m_gl.Pixels()[(static_cast<std::size_t>(y) * kSize + x) * 4];
        return {p[0], p[1], p[2]};
    }

    testing_support::OffscreenGl m_gl{kSize, kSize};
};

// Fields around the position hold values that would put the triangle
// elsewhere if the stride or an offset were wrong.
glw::Vertex At2d(float x, float y, float u = 0.75f, float v = 0.5f)
{
    glw::Vertex vertex;
    vertex.pointIndex = 0x3f800000;  // 1.0f if read as a float
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.normal[0] = 0.0f;
    vertex.normal[1] = 0.0f;
    vertex.normal[2] = 1.0f;
    vertex.texCoord[0] = u;
    vertex.texCoord[1] = v;
    return vertex;
}

// The four corners of the viewport in strip order: (0, 1, 2) is the lower
// left half, (1, 2, 3) the upper right.
glw::Surface Corners(int primitive, std::vector<std::uint32_t> indices)
{
    glw::Surface s;
    s.AddVertex(At2d(-1, -1));
    s.AddVertex(At2d(1, -1));
    s.AddVertex(At2d(-1, 1));
    s.AddVertex(At2d(1, 1));
    s.indices = std::move(indices);
    s.primitive = primitive;
    s.material.doubleSided = true;
    return s;
}

glw::Surface FullScreen(float r, float g, float b)
{
    glw::Surface s = Corners(0, {0, 1, 2, 2, 1, 3});
    s.material.colour[0] = r;
    s.material.colour[1] = g;
    s.material.colour[2] = b;
    return s;
}

const Rgb kBlack{0, 0, 0};
const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};

}  // namespace

TEST_F(ModelDraw, EachSurfaceLandsWhereItsPositionsSayInItsOwnColour)
{
    glw::Model model;
    glw::Surface lower = Corners(0, {0, 1, 2});
    lower.material.doubleSided = false;  // counter-clockwise: survives culling
    lower.material.colour[1] = lower.material.colour[2] = 0.0f;
    glw::Surface upper = Corners(0, {1, 3, 2});
    upper.material.colour[0] = upper.material.colour[2] = 0.0f;
    model.AddSurface(lower);
    model.AddSurface(upper);

    EXPECT_EQ(model.Draw(m_gl.Procs()), 1);
    EXPECT_EQ(At(4, 4), kRed);
    EXPECT_EQ(At(24, 4), kRed);
    EXPECT_EQ(At(4, 24), kRed);
    EXPECT_EQ(At(27, 27), kGreen);
    EXPECT_EQ(At(20, 20), kGreen);
}

TEST_F(ModelDraw, PrimitiveKindsPickTrianglesStripAndFanAndOthersDrawNothing)
{
    // Pixels above and below the rising diagonal of the upper right half.
    struct Case {
        int primitive;
        Rgb lowerLeft, aboveDiagonal, belowDiagonal;
    };
    for (const Case& c : {Case{0, kRed, kBlack, kBlack}, Case{1, kRed, kRed, kRed},
                          Case{2, kRed, kRed, kBlack}, Case{3, kBlack, kBlack, kBlack}}) {
        SCOPED_TRACE(c.primitive);
        glClear(GL_COLOR_BUFFER_BIT);
        glw::Surface s = Corners(c.primitive, {0, 1, 2, 3});
        s.material.colour[1] = s.material.colour[2] = 0.0f;
        s.material.Apply(m_gl.Procs());
        EXPECT_EQ(s.Draw(glw::kDrawNormals), 1);
        EXPECT_EQ(At(4, 4), c.lowerLeft);
        EXPECT_EQ(At(20, 28), c.aboveDiagonal);
        EXPECT_EQ(At(28, 20), c.belowDiagonal);
    }
}

TEST_F(ModelDraw, TextureCoordinatesAreSentOnlyWithBitZero)
{
    // Two texels: green where the vertices point (u = 0.75), red where the
    // current texture coordinate points and where their normals would.
    const unsigned char texels[] = {255, 0, 0, 255, 0, 255, 0, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    glTexCoord2f(0.25f, 0.5f);

    const glw::Surface s = FullScreen(1, 1, 1);
    EXPECT_EQ(s.Draw(glw::kDrawNormals), 1);
    EXPECT_EQ(At(16, 16), kRed);
    EXPECT_EQ(s.Draw(glw::kDrawNormals | glw::kDrawTexCoords), 1);
    EXPECT_EQ(At(16, 16), kGreen);
    glDeleteTextures(1, &texture);
}

TEST_F(ModelDraw, NormalsAreSentOnlyWithBitOneAndArrayStateIsRestored)
{
    // A white light from +z: the vertices' normals face it, the current
    // normal faces away.
    const GLfloat position[] = {0, 0, 1, 0};
    const GLfloat black[] = {0, 0, 0, 1};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(1, 1, 1);
    glNormal3f(0, 0, -1);
    glEnableClientState(GL_NORMAL_ARRAY);

    const glw::Surface s = FullScreen(1, 1, 1);
    EXPECT_EQ(s.Draw(glw::kDrawNormals), 1);
    EXPECT_EQ(At(16, 16), (Rgb{255, 255, 255}));
    EXPECT_EQ(s.Draw(glw::kDrawTexCoords), 1);
    EXPECT_EQ(At(16, 16), kBlack);

    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ModelDraw, SurfaceThatCannotBeDrawnFailsAndStopsTheModelAfterItsMaterial)
{
    glw::Model model;
    glw::Surface noIndices = FullScreen(0, 0, 1);
    noIndices.indices.clear();
    model.AddSurface(noIndices);
    model.AddSurface(FullScreen(1, 0, 0));
    EXPECT_EQ(model.Draw(m_gl.Procs()), 0);
    EXPECT_EQ(At(16, 16), kBlack);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[2], 1.0f);  // the empty surface's material was applied

    glw::Surface noVertices;
    noVertices.indices = {0, 1, 2};
    EXPECT_EQ(noVertices.Draw(glw::kDrawNormals), 0);

    // An index past the vertex list is refused rather than read...
    glw::Surface badIndex = FullScreen(1, 0, 0);
    badIndex.indices.insert(badIndex.indices.end(), {4, 0xffffffffu, 0});
    EXPECT_EQ(badIndex.Draw(glw::kDrawNormals), 0);
    EXPECT_EQ(At(16, 16), kBlack);
    // ...unless the primitive kind draws nothing anyway.
    badIndex.primitive = 3;
    EXPECT_EQ(badIndex.Draw(glw::kDrawNormals), 1);
}

TEST_F(ModelDraw, BufferObjectsDrawWhatTheArraysDrawAndBelongToOneSurfaceOnly)
{
    glw::Model model;
    glw::Surface lower = Corners(0, {0, 1, 2});
    lower.material.colour[1] = lower.material.colour[2] = 0.0f;
    model.AddSurface(lower);
    model.AddSurface(FullScreen(0, 1, 0));
    model.surfaces[1].indices = {1, 3, 2};
    ASSERT_TRUE(model.UploadBuffers(m_gl.Procs()));
    ASSERT_NE(model.surfaces[0].buffers.vertexBuffer, 0u);

    // A copy draws from its own arrays; releasing the original's buffers
    // leaves it whole.
    glw::Model copy = model;
    EXPECT_EQ(copy.surfaces[0].buffers.vertexBuffer, 0u);
    model.ReleaseBuffers(m_gl.Procs());
    EXPECT_EQ(model.surfaces[0].buffers.vertexBuffer, 0u);
    EXPECT_EQ(copy.Draw(m_gl.Procs()), 1);
    EXPECT_EQ(At(4, 4), kRed);
    EXPECT_EQ(At(27, 27), kGreen);

    // Uploaded again, the buffers draw the same picture; and a surface whose
    // list changed after the upload falls back to its arrays.
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(model.UploadBuffers(m_gl.Procs()));
    model.surfaces[1].indices = {1, 3, 2, 0, 1, 2};
    EXPECT_EQ(model.Draw(m_gl.Procs()), 1);
    EXPECT_EQ(At(4, 4), kGreen);
    EXPECT_EQ(At(27, 27), kGreen);
    model.ReleaseBuffers(m_gl.Procs());
}
