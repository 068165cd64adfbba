// The scene's life: what Init builds, and the order in which Destroy lets
// the bodies, shapes, world and shape drawer go, seen through the blocks
// Bullet's allocator hands out and takes back.
#include "glw/texture_loader.h"
#include "physics/scene_content.h"
#include "view/scene_fixture.h"

#include <LinearMath/btAlignedAllocator.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

struct FreeLog {
    bool recording = false;
    std::vector<const void*> freed;
};

FreeLog& Log()
{
    static FreeLog log;
    return log;
}

void* LoggedAlloc(std::size_t size, int alignment)
{
    void* block = nullptr;
    const std::size_t align = std::max<std::size_t>(alignment, sizeof(void*));
    return posix_memalign(&block, align, std::max<std::size_t>(size, 1)) == 0 ? block : nullptr;
}

void LoggedFree(void* block)
{
    if (block != nullptr && Log().recording)
        Log().freed.push_back(block);
    std::free(block);
}

// Every Bullet object of this program comes from these two, from before
// main on, so no block is ever given back to an allocator that did not make it.
const bool kAllocatorLogged = [] {
    btAlignedAllocSetCustomAligned(&LoggedAlloc, &LoggedFree);
    return true;
}();

// Where in the log a block was freed; one entry per time.
std::vector<std::size_t> FreedAt(const void* block)
{
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < Log().freed.size(); ++i) {
        if (Log().freed[i] == block)
            at.push_back(i);
    }
    return at;
}

struct TextureImage {
    GLint width = 0, height = 0;
    std::vector<unsigned char> pixels;
    bool operator==(const TextureImage&) const = default;
};

TextureImage ReadTexture(GLuint name)
{
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    image.pixels.resize(std::size_t(image.width) * image.height * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.pixels.data());
    return image;
}

TEST(SceneLifecycle, InitBuildsTheStartSceneAndDestroyLetsGoInOrder)
{
    ASSERT_TRUE(kAllocatorLogged);
    testing_support::OffscreenGl gl(64, 64);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    Scene scene;
    scene.Init(&testing_support::OffscreenGl::ProcLookup);

    EXPECT_EQ(scene.BodyCount(), 241);
    ASSERT_EQ(scene.Lights().size(), 2u);
    const LightRecord& key = *scene.Lights()[0];
    const LightRecord& fill = *scene.Lights()[1];
    EXPECT_EQ(scene.MovableLight(), &key);
    EXPECT_TRUE(key.enabled && fill.enabled);
    EXPECT_EQ(key.lightId, static_cast<GLenum>(GL_LIGHT0));
    EXPECT_EQ(fill.lightId, static_cast<GLenum>(GL_LIGHT1));
    EXPECT_TRUE(
        std::equal(key.position, key.position + 4, std::vector{5.0f, 10.0f, 17.5f, 0.0f}.begin()));
    EXPECT_TRUE(std::equal(fill.position, fill.position + 4,
                           std::vector{-13.0f, 4.0f, 0.0f, 0.0f}.begin()));
    EXPECT_TRUE(std::equal(fill.diffuse, fill.diffuse + 3, std::vector{0.2f, 0.2f, 0.2f}.begin()));

    // Five textures, asked for in the order 221, 226, 225, 220, 222: the
    // names come out in that order, each holding its own image.
    const SceneTextureNames names = scene.Textures();
    const std::pair<GLuint, std::uint32_t> textures[] = {{names.dice, 221},
                                                         {names.ground, 226},
                                                         {names.cylinder, 225},
                                                         {names.extra, 220},
                                                         {names.box, 222}};
    glw::TextureLoader loader;
    for (std::size_t i = 0; i < 5; ++i) {
        const auto [name, resource] = textures[i];
        ASSERT_NE(name, 0u) << resource;
        if (i > 0) {
            EXPECT_GT(name, textures[i - 1].first) << resource << " asked for out of turn";
        }
        GLuint reference = loader.LoadTexture(resource);
        EXPECT_TRUE(ReadTexture(name) == ReadTexture(reference)) << resource;
        glw::DeleteTexture(reference);
    }
    loader.Shutdown();

    ASSERT_NE(scene.ShapeDrawer(), nullptr);
    EXPECT_TRUE(scene.ShapeDrawer()->textureEnabled());
    // A cone in a frame gives the drawer a hull and its checker texture.
    view_testing::AddBody(scene, scene.ConeShape(), btVector3(0, 1, 8));
    view_testing::RenderPicture(gl, scene);
    const GLuint checker = scene.ShapeDrawer()->checkerTexture();
    ASSERT_NE(checker, 0u);
    const void* hull =
        scene.ShapeDrawer()->hullCacheFor(static_cast<btConvexShape*>(scene.ConeShape()));
    ASSERT_NE(hull, nullptr);

    std::vector<const void*> bodies;
    for (int i = 0; i < scene.BodyCount(); ++i) {
        const btCollisionObject* object = scene.World()->getCollisionObjectArray()[i];
        bodies.push_back(object);
        bodies.push_back(btRigidBody::upcast(object)->getMotionState());
    }
    // In the order they go: the ground first, the dice last.
    const std::vector<const void*> shapes = {
        dynamic_cast<const void*>(scene.ShapeFor(BodyKind::Ground)),
        dynamic_cast<const void*>(scene.ShapeFor(BodyKind::Wall)),
        dynamic_cast<const void*>(scene.CanModel()),
        dynamic_cast<const void*>(scene.ConeShape()),
        dynamic_cast<const void*>(scene.BallModel()),
        dynamic_cast<const void*>(scene.DominoModel()),
        dynamic_cast<const void*>(scene.DieModel())};
    const void* world = scene.World();

    Log().freed.clear();
    Log().recording = true;
    scene.Destroy();
    Log().recording = false;

    std::size_t lastBody = 0;
    for (const void* body : bodies) {
        const auto at = FreedAt(body);
        ASSERT_EQ(at.size(), 1u) << "every body and motion state deleted once";
        lastBody = std::max(lastBody, at[0]);
    }
    const auto worldAt = FreedAt(world);
    ASSERT_EQ(worldAt.size(), 1u);
    EXPECT_GT(worldAt[0], lastBody) << "the world is empty when it goes";
    // The document goes whole, its world with it, before the scene's shapes.
    std::size_t previousShape = worldAt[0];
    for (const void* shape : shapes) {
        const auto at = FreedAt(shape);
        ASSERT_EQ(at.size(), 1u) << "every shape deleted once";
        EXPECT_GT(at[0], previousShape) << "shapes outlive the bodies that use them, in order";
        previousShape = at[0];
    }
    const auto hullAt = FreedAt(hull);
    ASSERT_EQ(hullAt.size(), 1u);
    EXPECT_GT(hullAt[0], worldAt[0]) << "the drawer goes last, with its hulls";

    EXPECT_EQ(scene.ShapeDrawer(), nullptr);
    EXPECT_FALSE(glIsTexture(checker));
    for (const auto& texture : textures)
        EXPECT_FALSE(glIsTexture(texture.first));
    EXPECT_FALSE(scene.Built());
    scene.Destroy();  // a second time does nothing
}

// A scene let go while built would give its textures and buffers back in
// whatever context is current then, or in none.
TEST(SceneLifecycleDeathTest, DeletingABuiltSceneIsCaught)
{
    // The child starts afresh rather than fork a process that runs Mesa's threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            testing_support::OffscreenGl gl(16, 16);
            Scene scene;
            scene.Init(&testing_support::OffscreenGl::ProcLookup);
        },
        "call Scene::Destroy\\(\\)");
}

}  // namespace
