#pragma once
// What came of opening or saving a world file: the one way the world-file
// code reports failure, from the reader process up to the frame's message box.

#include <string>
#include <utility>

struct WorldFileResult {
    bool ok = false;
    // When !ok: why, in words that complete "Kinetta could not open FILE: ".
    std::string error;
    // When ok: what was left out (multibodies, soft bodies), for the status
    // bar; empty when nothing was.
    std::string note;

    static WorldFileResult Success(std::string note = {}) { return {true, {}, std::move(note)}; }
    static WorldFileResult Failure(std::string error) { return {false, std::move(error), {}}; }
};
