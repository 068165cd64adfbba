#pragma once
// --picture and --record: the world built, stepped and drawn without a
// window, in an off-screen surface of the display's OpenGL, for scripts.

#include "app/command_line.h"

#include <cstdio>

// Needs the application object. Returns the exit status: 0 once the file is
// written, 1 when it could not be (the reason goes to err).
int RunScript(const CommandLine& options, std::FILE* err);
