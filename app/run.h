#pragma once
// Runs the user interface: registers the thread's message loop, creates the
// main frame, shows it and runs the loop until the frame closes.

#include <functional>
#include <memory>

class QWidget;

// Creates the main frame window; null when it could not be created.
using FrameFactory = std::function<std::unique_ptr<QWidget>()>;

// The exit code: whatever ended the loop (1 after the frame closes), or 0
// when the frame could not be created.
int Run(const FrameFactory& createFrame);
