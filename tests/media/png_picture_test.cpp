// The PNG writer: libpng's file decodes to the same pixels with the text
// chunks given, and a file that cannot be written is reported and leaves
// nothing behind.
#include "glw/png_image.h"
#include "media/png_picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

struct ScratchFolder {
    ScratchFolder() : path(fs::temp_directory_path() / ("kinetta-png-" + std::to_string(getpid())))
    {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchFolder() { fs::remove_all(path); }
    fs::path path;
};

std::vector<unsigned char> FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(PngPicture, WritesPixelsAndTextsAndReportsAFolderItCannotWriteIn)
{
    ScratchFolder folder;
    // Three by two, every pixel different; alpha is not kept.
    RgbaPicture picture{3, 2, {}};
    for (int i = 0; i < 6; ++i)
        picture.pixels.insert(picture.pixels.end(),
                              {std::uint8_t(40 * i), std::uint8_t(255 - 30 * i),
                               std::uint8_t(7 * i + 1), std::uint8_t(i)});
    const fs::path path = folder.path / "shot.png";
    const std::vector<PngText> texts = {{"Title", "tower – test.bullet"},
                                        {"Simulated time", "2.50 s"}};
    const PngWriteResult written = WritePngFile(path.string(), picture, texts);
    ASSERT_TRUE(written.ok) << written.error;

    const std::vector<unsigned char> bytes = FileBytes(path);
    glw::DecodedImage image;
    std::string error;
    ASSERT_EQ(glw::DecodePng(bytes.data(), bytes.size(), image, &error), 1) << error;
    ASSERT_EQ(image.width, 3);
    ASSERT_EQ(image.height, 2);
    ASSERT_EQ(image.bitsPerPixel, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c)  // decoded as B, G, R
                EXPECT_EQ(image.pixels[y * image.stride + x * 3 + (2 - c)],
                          picture.Row(y)[x * 4 + c])
                    << x << "," << y << " channel " << c;

    const std::vector<PngText> read = ReadPngTexts(path.string());
    ASSERT_EQ(read.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(read[i].key, texts[i].key);
        EXPECT_EQ(read[i].value, texts[i].value);
    }
    // Written beside its name and renamed: nothing else is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);

    // A folder that is not there; an empty picture.
    const PngWriteResult missing =
        WritePngFile((folder.path / "no-such-folder" / "shot.png").string(), picture);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("No such file"), std::string::npos) << missing.error;
    EXPECT_FALSE(WritePngFile((folder.path / "empty.png").string(), RgbaPicture{}).ok);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);
    // A failed write over an existing picture leaves it as it was.
    EXPECT_FALSE(WritePngFile(path.string(), RgbaPicture{}).ok);
    EXPECT_EQ(FileBytes(path), bytes);
}

}  // namespace
