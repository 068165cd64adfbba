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
    // When ok: what was read otherwise than it was written, and how ("1
    // rotation of length 0 read as no rotation"). Nothing is lost by it, so
    // unlike the note it gives no reason to keep the file from a Save.
    std::string mended;

    // Both, for the status bar.
    std::string StatusNote() const
    {
        return note.empty() ? mended : mended.empty() ? note : note + "; " + mended;
    }

    static WorldFileResult Success(std::string note = {}, std::string mended = {})
    {
        return {true, {}, std::move(note), std::move(mended)};
    }
    static WorldFileResult Failure(std::string error) { return {false, std::move(error), {}, {}}; }
};
