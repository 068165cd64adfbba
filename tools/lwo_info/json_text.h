#pragma once
// JSON text for the output of kinetta-lwo-info.

#include <string>
#include <string_view>

namespace lwo_info {

// A quoted JSON string. Valid UTF-8 is kept; bytes of a name that is not
// valid UTF-8 are read as Latin-1, which older LightWave files use.
std::string JsonString(std::string_view bytes);

// The shortest text that reads back as the same float; null for NaN and
// infinities, which JSON cannot hold.
std::string JsonNumber(float value);

}  // namespace lwo_info
