#pragma once
// --picture and --record are for scripts, which often run where no display
// is: there Kinetta runs itself again on a private virtual X server
// (xvfb-run), as the run script does, instead of refusing.

#include <cstdio>

// The environment variable that marks the run on the private server, so that
// a server that cannot be reached never starts another.
inline constexpr const char* kPrivateDisplayMark = "KINETTA_PRIVATE_DISPLAY";

// Replaces the process with Kinetta on a private server. Returns only when
// that cannot be done (already on one, or xvfb-run missing), after saying why
// on err: the exit code to use.
int RerunOnPrivateDisplay(char** argv, std::FILE* err);
