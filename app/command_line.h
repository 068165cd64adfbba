#pragma once
// The few options Kinetta understands. Anything else on the command line is
// ignored, as it always was.

#include <string>

struct CommandLine {
    bool help = false;
    bool version = false;
    bool stats = false;  // print one line of run statistics every second
    int throwCount = 0;  // bodies thrown into the scene at start, for measuring
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

std::string HelpText(const char* programName);
std::string VersionText();
