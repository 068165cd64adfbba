#include "app/command_line.h"

#include "media/picture.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#ifndef KINETTA_VERSION
#error "KINETTA_VERSION must come from the build"
#endif

namespace {

constexpr OptionDoc kOptions[] = {
    {nullptr, "--stats", nullptr,
     "print a line of run statistics to standard output every second: ticks, frames painted, "
     "bodies, mean step and render time in milliseconds, the simulated second shown and the "
     "seconds of history kept"},
    {nullptr, "--throw", "N",
     "put N balls and dice (0 to 100000) around the tower at start, for measuring the frame rate "
     "with a busy scene"},
    {nullptr, "--picture", "FILE",
     "write a PNG picture of the view to FILE without opening the window, after running the "
     "world for the time --at gives, and exit"},
    {nullptr, "--at", "SECONDS", "simulated seconds to run before --picture draws (default 0)"},
    {nullptr, "--record", "FILE",
     "record a video of the view to FILE (H.264 in MP4; VP9 in WebM when FILE ends in .webm or "
     "no H.264 encoder is installed) without opening the window, and exit; needs --seconds"},
    {nullptr, "--seconds", "N",
     "simulated seconds --record records, 60 frames to the second (more than 0, up to 3600)"},
    {nullptr, "--size", "WxH",
     "the size of --picture and --record in pixels, each side 1 to 8192 (default 1024x768)"},
    {"-h", "--help", nullptr, "display this help and exit"},
    {nullptr, "--version", nullptr, "output version information and exit"},
};

constexpr KeyDoc kKeys[] = {
    {"W, S", "walk forward, backward"},
    {"A, D", "step left, right"},
    {"Left, Right", "turn"},
    {"Up, Down", "look up, down"},
    {"Page Up, Page Down", "raise, lower the eye"},
    {"Z/X, C/V, B/N", "move the light along x, y, z"},
    {"Space", "throw a ball (while running)"},
    {"T", "throw a die (while running)"},
    {"Enter", "run or pause the simulation"},
    {"Esc", "stop: every start body back in place, thrown bodies gone; while a file "
            "opens, cancel the open"},
    {"F8", "one step of the simulation; pauses it first"},
    {", .", "while paused, the kept step before, after the one shown; Enter or F8 runs on "
            "from it"},
    {"Shift+, Shift+.", "while paused, a simulated second back, forward"},
    {"Home, End", "while paused, the first, last kept moment (the last 20 simulated seconds)"},
    {"Ctrl+N", "back to the start scene"},
    {"Ctrl+O", "open a Bullet world file in place of the current world"},
    {"Ctrl+S", "save the world as a Bullet file"},
    {"Ctrl+P", "print the view's picture"},
    {"Ctrl+click", "add a body to the selection, or take it out; Shift+drag selects by band"},
    {"Ctrl+A", "select every body that can move"},
    {"Ctrl+D", "a copy of the selection beside it"},
    {"Alt+I", "the Insert menu: new bodies, and joints between the selected ones"},
    {"F10", "open the menus at File; Esc twice leaves them"},
};

constexpr std::size_t kHelpWidth = 79;

std::string Quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

// The count must be all digits: strtol's silent 0 for "abc" and its
// acceptance of "12abc" hid typing mistakes.
bool ParseThrowCount(std::string_view text, int& count)
{
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > kMaxThrowCount)
        return false;
    count = value;
    return true;
}

// A decimal number of seconds, digits only, from 0 to kMaxScriptSeconds.
bool ParseSeconds(std::string_view text, double& seconds)
{
    double value = 0.0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value,
                                               std::chars_format::fixed);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() ||
        !(value >= 0.0) || value > kMaxScriptSeconds)
        return false;
    seconds = value;
    return true;
}

bool ParseSide(std::string_view text, int& side)
{
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kMaxPictureSide)
        return false;
    side = value;
    return true;
}

