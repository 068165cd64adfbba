#include "worlds/world_file.h"

#include "worlds/world_file_checks.h"
#include "worlds/world_file_description.h"
#include "worlds/world_file_mending.h"
#include "worlds/process_end.h"

namespace {

// Cancelled as the program ends, the parsed description goes with the
// process, as the half-built world does (worlds/process_end.h): a moved-from
// description is cheap to free.
struct LeftIfEnding {
    std::optional<WorldDescription>& description;
    ~LeftIfEnding()
    {
        if (description && CancelledWorkLeftToProcessEnd())
            new WorldDescription(std::move(*description));  // never freed, by design
    }
};

}  // namespace

OpenedWorldFile OpenWorldFile(const std::string& path, const SceneShapeLookup& sceneShapes,
                              const WorldFileOpenOptions& options, WorldReaderWatch* watch)
{
    const auto cancelled = [watch] { return watch != nullptr && watch->cancel; };
    OpenedWorldFile opened;
    std::string reader = options.readerPath.empty() ? FindWorldReader(OwnProgramPath())
                                                    : options.readerPath;
    if (reader.empty()) {
        opened.result = WorldFileResult::Failure(std::string("Kinetta's file reader (") +
                                                 kWorldReaderName + ") is missing; reinstall Kinetta");
        return opened;
    }
    WorldReaderOutput output = RunWorldReader(reader, path, options.limits, watch);
    if (!output.result.ok || cancelled()) {
        opened.result = output.result.ok ? WorldFileResult::Failure(kWorldOpenCancelled)
                                         : output.result;
        return opened;
    }
    const std::atomic<bool>* cancel = watch != nullptr ? &watch->cancel : nullptr;
    std::string error;
    std::optional<WorldDescription> description =
        ParseWorldDescription(output.description, &error, cancel);
    output.description = std::string();  // the text can be large: gone before the world is built
    const LeftIfEnding leftIfEnding{description};
    if (cancelled()) {
        opened.result = WorldFileResult::Failure(kWorldOpenCancelled);
        return opened;
    }
    if (!description) {
        opened.result = WorldFileResult::Failure("the file is damaged: " + error);
        return opened;
    }
    std::string mended = MendReadRotations(*description);
    if (const WorldFileResult checked = CheckWorldDescription(*description, cancel); !checked.ok) {
        if (cancelled()) {
            opened.result = WorldFileResult::Failure(kWorldOpenCancelled);
            return opened;
        }
        opened.result = WorldFileResult::Failure("the file is damaged: " + checked.error);
        return opened;
    }
    if (cancelled()) {
        opened.result = WorldFileResult::Failure(kWorldOpenCancelled);
        return opened;
    }
    opened.world = BuildCheckedWorld(*description, sceneShapes, cancel);
    if (opened.world == nullptr || cancelled()) {
        // What was built goes here, on the opening's own thread.
        DropCancelled(opened.world);
        opened.result = WorldFileResult::Failure(kWorldOpenCancelled);
        return opened;
    }
    std::string note;
    for (const std::string& skipped : description->skipped) {
        note += note.empty() ? "left out " : ", ";
        note += skipped;
    }
    opened.result = WorldFileResult::Success(note, mended);
    return opened;
}
