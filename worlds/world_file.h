#pragma once
// Opening a .bullet file into Kinetta and saving the world into one: the
// calls the scene makes. Opening runs the reader process, parses and checks
// its description, and only then builds Bullet objects; a file that fails any
// step touches nothing.

#include "worlds/world_file_builder.h"
#include "worlds/world_file_reader_process.h"
#include "worlds/world_file_result.h"
#include "worlds/world_file_writer.h"

#include <memory>
#include <string>

struct WorldFileOpenOptions {
    // Empty: the reader that belongs to this program (FindWorldReader).
    std::string readerPath;
    WorldReaderLimits limits;
};

struct OpenedWorldFile {
    // On success, result.note lists what the file held that Kinetta left out.
    WorldFileResult result;
    std::unique_ptr<LoadedWorld> world;  // null unless result.ok
};

// With a watch, as RunWorldReader's; a cancel also stops between the later
// steps, with kWorldOpenCancelled as the reason.
OpenedWorldFile OpenWorldFile(const std::string& path, const SceneShapeLookup& sceneShapes = {},
                              const WorldFileOpenOptions& options = {},
                              WorldReaderWatch* watch = nullptr);
