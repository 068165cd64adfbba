#pragma once
// Runs the world reader, a separate program, on a file the user chose. Bullet's
// importer crashes or hangs on damaged files, so it never runs inside Kinetta:
// the reader parses the file under a memory and a time limit and sends back a
// plain description (world_file_description.h) on a pipe.

#include "worlds/world_file_result.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstddef>
#include <string>

inline constexpr const char* kWorldReaderName = "kinetta-world-reader";

// What the reader's exit code says; the reader and the parent share them.
inline constexpr int kReaderExitOk = 0;
inline constexpr int kReaderExitBadFile = 1;     // its one output line says why
inline constexpr int kReaderExitUsage = 2;
inline constexpr int kReaderExitOutOfMemory = 3;
inline constexpr int kReaderExitNoSandbox = 4;   // it read nothing

// A 100 MB world of 188,000 bodies took the reader 1.9 s of CPU and 5 s
// (on a two-core machine at a load of 11), with 461 MB resident at its
// peak: both limits leave it room to double. An open no longer holds the
// window, and Esc cancels it, so a generous time costs the user nothing.
struct WorldReaderLimits {
    std::size_t addressSpaceBytes = std::size_t{1} << 30;
    std::chrono::milliseconds time{30000};
    // A larger file is refused before the reader starts: the reader holds
    // the file and Bullet's copy of most of it, about four times its size
    // at the peak, within addressSpaceBytes.
    std::int64_t maxFileBytes = std::int64_t{256} << 20;
    // The parent stops reading (and stops the reader) beyond this.
    std::size_t maxDescriptionBytes = std::size_t{256} << 20;
};

// The reason a cancelled open gives; a cancel is the user's, no failure to show.
inline constexpr const char* kWorldOpenCancelled = "the open was cancelled";

// Lets another thread follow a running reader and stop it.
struct WorldReaderWatch {
    std::atomic<bool> cancel{false};
    std::atomic<std::int64_t> fileBytes{0};
    // How far the reader has read the file; it decodes only once it has all.
    std::atomic<std::int64_t> bytesRead{0};
    // Its description is in, or it failed: the rest is the parent's.
    std::atomic<bool> readerDone{false};
};

struct WorldReaderOutput {
    WorldFileResult result;
    std::string description;  // when result.ok
};

// Opens the file here, so that its own errors ("No such file or directory")
// come straight from the system, then hands it to the reader as its standard
// input. Never throws; a reader that crashed, hung, ran out of memory or said
// too much gives a Failure that says so, and is killed and reaped. With a
// watch, it reports progress, and a cancel kills and reaps the reader (with
// its group) within a few milliseconds. The time limit counts from the
// reader's start. The reader dies with the thread that started it, so a
// Kinetta that is killed leaves no reader behind.
WorldReaderOutput RunWorldReader(const std::string& readerPath, const std::string& filePath,
                                 const WorldReaderLimits& limits = {},
                                 WorldReaderWatch* watch = nullptr);

// The reader that belongs to the program at programPath: next to it (the
// build tree) or in ../libexec/kinetta/ (an installation). Empty when neither
// exists.
std::string FindWorldReader(const std::string& programPath);

// A size for messages: "1 TB", "3.5 MB", "512 bytes".
std::string ByteSizeText(std::int64_t bytes);

// The path of the running program, for FindWorldReader; empty if unknown.
std::string OwnProgramPath();
