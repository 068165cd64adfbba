#pragma once
// Qt aborts when it cannot reach a display; Kinetta checks first and says so.

#include <string>

// Empty when a display can be reached, else a one-line reason.
std::string FindDisplayProblem();
