#pragma once
// Builds PNG files in memory with libpng's writer, so tests can feed the
// decoder exactly the pixels, depths and damage they need.

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct PngDescription {
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    // Rows in PNG's own layout (R, G, B order, samples packed, no padding),
    // top row first.
    std::vector<std::vector<unsigned char>> rows;
    std::vector<png_color> palette;
    bool transparentColour = false;  // a tRNS chunk naming the colour below
    png_color_16 transparent{};
};

namespace png_writer_detail {

inline void Append(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

inline void Flush(png_structp) {}

// libpng leaves by longjmp on error; nothing here has a destructor.
inline bool Write(png_structp png, png_infop info, const PngDescription* d, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, d->width, d->height, d->bitDepth, d->colourType,
                 d->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!d->palette.empty())
        png_set_PLTE(png, info, d->palette.data(), static_cast<int>(d->palette.size()));
    if (d->transparentColour)
        png_set_tRNS(png, info, nullptr, 0, &d->transparent);
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

}  // namespace png_writer_detail

// The encoded file; empty if libpng refused the description.
inline std::vector<unsigned char> EncodePng(const PngDescription& d)
{
    std::vector<unsigned char> out;
    std::vector<png_bytep> rows;
    for (const auto& row : d.rows)
        rows.push_back(const_cast<png_bytep>(row.data()));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info) {
        png_set_write_fn(png, &out, &png_writer_detail::Append, &png_writer_detail::Flush);
        ok = png_writer_detail::Write(png, info, &d, rows.data());
    }
    png_destroy_write_struct(&png, &info);
    if (!ok)
        out.clear();
    return out;
}

inline PngDescription DescribePng(int width, int height,
                                  std::vector<std::vector<unsigned char>> rows,
                                  int colourType = PNG_COLOR_TYPE_RGB, int bitDepth = 8)
{
    PngDescription d;
    d.width = width;
    d.height = height;
    d.bitDepth = bitDepth;
    d.colourType = colourType;
    d.rows = std::move(rows);
    return d;
}

// An 8-bit RGB image of one colour.
inline std::vector<unsigned char> SolidRgbPng(int width, int height, unsigned char r,
                                              unsigned char g, unsigned char b)
{
    std::vector<unsigned char> row;
    for (int x = 0; x < width; ++x)
        row.insert(row.end(), {r, g, b});
    return EncodePng(DescribePng(width, height, {static_cast<std::size_t>(height), row}));
}

// Offset of the first chunk of the given type (its length field), or 0.
inline std::size_t FindChunk(const std::vector<unsigned char>& png, const char* type)
{
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const std::uint32_t length =
            (std::uint32_t{png[at]} << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) == 0)
            return at;
        at += 12 + length;
    }
    return 0;
}

// Makes the CRC of the chunk at offset right again after its data was edited.
inline void FixChunkCrc(std::vector<unsigned char>& png, std::size_t chunk)
{
    const std::uint32_t length = (std::uint32_t{png[chunk]} << 24) | (png[chunk + 1] << 16) |
                                 (png[chunk + 2] << 8) | png[chunk + 3];
    const uLong crc = crc32(0, &png[chunk + 4], 4 + length);
    const std::size_t at = chunk + 8 + length;
    png[at] = static_cast<unsigned char>(crc >> 24);
    png[at + 1] = static_cast<unsigned char>(crc >> 16);
    png[at + 2] = static_cast<unsigned char>(crc >> 8);
    png[at + 3] = static_cast<unsigned char>(crc);
}

}  // namespace testing_support