// "1024x768".
bool ParseSize(std::string_view text, int& width, int& height)
{
    const std::size_t x = text.find('x');
    return x != std::string_view::npos && ParseSide(text.substr(0, x), width) &&
           ParseSide(text.substr(x + 1), height);
}

// The rules between options, once the line is read.
std::string CheckScriptOptions(const CommandLine& line, bool sizeGiven, bool atGiven,
                               bool secondsGiven)
{
    if (line.picture && line.record)
        return "options '--picture' and '--record' cannot be given together";
    if (line.record && !secondsGiven)
        return "option '--record' needs '--seconds'";
    if (line.record && line.seconds <= 0.0)
        return "option '--seconds' must be more than 0";
    if (secondsGiven && !line.record)
        return "option '--seconds' goes with '--record'";
    if (atGiven && !line.picture)
        return "option '--at' goes with '--picture'";
    if (sizeGiven && !line.picture && !line.record)
        return "option '--size' goes with '--picture' or '--record'";
    if ((line.picture && line.picture->empty()) || (line.record && line.record->empty()))
        return "an empty file name cannot be written";
    return {};
}

// "  -h, --help" or "      --throw N": GNU's layout, long options aligned.
std::string OptionLabel(const OptionDoc& option)
{
    std::string label = option.shortName ? std::string("  ") + option.shortName + ", " : "      ";
    label += option.longName;
    if (option.argument)
        label += std::string(" ") + option.argument;
    return label;
}

// Appends a two-column table: labels padded to one width, text wrapped
// beneath itself.
template <typename Row, typename LabelOf>
void AppendTable(std::string& out, std::span<const Row> rows, LabelOf labelOf)
{
    std::size_t column = 18;
    for (const Row& row : rows)
        column = std::max(column, labelOf(row).size() + 2);
    for (const Row& row : rows) {
        std::string line = labelOf(row);
        line.resize(column, ' ');
        std::string_view words = row.text;
        bool lineHasWord = false;
        while (!words.empty()) {
            const std::size_t space = words.find(' ');
            const std::string_view word = words.substr(0, space);
            if (lineHasWord && line.size() + 1 + word.size() > kHelpWidth) {
                out += line + "\n";
                line.assign(column, ' ');
                lineHasWord = false;
            }
            if (lineHasWord)
                line += ' ';
            line += word;
            lineHasWord = true;
            words = space == std::string_view::npos ? std::string_view() : words.substr(space + 1);
        }
        out += line + "\n";
    }
}

}  // namespace

std::span<const OptionDoc> OptionDocs()
{
    return kOptions;
}

