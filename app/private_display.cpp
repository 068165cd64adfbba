#include "app/private_display.h"

#include "app/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

int RerunOnPrivateDisplay(char** argv, std::FILE* err)
{
    if (std::getenv(kPrivateDisplayMark) != nullptr) {
        std::fprintf(err, "kinetta: the private virtual display could not be reached\n");
        return kUsageExitCode;
    }
    // The program itself, not argv[0], which a script may have found on PATH
    // or given relative to a folder xvfb-run does not start in.
    std::vector<char> self(4096);
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length <= 0) {
        std::fprintf(err, "kinetta: no display, and Kinetta cannot find its own program\n");
        return kUsageExitCode;
    }
    self[std::size_t(length)] = '\0';
    setenv(kPrivateDisplayMark, "1", 1);
    std::vector<char*> arguments = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                    const_cast<char*>("-s"),
                                    const_cast<char*>("-screen 0 1280x1024x24 -nolisten tcp"),
                                    self.data()};
    for (char** argument = argv + 1; *argument != nullptr; ++argument)
        arguments.push_back(*argument);
    arguments.push_back(nullptr);
    execvp("xvfb-run", arguments.data());
    std::fprintf(err,
                 "kinetta: no display, and no private one either: xvfb-run cannot run (%s); "
                 "install the xvfb package or set DISPLAY\n",
                 std::strerror(errno));
    return kUsageExitCode;
}
