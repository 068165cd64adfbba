// Fills the option and key tables of the manual page and the AppStream
// metadata from the tables that make "kinetta --help".
//
//   kinetta-doc-tables man|metainfo TEMPLATE OUTPUT
//
// A template line holding only a marker (".\" kinetta:options" in roff,
// "<!-- kinetta:keys -->" in XML) becomes the table.

#include "app/command_line.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// Text on a roff line: a leading dot or quote would start a request.
std::string RoffText(std::string_view text)
{
    std::string out;
    if (!text.empty() && (text.front() == '.' || text.front() == '\''))
        out = "\\&";
    for (const char c : text)
        out += c == '\\' ? std::string("\\e") : std::string(1, c);
    return out;
}

// Option names are typed by the user: real minus signs, not hyphens.
std::string RoffOptionName(std::string_view name)
{
    std::string out;
    for (const char c : name)
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    return out;
}

std::string XmlText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string ManOptions()
{
    std::string out;
    for (const OptionDoc& option : OptionDocs()) {
        out += ".TP\n";
        if (option.shortName)
            out += ".BR " + RoffOptionName(option.shortName) + " \", \" " +
                   RoffOptionName(option.longName);
        else if (option.argument)
            out += ".BI " + RoffOptionName(option.longName) + " \" " + option.argument + "\"";
        else
            out += ".B " + RoffOptionName(option.longName);
        // -h with an argument does not occur; the table would need a third form.
        out += "\n" + RoffText(option.text) + "\n";
    }
    return out;
}

std::string ManKeys()
{
    std::string out;
    for (const KeyDoc& key : KeyDocs())
        out += ".TP\n.B " + RoffText(key.keys) + "\n" + RoffText(key.text) + "\n";
    return out;
}

std::string MetainfoKeys(const std::string& indent)
{
    std::string out = indent + "<ul>\n";
    for (const KeyDoc& key : KeyDocs())
        out += indent + "  <li>" + XmlText(key.keys) + ": " + XmlText(key.text) + "</li>\n";
    return out + indent + "</ul>\n";
}

std::string Trimmed(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    const std::size_t last = line.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : line.substr(first, last - first + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 ||
        (std::string_view(argv[1]) != "man" && std::string_view(argv[1]) != "metainfo")) {
        std::cerr << "usage: kinetta-doc-tables man|metainfo TEMPLATE OUTPUT\n";
        return 2;
    }
    const bool man = std::string_view(argv[1]) == "man";
    std::ifstream in(argv[2]);
    if (!in) {
        std::cerr << "kinetta-doc-tables: cannot read " << argv[2] << "\n";
        return 1;
    }

    std::ostringstream out;
    int markers = 0;
    for (std::string line; std::getline(in, line);) {
        const std::string marker = Trimmed(line);
        const std::string indent = line.substr(0, line.find_first_not_of(" \t"));
        if (man && marker == ".\\\" kinetta:options")
            out << ManOptions(), ++markers;
        else if (man && marker == ".\\\" kinetta:keys")
            out << ManKeys(), ++markers;
        else if (!man && marker == "<!-- kinetta:keys -->")
            out << MetainfoKeys(indent), ++markers;
        else
            out << line << "\n";
    }
    // A template that lost its markers would silently drop the tables.
    if (markers != (man ? 2 : 1)) {
        std::cerr << "kinetta-doc-tables: " << argv[2] << " has " << markers
                  << " table markers, expected " << (man ? 2 : 1) << "\n";
        return 1;
    }
    std::ofstream file(argv[3], std::ios::binary);
    file << out.str();
    if (!file.flush()) {
        std::cerr << "kinetta-doc-tables: cannot write " << argv[3] << "\n";
        return 1;
    }
    return 0;
}
