#include "glw/texture_loader.h"

#include "support/offscreen_gl.h"
#include "support/png_writer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using testing_support::DescribePng;
using testing_support::EncodePng;
using testing_support::PngDescription;
using testing_support::SolidRgbPng;
using Bytes = std::vector<unsigned char>;

struct TextureSize {
    GLint width = 0;
    GLint height = 0;
};

TextureSize SizeOf(GLuint name)
{
    TextureSize size;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &size.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &size.height);
    return size;
}

// Texels of level 0 as R, G, B, first row first, tightly packed.
Bytes ReadRgb(GLuint name)
{
    const TextureSize size = SizeOf(name);
    Bytes texels(static_cast<std::size_t>(size.width) * size.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return texels;
}

// Texture names are small consecutive numbers; the first few hundred cover
// every texture these tests can make.
int CountTextures()
{
    int count = 0;
    for (GLuint name = 1; name <= 512; ++name)
        count += glIsTexture(name) ? 1 : 0;
    return count;
}

class TextureLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_gl.Ok()) << m_gl.Error(); }

    GLuint Load(const Bytes& png) { return m_loader.LoadTextureFromMemory(png.data(), png.size()); }
    GLuint Load(const PngDescription& d)
    {
        const Bytes png = EncodePng(d);
        EXPECT_FALSE(png.empty()) << "the test image did not encode";
        return Load(png);
    }

    testing_support::OffscreenGl m_gl{16, 16};
    glw::TextureLoader m_loader;
};

TEST_F(TextureLoaderTest, SidesBecomePowersOfTwoNoLargerThanTheImage)
{
    struct Case {
        int width, height;
        GLint expectedWidth, expectedHeight;
    };
    for (const Case& c : {Case{192, 128, 128, 128}, Case{256, 256, 256, 256},
                          Case{64, 128, 64, 128}, Case{100, 3, 64, 2}, Case{3, 3, 2, 2}}) {
        GLuint name = Load(SolidRgbPng(c.width, c.height, 10, 20, 30));
        ASSERT_NE(name, 0u) << c.width << "x" << c.height;
        const TextureSize size = SizeOf(name);
        EXPECT_EQ(size.width, c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(size.height, c.expectedHeight) << c.width << "x" << c.height;
        Bytes solid;
        for (GLint i = 0; i < size.width * size.height; ++i)
            solid.insert(solid.end(), {10, 20, 30});
        EXPECT_EQ(ReadRgb(name), solid) << c.width << "x" << c.height;
        glw::DeleteTexture(name);
    }

    // Only the height changes: red above blue must still meet in the middle.
    GLuint name = Load(DescribePng(
        1, 6, {{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 0, 255}, {0, 0, 255}}));
    EXPECT_EQ(ReadRgb(name), (Bytes{255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255}));
    glw::DeleteTexture(name);

    GLint maximum = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maximum);
    const Bytes wide(glw::PaddedStride(maximum + 1, 24), 128);
    name = m_loader.UploadPixels(maximum + 1, 1, 24, wide.data());
    EXPECT_EQ(SizeOf(name).width, maximum) << "shrunk to the maximum";
    glw::DeleteTexture(name);
}

