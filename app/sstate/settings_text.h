#pragma once
// The settings file's text: INI sections of "name=value" lines, in the form
// earlier versions of Kinetta wrote through Qt's INI writer, so that files in
// either direction stay readable.
//
// Only the forms this program writes are decoded: a byte array as
// @ByteArray(...) with C-style escapes, optionally in double quotes, and an
// unsigned 32-bit integer in decimal. Any other value (Qt's @Variant, @Rect,
// lists, plain text) is never interpreted: it is kept as its text and written
// back as it was, and reads as absent. Nothing in the file is ever handed to
// a decoder of any other type.
//
// Group "General" is written as section [%General], as Qt does, because a
// plain [General] section holds the keys outside any group. Sub-keys are
// joined with '\', and names %-escaped where needed, as Qt writes them.

#include "app/sstate/settings_tree.h"

#include <string>
#include <string_view>

namespace sstate {

// Lines that are not a section header or "name=value" are skipped.
SettingsKey ParseSettingsText(std::string_view text);

// Keys that hold no values are left out; names with characters the format
// reserves are %-escaped. Reading the text gives back the same tree.
std::string WriteSettingsText(const SettingsKey& root);

}  // namespace sstate
