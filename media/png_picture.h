#pragma once
// Writes a picture as a PNG file through libpng, with text chunks that say
// where it came from. The file appears whole or not at all: it is written
// beside its final name and renamed once complete, so a full disk or a
// failing write leaves any older file of that name untouched.

#include "media/picture.h"

#include <string>
#include <utility>
#include <vector>

struct PngText {
    std::string key;    // Latin-1 letters, 1 to 79 characters ("Title")
    std::string value;  // UTF-8
};

struct PngWriteResult {
    bool ok = false;
    std::string error;  // for the user: what failed and why
};

PngWriteResult WritePngFile(const std::string& path, const RgbaPicture& picture,
                            const std::vector<PngText>& texts = {});

// The text chunks of a PNG file, in file order; for checking what was written.
std::vector<PngText> ReadPngTexts(const std::string& path);
