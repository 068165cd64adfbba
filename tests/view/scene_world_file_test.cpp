// Worlds from files and the drawing: an opened world's hulls go with it.
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

class SceneWorldFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gl.Ok()) << m_gl.Error();
        std::string pattern = ::testing::TempDir() + "kinetta-scene-hulls-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_scene.Init(&testing_support::OffscreenGl::ProcLookup);
    }
    void TearDown() override
    {
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder);
    }
    WorldFileResult Open(const std::string& path)
    {
        WorldFileOpenOptions options;
        options.readerPath = KINETTA_WORLD_READER_PATH;
        return m_scene.Document()->OpenWorld(path, options);
    }

    testing_support::OffscreenGl m_gl{16, 16};
    std::string m_folder;
    view_testing::BuiltScene m_built;
    Scene& m_scene = m_built.scene;
};

// Every file opened brings shapes of its own, which the shape drawer gives
// hulls; those go with the world they came in, and the scene's own stay.
TEST_F(SceneWorldFile, AnOpenedWorldsHullsGoWithItsShapes)
{
    std::vector<std::unique_ptr<btCylinderShape>> posts;
    for (int i = 0; i < 4; ++i) {
        const float radius = 0.2f + 0.1f * float(i);
        posts.push_back(std::make_unique<btCylinderShape>(btVector3(radius, 1.0f, radius)));
        view_testing::AddBody(m_scene, posts.back().get(),
                              btVector3(-3.0f + 2.0f * float(i), 1, 12));
    }
    const std::string path = m_folder + "/posts.bullet";
    const WorldFileResult save = m_scene.Document()->SaveWorld(path);
    ASSERT_TRUE(save.ok) << save.error;
    m_scene.Document()->NewWorld();  // the posts' bodies go before their shapes do

    GL_ShapeDrawer& drawer = *m_scene.ShapeDrawer();
    auto* cone = static_cast<btConvexShape*>(m_scene.ConeShape());
    view_testing::AddBody(m_scene, cone, btVector3(0, 1, 8));
    view_testing::RenderPicture(m_gl, m_scene);
    const auto* coneHull = drawer.hullCacheFor(cone);
    ASSERT_NE(coneHull, nullptr);
    const int startHulls = drawer.hullCacheCount();

    for (int open = 1; open <= 2; ++open) {
        const WorldFileResult result = Open(path);
        ASSERT_TRUE(result.ok) << result.error;
        view_testing::RenderPicture(m_gl, m_scene);
        EXPECT_EQ(drawer.hullCacheCount(), startHulls + 4) << "opened " << open << " times";
    }
    m_scene.Document()->NewWorld();
    EXPECT_EQ(drawer.hullCacheCount(), startHulls);
    EXPECT_EQ(drawer.hullCacheFor(cone), coneHull) << "the scene's cone keeps its hull";
    EXPECT_EQ(drawer.hullCacheCount(), startHulls);
}

}  // namespace
