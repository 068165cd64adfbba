#include "tools/assetgen/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <stdexcept>

namespace assetgen {
namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// libpng's error path leaves through longjmp, so this frame holds nothing
// that needs a destructor; the caller owns the output and the row table.
bool Encode(int width, int height, int colourType, std::vector<png_bytep>& rows,
            std::vector<std::uint8_t>& out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, AppendToVector, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_set_compression_mem_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

std::vector<std::uint8_t> EncodeRows(int width, int height, int colourType, int bytesPerPixel,
                                     const std::vector<std::uint8_t>& pixels)
{
    // libpng takes non-const row pointers but only reads through them.
    auto* first = const_cast<std::uint8_t*>(pixels.data());
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(first + static_cast<std::size_t>(y) * width * bytesPerPixel);

    std::vector<std::uint8_t> out;
    if (!Encode(width, height, colourType, rows, out))
        throw std::runtime_error("libpng could not encode the image");
    return out;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Image& image)
{
    return EncodeRows(image.Width(), image.Height(), PNG_COLOR_TYPE_RGB, 3, image.Bytes());
}

std::vector<std::uint8_t> EncodePng(const RgbaCanvas& canvas)
{
    return EncodeRows(canvas.Width(), canvas.Height(), PNG_COLOR_TYPE_RGBA, 4, canvas.Bytes());
}

}  // namespace assetgen
