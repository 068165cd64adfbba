#include "app/sstate/settings_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace sstate {

namespace {

constexpr std::string_view kByteArrayOpen = "@ByteArray(";
constexpr std::string_view kGeneralGroup = "General";
// The section name of group "General"; a plain [General] is the top level.
constexpr std::string_view kGeneralSection = "%General";
// Kinetta's keys are three deep. Deeper ones are damage, and the tree is
// walked recursively, so they are skipped.
constexpr std::size_t kMaxDepth = 16;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsHexDigit(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) - 'a' + 10;
}

// %XX escapes in a name; a '%' not followed by two hex digits is itself.
std::string UnescapedName(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '%' && i + 2 < name.size() && IsHexDigit(static_cast<unsigned char>(name[i + 1])) &&
            IsHexDigit(static_cast<unsigned char>(name[i + 2]))) {
            out.push_back(static_cast<char>(HexValue(static_cast<unsigned char>(name[i + 1])) * 16 +
                                            HexValue(static_cast<unsigned char>(name[i + 2]))));
            i += 2;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

// Qt writes a key's groups joined with '\'; '/' is read the same way.
std::vector<std::string> SplitPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\') {
            if (i > start)
                parts.push_back(UnescapedName(path.substr(start, i - start)));
            start = i + 1;
        }
    }
    return parts;
}

// Undoes the escapes of Qt's INI writer. Empty when the text holds anything
// that writer never produces: a raw control or non-ASCII character, an
// unknown escape, an escaped value above 0xFF, or a character that would have
// needed quotes.
std::optional<std::string> Unescaped(std::string_view s, bool quoted)
{
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c >= 0x7f)
            return std::nullopt;
        if (c != '\\') {
            if (c == '"' || (!quoted && (c == ';' || c == ',' || c == '=')))
                return std::nullopt;
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        if (++i == s.size())
            return std::nullopt;
        const auto e = static_cast<unsigned char>(s[i++]);
        // Numeric escapes take every digit that follows, as Qt's reader does;
        // that is why its writer escapes a digit after one.
        if (e == 'x' || (e >= '0' && e <= '7')) {
            const bool hex = e == 'x';
            unsigned value = hex ? 0 : e - '0';
            std::size_t digits = hex ? 0 : 1;
            while (i < s.size() && (hex ? IsHexDigit(static_cast<unsigned char>(s[i]))
                                        : (s[i] >= '0' && s[i] <= '7'))) {
                value = value * (hex ? 16 : 8) + static_cast<unsigned>(HexValue(
                                                     static_cast<unsigned char>(s[i])));
                if (value > 0xFF)
                    return std::nullopt;
                ++digits;
                ++i;
            }
            if (digits == 0)
                return std::nullopt;
            out.push_back(static_cast<char>(value));
            continue;
        }
        static constexpr std::string_view kFrom = "abfnrtv\"\\'?";
        static constexpr std::string_view kTo = "\a\b\f\n\r\t\v\"\\'?";
        const std::size_t at = kFrom.find(static_cast<char>(e));
        if (at == std::string_view::npos)
            return std::nullopt;
        out.push_back(kTo[at]);
    }
    return out;
}

SettingsValue DecodeValue(std::string_view raw)
{
    SettingsValue value;
    if (!raw.empty() && raw.size() <= 10 &&
        std::all_of(raw.begin(), raw.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        std::uint64_t number = 0;
        for (char c : raw)
            number = number * 10 + static_cast<unsigned>(c - '0');
        if (number <= 0xFFFFFFFFu) {
            const std::uint8_t bytes[4] = {
                static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
            return SettingsValue::FromBytes(bytes);
        }
    }

    const bool quoted = raw.size() >= 2 && raw.front() == '"' && raw.back() == '"';
    const std::optional<std::string> text =
        Unescaped(quoted ? raw.substr(1, raw.size() - 2) : raw, quoted);
    if (text && text->size() > kByteArrayOpen.size() && text->starts_with(kByteArrayOpen) &&
        text->back() == ')') {
        value.kind = SettingsValue::Kind::Binary;
        value.bytes.assign(text->begin() + static_cast<std::ptrdiff_t>(kByteArrayOpen.size()),
                           text->end() - 1);
        return value;
    }
    value.kind = SettingsValue::Kind::Verbatim;
    value.text = raw;
    return value;
}

void Hex(std::string& out, unsigned char c)
{
    char digits[8];
    std::snprintf(digits, sizeof digits, "\\x%x", c);
    out += digits;
}

// As Qt's INI writer escapes: C escapes for the usual controls, \xHH for the
// rest, and a hex digit after a numeric escape escaped too.
std::string Escaped(std::string_view bytes)
{
    std::string out;
    bool escapeNextHexDigit = false;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (escapeNextHexDigit && IsHexDigit(c)) {
            Hex(out, c);
            continue;
        }
        escapeNextHexDigit = false;
        switch (c) {
            case 0: out += "\\0"; escapeNextHexDigit = true; break;
            case '\a': out += "\\a"; break;
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\v': out += "\\v"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (c < 0x20 || c >= 0x7f) {
                    Hex(out, c);
                    escapeNextHexDigit = true;
                } else {
                    out.push_back(ch);
                }
        }
    }
    return out;
}

