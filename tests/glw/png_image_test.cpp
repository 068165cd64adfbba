#include "glw/png_image.h"

#include "support/png_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing_support::DescribePng;
using testing_support::EncodePng;
using testing_support::FindChunk;
using testing_support::FixChunkCrc;
using testing_support::PngDescription;
using Bytes = std::vector<unsigned char>;

// 3 x 2, so a 24-bit row is 9 bytes padded to 12.
PngDescription RgbPattern()
{
    return DescribePng(3, 2,
                       {{255, 0, 0, 0, 255, 0, 0, 0, 255}, {10, 20, 30, 40, 50, 60, 70, 80, 90}});
}

glw::DecodedImage DecodeOk(const PngDescription& d)
{
    const Bytes png = EncodePng(d);
    glw::DecodedImage image;
    std::string error;
    EXPECT_TRUE(glw::DecodePng(png.data(), png.size(), image, &error)) << error;
    return image;
}

// Returns the decoder's reason.
std::string ExpectRefused(const Bytes& png, const std::string& what)
{
    glw::DecodedImage image;
    image.width = 7;  // must be cleared, not left from before
    std::string error;
    EXPECT_FALSE(glw::DecodePng(png.data(), png.size(), image, &error)) << what;
    EXPECT_FALSE(error.empty()) << what;
    EXPECT_EQ(image.width, 0) << what;
    EXPECT_TRUE(image.pixels.empty()) << what;
    return error;
}

Bytes WithIhdrSize(Bytes png, std::uint32_t width, std::uint32_t height)
{
    const std::size_t ihdr = FindChunk(png, "IHDR");
    for (int i = 0; i < 4; ++i) {
        png[ihdr + 8 + i] = static_cast<unsigned char>(width >> (24 - 8 * i));
        png[ihdr + 12 + i] = static_cast<unsigned char>(height >> (24 - 8 * i));
    }
    FixChunkCrc(png, ihdr);
    return png;
}

TEST(DecodePng, ColourBecomesBgrRowsTopFirstPaddedToFourBytes)
{
    glw::DecodedImage image = DecodeOk(RgbPattern());
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.bitsPerPixel, 24);
    ASSERT_EQ(image.stride, 12u);
    ASSERT_EQ(image.pixels.size(), 24u);
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 9),
              (Bytes{0, 0, 255, 0, 255, 0, 255, 0, 0}));
    EXPECT_EQ(Bytes(image.pixels.begin() + 12, image.pixels.begin() + 21),
              (Bytes{30, 20, 10, 60, 50, 40, 90, 80, 70}));

    image = DecodeOk(
        DescribePng(3, 1, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}, PNG_COLOR_TYPE_RGB_ALPHA));
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(image.pixels, (Bytes{3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12}));
}

TEST(DecodePng, PaletteImagesDeliverRawIndicesAtEightBits)
{
    // Colours unlike the indices: applying the palette by mistake would show.
    PngDescription d = DescribePng(3, 2, {{0, 5, 15}, {9, 1, 2}}, PNG_COLOR_TYPE_PALETTE);
    d.palette.assign(16, png_color{200, 100, 50});
    glw::DecodedImage image = DecodeOk(d);
    EXPECT_EQ(image.bitsPerPixel, 8);
    ASSERT_EQ(image.stride, 4u);
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 3), (Bytes{0, 5, 15}));
    EXPECT_EQ(Bytes(image.pixels.begin() + 4, image.pixels.begin() + 7), (Bytes{9, 1, 2}));

    // Four-bit indices, two to a byte in the file, are widened to bytes.
    d.bitDepth = 4;
    d.rows = {{0x05, 0xF0}, {0x91, 0x20}};
    EXPECT_EQ(DecodeOk(d).pixels, image.pixels);
}

