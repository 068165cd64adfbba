#pragma once
// The options Kinetta understands, parsed as GNU tools parse theirs: an
// unknown option, a second file or a bad option value is a usage error.
//
// The option and key tables are the one source of both --help and the
// manual page, so the two cannot tell different stories.

#include <cstdio>
#include <optional>
#include <span>
#include <string>

struct CommandLine {
    bool help = false;
    bool version = false;
    bool stats = false;  // print one line of run statistics every second
    int throwCount = 0;  // bodies thrown into the scene at start, for measuring
    // A world file to open at start; none for the start scene. An empty name
    // is a name that cannot be opened, not the absence of one.
    std::optional<std::string> file;
    // Without a window: one picture after `at` simulated seconds, or a video
    // of `seconds` simulated seconds, at width x height.
    std::optional<std::string> picture;
    std::optional<std::string> record;
    double seconds = 0.0;
    double at = 0.0;
    int width = 1024;
    int height = 768;
    std::string error;  // the first usage error; empty when the line is good
};

constexpr int kMaxThrowCount = 100000;
// An hour of simulated time: 216,000 steps, far more than a script needs.
constexpr double kMaxScriptSeconds = 3600.0;

// Exit status for a usage error or an unusable display, as GNU tools use it.
constexpr int kUsageExitCode = 2;

struct OptionDoc {
    const char* shortName;  // "-h", or nullptr
    const char* longName;   // "--help"
    const char* argument;   // "N", or nullptr for a switch
    const char* text;       // what it does: one sentence, no line breaks
};

struct KeyDoc {
    const char* keys;  // "W, S"
    const char* text;  // "walk forward, backward"
};

std::span<const OptionDoc> OptionDocs();
std::span<const KeyDoc> KeyDocs();

CommandLine ParseCommandLine(int argc, const char* const* argv);

std::string HelpText(const char* programName);
std::string VersionText();
// The two lines a usage error ends with ("Usage: ..." and "Try ...").
std::string UsageHint(const char* programName);

// Prints help, version or a usage error. Returns the exit status when the
// program has nothing more to do, nothing when it should go on and run.
std::optional<int> AnswerInformationalOptions(const CommandLine& options, std::FILE* out,
                                              std::FILE* err);
