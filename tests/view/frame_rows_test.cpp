// Which drawing path each body takes, read back from what the frame renderer
// sends OpenGL (feedback mode) and from the state it leaves.
#include "gl/gl_feedback.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

namespace {

using testing_support::CaptureFeedback;
using testing_support::FeedbackPrimitive;
using testing_support::Flatten;
using testing_support::OffscreenGl;
using testing_support::UseFeedbackView;
using view_testing::AddBody;
using view_testing::AddBodyOfKind;

// The camera at the origin, unturned: what the renderer sends comes back in
// world coordinates.
const CameraState kWorldCamera{btVector3(0, 0, 0), 0.0f, 0.0f};
constexpr float kExtent = 30.0f;

class FrameRows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        m_scene.Init(&testing_support::OffscreenGl::ProcLookup);
        DestroyAllCollisionObjects(*m_scene.World());
    }
    void TearDown() override { m_scene.Destroy(); }

    // Culling starts off, so that the markers and the rows that set no
    // culling send every triangle; a mesh's material turns it on for itself.
    std::vector<FeedbackPrimitive> Capture(RenderOptions options = {})
    {
        glDisable(GL_CULL_FACE);
        UseFeedbackView(kExtent);
        // Mesa's feedback mode crashes replaying a display list: the markers
        // take the renderer's other way, the same sphere made on the spot.
        options.markerList = false;
        // In this 64-pixel view every body is a speck: the rows' own meshes
        // are what is compared, not their simpler ones.
        options.detailLevels = false;
        FrameRenderer renderer(options);
        return CaptureFeedback(kExtent, [&] { renderer.Render(m_scene, kWorldCamera); });
    }
    // What the bodies add to a frame, past the light markers.
    std::vector<FeedbackPrimitive> CaptureBodies()
    {
        auto all = Capture();
        all.erase(all.begin(), all.begin() + std::min(all.size(), m_markerPrimitives));
        return all;
    }
    void Clear() { DestroyAllCollisionObjects(*m_scene.World()); }

    OffscreenGl m_gl{64, 64};
    Scene m_scene;
    std::size_t m_markerPrimitives = 0;
};

// What the mesh itself sends when drawn at `at` with the camera of the rows.
std::vector<FeedbackPrimitive> MeshAt(const glw::Model& model, const btVector3& at,
                                      const glw::GlProcs& procs)
{
    glDisable(GL_CULL_FACE);
    UseFeedbackView(kExtent);
    return CaptureFeedback(kExtent, [&] {
        glTranslatef(at.x(), at.y(), at.z());
        model.Draw(procs);
    });
}

float FarthestFrom(const std::vector<FeedbackPrimitive>& primitives, const btVector3& centre)
{
    float farthest = 0;
    for (const auto& v : Flatten(primitives))
        farthest = std::max(farthest, v.position.distance(centre));
    return farthest;
}

TEST_F(FrameRows, LightMarkersShowForEveryLightAndTheWallDrawsNothing)
{
    const auto markers = Capture();
    ASSERT_FALSE(markers.empty());
    ASSERT_EQ(markers.size() % 2, 0u);
    const std::size_t perMarker = markers.size() / 2;
    m_markerPrimitives = markers.size();

    // A switched-off light is dark but keeps its yellow marker.
    m_scene.Lights()[1]->enabled = false;
    const auto dimmed = Capture();
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    ASSERT_EQ(dimmed.size(), markers.size());
    for (std::size_t p = 0; p < dimmed.size(); ++p) {
        const float* at = m_scene.Lights()[p / perMarker]->position;
        for (const auto& v : dimmed[p].vertices) {
            EXPECT_NEAR(v.position.distance(btVector3(at[0], at[1], at[2])), 0.1f, 0.01f);
            EXPECT_EQ(v.colour[0], 1.0f);
            EXPECT_EQ(v.colour[1], 1.0f);
            EXPECT_EQ(v.colour[2], 0.0f);
        }
    }

    AddBodyOfKind(m_scene, BodyKind::Wall, m_scene.ShapeFor(BodyKind::Wall), btVector3(0, 0, 0));
    EXPECT_TRUE(CaptureBodies().empty());
    EXPECT_EQ(Capture().size(), markers.size());
}

