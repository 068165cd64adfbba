#include "app/command_line.h"

#include <cstdlib>
#include <cstring>

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr)
            continue;
        if (std::strcmp(arg, "--") == 0)
            break;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)
            result.help = true;
        else if (std::strcmp(arg, "--version") == 0)
            result.version = true;
        else if (std::strcmp(arg, "--stats") == 0)
            result.stats = true;
        else if (std::strcmp(arg, "--throw") == 0 && i + 1 < argc && argv[i + 1] != nullptr) {
            const long count = std::strtol(argv[++i], nullptr, 10);
            result.throwCount = count < 0 ? 0 : count > 100000 ? 100000 : static_cast<int>(count);
        }
    }
    return result;
}

std::string HelpText(const char* programName)
{
    std::string name = programName && *programName ? programName : "kinetta";
    return "Usage: " + name +
           " [OPTION]...\n"
           "A rigid-body physics playground: a tower of cylinders to knock down.\n"
           "\n"
           "      --stats     print a line of run statistics to standard output every\n"
           "                  second: ticks, frames painted, bodies, mean step and\n"
           "                  render time in milliseconds\n"
           "      --throw N   throw N balls and dice into the scene at start (for\n"
           "                  measuring the frame rate with a busy scene)\n"
           "  -h, --help      display this help and exit\n"
           "      --version   output version information and exit\n"
           "\n"
           "Keys: W A S D walk, arrow keys turn and tilt, Page Up/Page Down raise and\n"
           "lower the eye, Z/X C/V B/N move the light, Space throws a ball, T throws a\n"
           "die, Enter runs or pauses the simulation, Esc stops and resets it.\n"
           "\n"
           "Kinetta needs a display: set DISPLAY, or run it under xvfb-run.\n";
}

std::string VersionText()
{
    return "kinetta 1.0.0.1\n"
           "Physics by the Bullet library; drawing by OpenGL.\n";
}
