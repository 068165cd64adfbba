#include "glw/png_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace glw {
namespace {

// Everything libpng's callbacks touch. libpng leaves a failing call by
// longjmp, so this is plain data and the functions that call setjmp below
// own no object with a destructor.
struct DecodeState {
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
    char message[160];
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    auto* state = static_cast<DecodeState*>(png_get_io_ptr(png));
    if (count > state->size - state->position)
        png_error(png, "the PNG data ends early");
    std::memcpy(out, state->data + state->position, count);
    state->position += count;
}

[[noreturn]] void StoreErrorAndLeave(png_structp png, png_const_charp message)
{
    auto* state = static_cast<DecodeState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

// Recoverable oddities (unknown ancillary chunks and the like) are not
// reported: the program logs nothing.
void IgnoreWarning(png_structp, png_const_charp) {}

class ReadStructs {
public:
    explicit ReadStructs(DecodeState* state)
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, &StoreErrorAndLeave,
                                       &IgnoreWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
        if (m_info)
            png_set_read_fn(m_png, state, &ReadFromMemory);
    }
    ~ReadStructs() { png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr); }
    ReadStructs(const ReadStructs&) = delete;
    ReadStructs& operator=(const ReadStructs&) = delete;

    bool Ok() const { return m_info != nullptr; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

struct HeaderInfo {
    png_uint_32 width;
    png_uint_32 height;
    int bitsPerPixel;
    png_size_t rowBytes;
};

void RequestOutputLayout(png_structp png, png_infop info)
{
    const int colourType = png_get_color_type(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        // Indexed images are uploaded as grey levels of their indices, so
        // the palette stays unapplied; only sub-byte indices are widened.
        if (png_get_bit_depth(png, info) < 8)
            png_set_packing(png);
    } else {
        if (colourType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS))
            png_set_tRNS_to_alpha(png);
        // 8 bits per pixel mean palette indices, so grey goes up as colour.
        if ((colourType & PNG_COLOR_MASK_COLOR) == 0)
            png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    png_set_interlace_handling(png);
}

// Returns false when libpng reported an error (the message is in the state).
bool ReadHeader(png_structp png, png_infop info, HeaderInfo* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_read_info(png, info);
    RequestOutputLayout(png, info);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->bitsPerPixel = png_get_channels(png, info) * png_get_bit_depth(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Reads to the end of the file, so a file cut short anywhere fails.
bool ReadRows(png_structp png, png_infop info, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

int Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return 0;
}

}  // namespace

std::size_t PaddedStride(int width, int bitsPerPixel)
{
    if (width <= 0 || bitsPerPixel <= 0)
        return 0;
    const std::size_t bits =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel);
    return (bits + 31) / 32 * 4;
}

int DecodePng(const unsigned char* data, std::size_t size, DecodedImage& image, std::string* error)
{
    image = DecodedImage{};
    constexpr std::size_t kSignatureSize = 8;
    if (data == nullptr || size < kSignatureSize || png_sig_cmp(data, 0, kSignatureSize) != 0)
        return Fail(error, "not a PNG file");

    DecodeState state{data, size, 0, {}};
    ReadStructs structs(&state);
    if (!structs.Ok())
        return Fail(error, "out of memory for the PNG reader");

    HeaderInfo header{};
    if (!ReadHeader(structs.Png(), structs.Info(), &header))
        return Fail(error, state.message);

    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.height);
    const std::size_t stride = PaddedStride(width, header.bitsPerPixel);
    if (header.bitsPerPixel % 8 != 0 || header.rowBytes > stride)
        return Fail(error, "unexpected PNG row layout");
    if (stride * static_cast<std::size_t>(height) > kMaxPngPixelBytes)
        return Fail(error, "the PNG image is too large");

    DecodedImage decoded;
    std::vector<png_bytep> rows;
    try {
        decoded.pixels.resize(stride * static_cast<std::size_t>(height));
        rows.resize(static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return Fail(error, "out of memory for the PNG pixels");
    }
    for (int y = 0; y < height; ++y)
        rows[static_cast<std::size_t>(y)] =
            decoded.pixels.data() + stride * static_cast<std::size_t>(y);

    if (!ReadRows(structs.Png(), structs.Info(), rows.data()))
        return Fail(error, state.message);

    decoded.width = width;
    decoded.height = height;
    decoded.bitsPerPixel = header.bitsPerPixel;
    decoded.stride = stride;
    image = std::move(decoded);
    return 1;
}

}  // namespace glw
