#pragma once
// Opening a world file on a thread of its own, so that the thread that
// started it (the window's) stays free to draw and step while the reader
// runs: the reader process, the description's parsing, its checks and the
// building of the Bullet objects all happen there. It builds a world of its
// own, with its own fixed body for constraints to the world, and reads none
// of Bullet's shared objects: the window's thread steps the live world
// meanwhile. The caller hands the built world to the document once Finished().
//
// The thread reads the scene's shapes through the lookup (only to compare
// and share them): whoever owns those shapes destroys this object first.

#include "worlds/world_file.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

enum class OpeningPhase {
    Reading,   // the reader takes the file in; the percentage says how far
    Decoding,  // the reader decodes it and sends its description
    Building,  // the description is checked and the world built
    Finished,
};

struct OpeningProgress {
    OpeningPhase phase = OpeningPhase::Reading;
    int percent = 0;  // of the file read, while Reading
};

class WorldFileOpening {
public:
    // Starts at once.
    WorldFileOpening(std::string path, SceneShapeLookup sceneShapes,
                     WorldFileOpenOptions options = {});
    // Cancels whatever is left and waits for the thread: at most until it
    // next looks at the cancel, and for what it built to go.
    ~WorldFileOpening();
    WorldFileOpening(const WorldFileOpening&) = delete;
    WorldFileOpening& operator=(const WorldFileOpening&) = delete;

    const std::string& Path() const { return m_path; }
    OpeningProgress Progress() const;
    bool Finished() const { return m_finished.load(); }

    // Marks the open cancelled and returns at once. The thread sees it soon:
    // the reader is killed with its whole process group and reaped, the
    // checks and the building stop within a few thousand records, and what
    // was built goes on the thread; Finished() then, with a cancellation.
    void Cancel() { m_watch.cancel = true; }
    bool Cancelled() const { return m_watch.cancel.load(); }

    // Once Finished(): the outcome, taken (the world moves out). Cancelled:
    // a failure that says so, no world.
    OpenedWorldFile Take();

private:
    void Run();

    const std::string m_path;
    const SceneShapeLookup m_sceneShapes;
    const WorldFileOpenOptions m_options;
    std::atomic<bool> m_finished{false};
    WorldReaderWatch m_watch;  // carries the cancel to the reader too
    OpenedWorldFile m_opened;  // written by the thread until m_finished
    // Last: it starts after everything it uses is in place.
    std::thread m_thread;
};
