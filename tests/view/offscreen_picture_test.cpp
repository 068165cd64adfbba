// Pictures drawn off the window: the window's own picture at the window's
// size, the same picture whether drawn at once or in tiles, and a picture
// drawn at four times the size that shrinks back to it.
#include "support/offscreen_gl.h"
#include "view/offscreen_picture.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// The context's colour buffer with its rows turned top first, as pictures are.
RgbaPicture TopFirst(const std::vector<unsigned char>& bottomFirst, int width, int height)
{
    RgbaPicture picture{width, height, std::vector<std::uint8_t>(bottomFirst.size())};
    for (int y = 0; y < height; ++y)
        std::copy_n(bottomFirst.data() + picture.RowBytes() * (height - 1 - y),
                    picture.RowBytes(), picture.Row(y));
    return picture;
}

// Each pixel the mean of a factor x factor block.
RgbaPicture Shrunk(const RgbaPicture& big, int factor)
{
    RgbaPicture small{big.width / factor, big.height / factor, {}};
    small.pixels.resize(small.RowBytes() * small.height);
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        sum += big.Row(y * factor + dy)[(x * factor + dx) * 4 + c];
                small.Row(y)[x * 4 + c] = static_cast<std::uint8_t>(sum / (factor * factor));
            }
    return small;
}

// The share of pixels whose colour differs by more than tolerance.
double DifferingShare(const RgbaPicture& a, const RgbaPicture& b, int tolerance)
{
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    long differing = 0;
    for (std::size_t i = 0; i + 3 < a.pixels.size() && i + 3 < b.pixels.size(); i += 4)
        for (std::size_t c = 0; c < 3; ++c)
            if (std::abs(int(a.pixels[i + c]) - int(b.pixels[i + c])) > tolerance) {
                ++differing;
                break;
            }
    return double(differing) / (a.pixels.size() / 4);
}

double MeanDifference(const RgbaPicture& a, const RgbaPicture& b)
{
    double sum = 0.0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        if (i % 4 != 3)
            sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / (a.pixels.size() * 3 / 4);
}

TEST(PictureDrawer, DrawsTheWindowsPictureAtOnceInTilesAndAtFourTimesTheSize)
{
    testing_support::OffscreenGl gl(kWidth, kHeight);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    Scene scene;
    scene.Init(&testing_support::OffscreenGl::ProcLookup);
    ASSERT_EQ(scene.AddRestingBodies(40), 40);
    for (int i = 0; i < 20; ++i)
        StepWorld(*scene.World());
    // The outline belongs in the picture too.
    scene.Document()->Selection().Select(btRigidBody::upcast(scene.World()->getCollisionObjectArray()[30]));
    ASSERT_NE(scene.Selection().Body(), nullptr);

    const RgbaPicture window =
        TopFirst(view_testing::RenderPicture(gl, scene), kWidth, kHeight);
    GLint viewportBefore[4];
    glGetIntegerv(GL_VIEWPORT, viewportBefore);
    std::array<GLfloat, 16> projectionBefore{};
    glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore.data());

    FrameRenderer renderer;
    PictureDrawer drawer(&testing_support::OffscreenGl::ProcLookup);
    ASSERT_TRUE(drawer.Usable()) << drawer.Error();
    const std::optional<RgbaPicture> whole = drawer.Draw(renderer, scene, {}, kWidth, kHeight);
    ASSERT_TRUE(whole) << drawer.Error();
    EXPECT_EQ(drawer.LastTileCount(), 1);
    EXPECT_LT(DifferingShare(window, *whole, 2), 0.002);

    // The window's context is left as it was, and still draws to its own buffer.
    GLint viewportAfter[4];
    glGetIntegerv(GL_VIEWPORT, viewportAfter);
    EXPECT_TRUE(std::equal(viewportBefore, viewportBefore + 4, viewportAfter));
    std::array<GLfloat, 16> projectionAfter{};
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter.data());
    EXPECT_EQ(projectionBefore, projectionAfter);
    EXPECT_LT(DifferingShare(window, TopFirst(view_testing::RenderPicture(gl, scene), kWidth,
                                              kHeight),
                             0),
              0.0001);

    // Tiles of 100 pixels, the last of each row and column narrower.
    drawer.LimitTileSide(100);
    const std::optional<RgbaPicture> tiled = drawer.Draw(renderer, scene, {}, kWidth, kHeight);
    ASSERT_TRUE(tiled) << drawer.Error();
    EXPECT_EQ(drawer.LastTileCount(), 4 * 3);
    EXPECT_LT(DifferingShare(*whole, *tiled, 2), 0.002);

    // Four times the size, in tiles too: edges fall on other pixels and
    // textures on other mipmap levels, so only the picture as a whole matches.
    const std::optional<RgbaPicture> big =
        drawer.Draw(renderer, scene, {}, kWidth * 4, kHeight * 4);
    ASSERT_TRUE(big) << drawer.Error();
    EXPECT_EQ(drawer.LastTileCount(), 13 * 10);
    const RgbaPicture shrunk = Shrunk(*big, 4);
    EXPECT_LT(MeanDifference(*whole, shrunk), 6.0);
    EXPECT_LT(DifferingShare(*whole, shrunk, 64), 0.03);

    for (const auto& [width, height] : {std::pair{0, 10}, {10, -1}, {kMaxPictureSide + 1, 10}}) {
        EXPECT_FALSE(drawer.Draw(renderer, scene, {}, width, height));
        EXPECT_NE(drawer.Error().find("8192"), std::string::npos) << drawer.Error();
    }
    scene.Destroy();
}

}  // namespace