std::string EncodeValue(const SettingsValue& value)
{
    switch (value.kind) {
        case SettingsValue::Kind::Dword:
            if (value.bytes.size() == 4) {
                const std::uint32_t number =
                    std::uint32_t{value.bytes[0]} | std::uint32_t{value.bytes[1]} << 8 |
                    std::uint32_t{value.bytes[2]} << 16 | std::uint32_t{value.bytes[3]} << 24;
                return std::to_string(number);
            }
            [[fallthrough]];
        case SettingsValue::Kind::Binary: {
            std::string body(kByteArrayOpen);
            body += Escaped(std::string_view(reinterpret_cast<const char*>(value.bytes.data()),
                                             value.bytes.size()));
            body += ')';
            if (body.find_first_of(";,=") != std::string::npos)
                return '"' + body + '"';
            return body;
        }
        case SettingsValue::Kind::String: {
            // Qt's form of a string; this program never reads one back.
            std::string body = Escaped(value.text);
            if (!body.empty() && body.front() == '@')
                body.insert(body.begin(), '@');
            if (body.find_first_of(";,=") != std::string::npos || body.empty() ||
                IsSpace(body.front()) || IsSpace(body.back()))
                return '"' + body + '"';
            return body;
        }
        case SettingsValue::Kind::Verbatim:
            return value.text;
    }
    return {};
}

// A key name that reads back as itself: the characters the format reserves,
// '%' and spaces (which reading trims) as %XX, as Qt writes them.
std::string EscapedName(std::string_view name)
{
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7f ||
            std::string_view("%=/\\[];#\",").find(ch) != std::string_view::npos) {
            char digits[4];
            std::snprintf(digits, sizeof digits, "%%%02X", c);
            out += digits;
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

void CollectValues(const SettingsKey& key, const std::string& prefix,
                   std::vector<std::pair<std::string, const SettingsValue*>>& out)
{
    for (const auto& [name, value] : key.values)
        out.emplace_back(prefix + EscapedName(name), &value);
    for (const auto& [name, child] : key.keys) {
        if (child)
            CollectValues(*child, prefix + EscapedName(name) + '\\', out);
    }
}

void WriteSection(std::string& out, const std::string& header, const SettingsKey& key,
                  bool withSubKeys)
{
    std::vector<std::pair<std::string, const SettingsValue*>> entries;
    if (withSubKeys) {
        CollectValues(key, {}, entries);
    } else {
        for (const auto& [name, value] : key.values)
            entries.emplace_back(EscapedName(name), &value);
    }
    if (entries.empty())
        return;
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    if (!out.empty())
        out += '\n';
    out += '[' + header + "]\n";
    for (const auto& [name, value] : entries)
        out += name + '=' + EncodeValue(*value) + '\n';
}

}  // namespace

SettingsKey ParseSettingsText(std::string_view text)
{
    SettingsKey root;
    std::vector<std::string> section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line =
            Trimmed(text.substr(0, end == std::string_view::npos ? text.size() : end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                continue;
            const std::string_view name = Trimmed(line.substr(1, line.size() - 2));
            if (name == kGeneralGroup || name.empty())
                section.clear();
            else if (name == kGeneralSection)
                section = {std::string(kGeneralGroup)};
            else
                section = SplitPath(name);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::vector<std::string> path = section;
        for (std::string& part : SplitPath(Trimmed(line.substr(0, equals))))
            path.push_back(std::move(part));
        if (path.size() == section.size() || path.size() > kMaxDepth)
            continue;
        SettingsKey* key = &root;
        for (std::size_t i = 0; i + 1 < path.size(); ++i)
            key = &key->Child(path[i]);
        key->values[path.back()] = DecodeValue(Trimmed(line.substr(equals + 1)));
    }
    return root;
}

std::string WriteSettingsText(const SettingsKey& root)
{
    std::string out;
    WriteSection(out, std::string(kGeneralGroup), root, false);
    std::vector<std::pair<std::string, const SettingsKey*>> sections;
    for (const auto& [name, key] : root.keys) {
        if (key)
            sections.emplace_back(name == kGeneralGroup ? std::string(kGeneralSection) : EscapedName(name),
                                  key.get());
    }
    std::sort(sections.begin(), sections.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [header, key] : sections)
        WriteSection(out, header, *key, true);
    return out;
}

}  // namespace sstate
