#include "media/png_picture.h"

#include "common/kinetta_assert.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string SystemError(int error)
{
    return std::strerror(error);
}

// libpng reports through longjmp; the message is kept for the user.
void OnPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Only plain objects live across the setjmp: no destructor is skipped by
// the jump out of libpng.
bool Encode(std::FILE* file, const RgbaPicture& picture, std::vector<png_text>& texts,
            std::string& error)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, &OnPngError, &OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // The speed of level 3 matters for an 8192 x 8192 picture; the files
    // are a few per cent larger than at zlib's default.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!texts.empty())
        png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
    png_write_info(png, info);
    // A framebuffer's alpha says nothing about the picture: dropped.
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < picture.height; ++y)
        png_write_row(png, const_cast<png_bytep>(picture.Row(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

mode_t CurrentUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

}  // namespace

PngWriteResult WritePngFile(const std::string& path, const RgbaPicture& picture,
                            const std::vector<PngText>& texts)
{
    KINETTA_ASSERT(picture.pixels.size() ==
                       static_cast<std::size_t>(picture.width) * picture.height * 4,
                   "fill RgbaPicture::pixels with width * height * 4 bytes");
    PngWriteResult result;
    if (picture.Empty()) {
        result.error = "the picture has no pixels";
        return result;
    }
    for (const PngText& text : texts)
        KINETTA_ASSERT(!text.key.empty() && text.key.size() < 80,
                       "give PNG text keys of 1 to 79 characters");

    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        result.error = "cannot write in that folder: " + SystemError(errno);
        return result;
    }
    // mkstemp makes the file private; a picture gets the usual permissions.
    fchmod(descriptor, 0666 & ~CurrentUmask());
    File file(fdopen(descriptor, "wb"));
    if (!file) {
        result.error = SystemError(errno);
        close(descriptor);
        unlink(temporary.c_str());
        return result;
    }

    std::vector<png_text> chunks;
    for (const PngText& text : texts) {
        png_text chunk{};
        // tEXt where the value is ASCII, as most viewers show only those;
        // iTXt for the rest (file names in UTF-8), which tEXt cannot hold.
        bool ascii = true;
        for (const unsigned char c : text.value)
            ascii = ascii && c < 0x80;
        chunk.compression = ascii ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
        chunk.key = const_cast<char*>(text.key.c_str());
        chunk.text = const_cast<char*>(text.value.c_str());
        chunk.itxt_length = text.value.size();
        chunks.push_back(chunk);
    }
    std::string pngError;
    const bool encoded = Encode(file.get(), picture, chunks, pngError);
    const bool flushed = encoded && std::fflush(file.get()) == 0 && fsync(fileno(file.get())) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    if (!encoded || !flushed || !closed) {
        unlink(temporary.c_str());
        result.error = !encoded && !pngError.empty() && writeError == 0
                           ? pngError
                           : SystemError(writeError != 0 ? writeError : EIO);
        return result;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        result.error = SystemError(errno);
        unlink(temporary.c_str());
        return result;
    }
    result.ok = true;
    return result;
}

std::vector<PngText> ReadPngTexts(const std::string& path)
{
    std::vector<PngText> texts;
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return texts;
    std::string error;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, &OnPngError, &OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return texts;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    png_textp chunks = nullptr;
    int count = 0;
    png_get_text(png, info, &chunks, &count);
    for (int i = 0; i < count; ++i)
        texts.push_back({chunks[i].key, chunks[i].text ? chunks[i].text : ""});
    png_destroy_read_struct(&png, &info, nullptr);
    return texts;
}