TEST_F(FrameRows, EachKindTakesItsOwnPathAndBodiesOfNoKindGoToTheShapeDrawer)
{
    m_markerPrimitives = Capture().size();

    // The can and any ball are meshes at the body's place: the can's and the
    // ball's, whatever the ball's own radius.
    const btVector3 at(10, 0, 0);
    AddBodyOfKind(m_scene, BodyKind::Can, m_scene.CanModel(), at);
    const auto can = CaptureBodies();
    EXPECT_EQ(can.size(), MeshAt(*m_scene.CanModel(), at, m_scene.Procs()).size());
    EXPECT_GT(can.size(), 0u);
    EXPECT_LT(FarthestFrom(can, at), 1.0f);
    // The mesh leaves generation and texturing on; its row turns them off
    // for whatever comes next, with or without the state economy.
    for (const bool economy : {true, false}) {
        Capture(RenderOptions{economy, 0});
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S)) << economy;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T)) << economy;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << economy;
    }
    Clear();
    btSphereShape big(2.0f);
    const btVector3 ballAt(-10, 0, 0);
    AddBodyOfKind(m_scene, BodyKind::Ball, &big, ballAt);
    const auto ball = CaptureBodies();
    EXPECT_EQ(ball.size(), MeshAt(*m_scene.BallModel(), ballAt, m_scene.Procs()).size());
    EXPECT_GT(ball.size(), 0u);
    EXPECT_LT(FarthestFrom(ball, ballAt), 0.6f) << "the ball mesh, not a sphere of radius 2";

    // The scene's own can shape on a body of no kind is not a can: it goes
    // to the shape drawer, in the first body's colour at index 0.
    Clear();
    AddBody(m_scene, m_scene.CanModel(), at);
    const auto plain = CaptureBodies();
    EXPECT_GT(plain.size(), 0u);
    EXPECT_NE(plain.size(), can.size());
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(btVector3(colour[0], colour[1], colour[2]), btVector3(0, 1, 0.5f));

    // A cone too, from its hull; anywhere but at index 0 in the other colour.
    Clear();
    AddBody(m_scene, m_scene.ConeShape(), btVector3(0, 5, 0));
    const int hulls = m_scene.ShapeDrawer()->hullCacheCount();
    const auto cone = CaptureBodies();
    const auto* hull =
        m_scene.ShapeDrawer()->hullCacheFor(static_cast<btConvexShape*>(m_scene.ConeShape()));
    ASSERT_NE(hull, nullptr);
    EXPECT_EQ(cone.size(), static_cast<std::size_t>(hull->hull.numTriangles()));
    EXPECT_LT(FarthestFrom(cone, btVector3(0, 5, 0)), 0.8f);
    Clear();
    AddBodyOfKind(m_scene, BodyKind::Wall, m_scene.ShapeFor(BodyKind::Wall), btVector3(0, 0, 0));
    AddBody(m_scene, m_scene.ConeShape(), btVector3(0, 5, 0));
    EXPECT_EQ(CaptureBodies().size(), cone.size());
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(btVector3(colour[0], colour[1], colour[2]), btVector3(1, 1, 0.5f));
    EXPECT_EQ(m_scene.ShapeDrawer()->hullCacheCount(), hulls + 1)
        << "one hull for the one cone shape";
}

// True when every vertex of the triangles near `centre` samples the dice
// image at one of the corners of its cells; counts those triangles.
int DieTrianglesOnTheirCells(const std::vector<FeedbackPrimitive>& primitives,
                             const btVector3& centre)
{
    auto onGrid = [](float value, std::initializer_list<float> grid) {
        for (const float g : grid) {
            if (std::abs(value - g) < 1e-4f)
                return true;
        }
        return false;
    };
    int count = 0;
    for (const auto& p : primitives) {
        if (p.vertices.empty() || p.vertices[0].position.distance(centre) > 1.0f)
            continue;
        for (const auto& v : p.vertices) {
            if (!onGrid(v.texture[0], {0.0f, 0.333f, 0.666f, 0.999f}) ||
                !onGrid(v.texture[1], {0.0f, 0.5f, 1.0f}))
                return -1;
        }
        ++count;
    }
    return count;
}

TEST_F(FrameRows, DiceAfterTheShapeDrawerKeepTheirTextureCoordinates)
{
    // Dice on both sides of a cone, for two frames: each die samples the
    // dice image where its mesh says, not through the checker's scale.
    AddBodyOfKind(m_scene, BodyKind::Die, m_scene.DieModel(), btVector3(-3, 0, 0));
    AddBody(m_scene, m_scene.ConeShape(), btVector3(0, 0, 0));
    AddBodyOfKind(m_scene, BodyKind::Die, m_scene.DieModel(), btVector3(3, 0, 0));
    for (int frame = 0; frame < 2; ++frame) {
        const auto all = Capture();
        EXPECT_GT(DieTrianglesOnTheirCells(all, btVector3(-3, 0, 0)), 0) << frame;
        EXPECT_GT(DieTrianglesOnTheirCells(all, btVector3(3, 0, 0)), 0) << frame;
    }
}

}  // namespace