TEST(DecodePng, GreyAndTransparentColourAreExpanded)
{
    glw::DecodedImage image = DecodeOk(DescribePng(2, 1, {{7, 250}}, PNG_COLOR_TYPE_GRAY));
    EXPECT_EQ(image.bitsPerPixel, 24);
    EXPECT_EQ(image.pixels, (Bytes{7, 7, 7, 250, 250, 250, 0, 0}));

    image = DecodeOk(DescribePng(2, 1, {{7, 100, 250, 200}}, PNG_COLOR_TYPE_GRAY_ALPHA));
    EXPECT_EQ(image.bitsPerPixel, 32);
    EXPECT_EQ(image.pixels, (Bytes{7, 7, 7, 100, 250, 250, 250, 200}));

    PngDescription keyed = DescribePng(2, 1, {{1, 2, 3, 0, 255, 0}});
    keyed.transparentColour = true;
    keyed.transparent.green = 255;
    EXPECT_EQ(DecodeOk(keyed).pixels, (Bytes{3, 2, 1, 255, 0, 255, 0, 0}));
}

TEST(DecodePng, SixteenBitChannelsAreKept)
{
    const glw::DecodedImage image =
        DecodeOk(DescribePng(3, 1, {Bytes(18, 0x80)}, PNG_COLOR_TYPE_RGB, 16));
    EXPECT_EQ(image.bitsPerPixel, 48);
    EXPECT_EQ(image.stride, 20u);
}

TEST(DecodePng, InterlacedMatchesProgressive)
{
    PngDescription d = DescribePng(9, 7, {});
    for (int y = 0; y < d.height; ++y) {
        Bytes row;
        for (int x = 0; x < d.width; ++x)
            row.insert(row.end(),
                       {static_cast<unsigned char>(x * 20), static_cast<unsigned char>(y * 30),
                        static_cast<unsigned char>(x * y)});
        d.rows.push_back(row);
    }
    const glw::DecodedImage progressive = DecodeOk(d);
    d.interlaced = true;
    EXPECT_EQ(DecodeOk(d).pixels, progressive.pixels);
}

TEST(DecodePng, TruncatedOrDamagedFilesFail)
{
    const Bytes png = EncodePng(RgbPattern());
    ASSERT_GT(png.size(), 50u);
    for (std::size_t length = 0; length < png.size(); ++length)
        ExpectRefused(Bytes(png.begin(), png.begin() + static_cast<long>(length)),
                      "cut after " + std::to_string(length) + " bytes");

    for (const char* type : {"IHDR", "IDAT", "IEND"}) {
        const std::size_t chunk = FindChunk(png, type);
        Bytes badCrc = png;
        badCrc[chunk + 8 + png[chunk + 3]] ^= 0x01;  // all three chunks are short
        ExpectRefused(badCrc, std::string("flipped CRC of ") + type);
    }

    // Damage that the CRC does not give away: a broken zlib header, and a
    // file relabelled as taller than the rows it holds.
    Bytes badDeflate = png;
    const std::size_t idat = FindChunk(png, "IDAT");
    badDeflate[idat + 8] ^= 0xFF;
    FixChunkCrc(badDeflate, idat);
    ExpectRefused(badDeflate, "broken zlib header");
    ExpectRefused(WithIhdrSize(png, 3, 3), "a row missing");

    ExpectRefused(Bytes{}, "empty buffer");
    ExpectRefused(Bytes(200, 0xAB), "garbage");
    ExpectRefused(Bytes(png.begin(), png.begin() + 8), "signature only");
    glw::DecodedImage image;
    EXPECT_FALSE(glw::DecodePng(nullptr, 100, image));
}

TEST(DecodePng, AbsurdDimensionsFail)
{
    const Bytes png = EncodePng(RgbPattern());
    ASSERT_GT(png.size(), 50u);
    ExpectRefused(WithIhdrSize(png, 100000, 100000), "100000 x 100000");
    ExpectRefused(WithIhdrSize(png, glw::kMaxPngSide + 1, 1), "wider than the limit");
    // Refused from the header alone, before the pixel rows are allocated.
    EXPECT_EQ(ExpectRefused(WithIhdrSize(png, glw::kMaxPngSide, glw::kMaxPngSide), "over budget"),
              "the PNG image is too large");
    ExpectRefused(WithIhdrSize(png, 0, 2), "zero width");
}

}  // namespace