TEST_F(TextureLoaderTest, ColoursArriveInPlaceTopRowFirst)
{
    // A 24-bit row of 2 pixels is 6 bytes padded to 8, so a wrong stride shows.
    GLuint name = Load(DescribePng(2, 2, {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 255}}));
    EXPECT_EQ(ReadRgb(name), (Bytes{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    glw::DeleteTexture(name);

    name = Load(DescribePng(2, 1, {{255, 0, 0, 10, 0, 0, 255, 200}}, PNG_COLOR_TYPE_RGB_ALPHA));
    Bytes rgba(8);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EXPECT_EQ(rgba, (Bytes{255, 0, 0, 10, 0, 0, 255, 200}));
    glw::DeleteTexture(name);
}

TEST_F(TextureLoaderTest, IndexedImageGoesUpAsGreyLevelsOfItsIndices)
{
    PngDescription d = DescribePng(2, 2, {{0, 10}, {200, 255}}, PNG_COLOR_TYPE_PALETTE);
    d.palette.assign(256, png_color{255, 0, 128});
    GLuint name = Load(d);
    EXPECT_EQ(ReadRgb(name), (Bytes{0, 0, 0, 10, 10, 10, 200, 200, 200, 255, 255, 255}));
    glw::DeleteTexture(name);

    d.width = 3;  // resampled to 2 x 1
    d.height = 1;
    d.rows = {{77, 77, 77}};
    name = Load(d);
    EXPECT_EQ(ReadRgb(name), (Bytes{77, 77, 77, 77, 77, 77}));
    glw::DeleteTexture(name);
}

TEST_F(TextureLoaderTest, NewTextureIsLeftBoundWithLinearFilters)
{
    GLuint name = Load(SolidRgbPng(4, 4, 1, 2, 3));
    GLint bound = 0, minFilter = 0, magFilter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_NE(name, 0u);
    EXPECT_EQ(static_cast<GLuint>(bound), name);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    glw::DeleteTexture(name);
}

TEST_F(TextureLoaderTest, CallersPixelStoreNeitherMattersNorChanges)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    GLuint name = Load(DescribePng(2, 2, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}));
    GLint alignment = 0, rowLength = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    EXPECT_EQ(alignment, 1);
    EXPECT_EQ(rowLength, 7);
    EXPECT_EQ(ReadRgb(name), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    glw::DeleteTexture(name);
}

TEST_F(TextureLoaderTest, RefusedImagesYieldZeroAndLeaveNoTexture)
{
    GLuint kept = Load(SolidRgbPng(2, 2, 9, 9, 9));
    const int before = CountTextures();
    ASSERT_EQ(before, 1);

    // 16-bit, and not a power of two: refused before any resampling too.
    EXPECT_EQ(Load(DescribePng(4, 3, {3, Bytes(4 * 6, 0x80)}, PNG_COLOR_TYPE_RGB, 16)), 0u);
    const Bytes pixels(64, 0);
    EXPECT_EQ(m_loader.UploadPixels(4, 4, 16, pixels.data()), 0u);

    Bytes truncated = SolidRgbPng(8, 8, 1, 2, 3);
    truncated.resize(truncated.size() - 20);
    EXPECT_EQ(Load(truncated), 0u);
    EXPECT_EQ(Load(Bytes(100, 0x42)), 0u);
    EXPECT_EQ(m_loader.UploadPixels(0, 4, 24, pixels.data()), 0u);
    EXPECT_EQ(m_loader.UploadPixels(4, -4, 24, pixels.data()), 0u);
    EXPECT_EQ(m_loader.UploadPixels(4, 4, 24, nullptr), 0u);

    glw::DecodedImage unpadded{3, 2, 24, 9, Bytes(24, 0)};
    EXPECT_EQ(m_loader.UploadBitmap(unpadded), 0u) << "rows would be read at the wrong offsets";
    glw::DecodedImage tooShort{3, 2, 24, 12, Bytes(18, 0)};
    EXPECT_EQ(m_loader.UploadBitmap(tooShort), 0u) << "pixels end inside the last row";

    EXPECT_EQ(CountTextures(), before);
    EXPECT_TRUE(glIsTexture(kept));
    glw::DeleteTexture(kept);
}

TEST_F(TextureLoaderTest, LoadTextureFindsResourcesByModuleIdAndType)
{
    const Bytes png = SolidRgbPng(4, 2, 0, 0, 0);
    const auto size = static_cast<std::uint32_t>(png.size());
    const glw::ResourceEntry entries[] = {
        {"PNG", 5, png.data(), size}, {"LWO", 6, png.data(), size}, {"PNG", 7, png.data(), 0}};
    const glw::ResourceModule module{entries, 3};

    GLuint name = m_loader.LoadTexture(5, "png", &module);
    EXPECT_EQ(SizeOf(name).width, 4);
    glw::DeleteTexture(name);
    EXPECT_EQ(m_loader.LoadTexture(6, "PNG", &module), 0u);
    EXPECT_EQ(m_loader.LoadTexture(7, "PNG", &module), 0u);
    EXPECT_EQ(m_loader.LoadTexture(8, "PNG", &module), 0u);
}

TEST_F(TextureLoaderTest, AfterShutdownLoadsYieldZeroButTexturesAndUploadsRemain)
{
    const Bytes png = SolidRgbPng(2, 2, 5, 5, 5);
    GLuint loaded = Load(png);
    m_loader.Shutdown();
    m_loader.Shutdown();
    EXPECT_FALSE(m_loader.IsStarted());
    EXPECT_EQ(Load(png), 0u);
    EXPECT_TRUE(glIsTexture(loaded));
    const Bytes pixels(16, 7);
    GLuint uploaded = m_loader.UploadPixels(2, 2, 24, pixels.data());
    EXPECT_NE(uploaded, 0u);
    glw::DeleteTexture(loaded);
    glw::DeleteTexture(uploaded);
}

TEST_F(TextureLoaderTest, DeleteTextureAlwaysZeroesTheName)
{
    GLuint none = 0;
    glw::DeleteTexture(none);
    GLuint notATexture = 4711;
    glw::DeleteTexture(notATexture);
    EXPECT_EQ(none, 0u);
    EXPECT_EQ(notATexture, 0u);

    GLuint name = Load(SolidRgbPng(2, 2, 1, 1, 1));
    const GLuint copy = name;
    ASSERT_TRUE(glIsTexture(copy));
    glw::DeleteTexture(name);
    EXPECT_EQ(name, 0u);
    EXPECT_FALSE(glIsTexture(copy));
}

TEST_F(TextureLoaderTest, SceneTexturesLoadFromTheExecutable)
{
    struct SceneImage {
        std::uint32_t id;
        GLint width, height;
    };
    // In the order the scene set-up loads them.
    const SceneImage images[] = {
        {221, 128, 128}, {226, 256, 256}, {225, 64, 64}, {220, 256, 256}, {222, 64, 128}};
    for (const SceneImage& image : images) {
        glw::ResourceBytes bytes;
        if (!glw::FindResource(nullptr, image.id, "PNG", bytes))
            GTEST_SKIP() << "res/ does not embed PNG " << image.id << " yet";
    }
    for (const SceneImage& image : images) {
        GLuint name = m_loader.LoadTexture(image.id);
        ASSERT_NE(name, 0u) << "PNG " << image.id;
        EXPECT_EQ(SizeOf(name).width, image.width) << "PNG " << image.id;
        EXPECT_EQ(SizeOf(name).height, image.height) << "PNG " << image.id;
        glw::DeleteTexture(name);
    }
}

}  // namespace