std::span<const KeyDoc> KeyDocs()
{
    return kKeys;
}

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CommandLine result;
    bool optionsEnded = false;
    bool sizeGiven = false;
    bool atGiven = false;
    bool secondsGiven = false;
    for (int i = 1; i < argc && result.error.empty(); ++i) {
        if (argv[i] == nullptr)
            continue;
        const std::string_view arg = argv[i];
        // After "--" even "--help" is a file's name; "-" alone is one too.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (result.file) {
                result.error = "extra operand " + Quoted(arg);
                break;
            }
            result.file = std::string(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg.substr(0, 2) != "--") {
            // Bundled short options, as getopt reads them; -h is the only one.
            for (const char letter : arg.substr(1)) {
                if (letter != 'h') {
                    result.error = "invalid option -- " + Quoted(std::string_view(&letter, 1));
                    break;
                }
                result.help = true;
            }
            continue;
        }

        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const bool attached = equals != std::string_view::npos;
        const bool takesValue = name == "--throw" || name == "--picture" || name == "--record" ||
                                name == "--seconds" || name == "--size" || name == "--at";
        std::string_view value;
        if (takesValue) {
            if (attached)
                value = arg.substr(equals + 1);
            else if (i + 1 < argc && argv[i + 1] != nullptr)
                value = argv[++i];
            else {
                result.error = "option " + Quoted(name) + " requires an argument";
                break;
            }
        }
        if (name == "--picture" || name == "--record") {
            (name == "--picture" ? result.picture : result.record) = std::string(value);
            continue;
        }
        if (name == "--seconds" || name == "--at") {
            secondsGiven = secondsGiven || name == "--seconds";
            atGiven = atGiven || name == "--at";
            if (!ParseSeconds(value, name == "--at" ? result.at : result.seconds))
                result.error = "invalid number of seconds: " + Quoted(value) +
                               " (expected a decimal number from 0 to " +
                               std::to_string(int(kMaxScriptSeconds)) + ")";
            continue;
        }
        if (name == "--size") {
            sizeGiven = true;
            if (!ParseSize(value, result.width, result.height))
                result.error = "invalid size: " + Quoted(value) + " (expected WIDTHxHEIGHT, each 1 to " +
                               std::to_string(kMaxPictureSide) + ")";
            continue;
        }
        if (name == "--throw") {
            if (!ParseThrowCount(value, result.throwCount))
                result.error = "invalid number of bodies to throw: " + Quoted(value) +
                               " (expected a whole number from 0 to " +
                               std::to_string(kMaxThrowCount) + ")";
            continue;
        }
        bool* flag = name == "--help"      ? &result.help
                     : name == "--version" ? &result.version
                     : name == "--stats"   ? &result.stats
                                           : nullptr;
        if (flag == nullptr)
            result.error = "unrecognized option " + Quoted(name);
        else if (attached)
            result.error = "option " + Quoted(name) + " doesn't allow an argument";
        else
            *flag = true;
    }
    if (result.error.empty())
        result.error = CheckScriptOptions(result, sizeGiven, atGiven, secondsGiven);
    return result;
}

std::string HelpText(const char* programName)
{
    const std::string name = programName && *programName ? programName : "kinetta";
    std::string text =
        "Usage: " + name +
        " [OPTION]... [FILE]\n"
        "A rigid-body physics playground: a tower of cylinders to knock down.\n"
        "With FILE, open the world saved in that Bullet file (.bullet) once the window\n"
        "shows the start scene; a file that cannot be opened is reported in the window.\n"
        "\n"
        "Options:\n";
    AppendTable(text, OptionDocs(), OptionLabel);
    text += "\nKeys:\n";
    AppendTable(text, KeyDocs(), [](const KeyDoc& key) { return "  " + std::string(key.keys); });
    text +=
        "\n"
        "Kinetta needs a display: set WAYLAND_DISPLAY or DISPLAY, or run it under\n"
        "xvfb-run. --picture and --record open no window but draw with a display's\n"
        "OpenGL; without one they start a private one through xvfb-run themselves.\n"
        "Exit status: 1 when the window is closed, 2 for a usage error or no usable\n"
        "display, 0 after --help or --version or when the window cannot be created.\n"
        "--picture and --record exit with 0 once their file is written, 1 when it\n"
        "could not be.\n";
    return text;
}

std::string VersionText()
{
    return "kinetta " KINETTA_VERSION
           "\n"
           "Physics by the Bullet library; drawing by OpenGL.\n"
           "Copyright (C) 2026 Kinetta developers. MIT licence.\n";
}

std::string UsageHint(const char* programName)
{
    const std::string name = programName && *programName ? programName : "kinetta";
    return "Usage: " + name + " [OPTION]... [FILE]\nTry '" + name +
           " --help' for more information.\n";
}

std::optional<int> AnswerInformationalOptions(const CommandLine& options, std::FILE* out,
                                              std::FILE* err)
{
    if (!options.error.empty()) {
        std::fprintf(err, "kinetta: %s\n%s", options.error.c_str(), UsageHint("kinetta").c_str());
        return kUsageExitCode;
    }
    if (options.help) {
        std::fputs(HelpText("kinetta").c_str(), out);
        return 0;
    }
    if (options.version) {
        std::fputs(VersionText().c_str(), out);
        return 0;
    }
    return std::nullopt;
}
