#include "worlds/world_file_opening.h"

#include "common/kinetta_assert.h"
#include "worlds/process_end.h"

#include <utility>

WorldFileOpening::WorldFileOpening(std::string path, SceneShapeLookup sceneShapes,
                                   WorldFileOpenOptions options)
    : m_path(std::move(path)),
      m_sceneShapes(std::move(sceneShapes)),
      m_options(std::move(options)),
      m_thread([this] { Run(); })
{
}

WorldFileOpening::~WorldFileOpening()
{
    Cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void WorldFileOpening::Run()
{
    OpenedWorldFile opened = OpenWorldFile(m_path, m_sceneShapes, m_options, &m_watch);
    if (Cancelled()) {
        // Thrown away here, not on the thread that takes the outcome.
        DropCancelled(opened.world);
        opened.result = WorldFileResult::Failure(kWorldOpenCancelled);
    }
    m_opened = std::move(opened);
    m_finished = true;
}

OpeningProgress WorldFileOpening::Progress() const
{
    if (m_finished)
        return {OpeningPhase::Finished, 100};
    if (m_watch.readerDone)
        return {OpeningPhase::Building, 100};
    const std::int64_t size = m_watch.fileBytes;
    const std::int64_t read = m_watch.bytesRead;
    if (size > 0 && read >= size)
        return {OpeningPhase::Decoding, 100};
    return {OpeningPhase::Reading, size > 0 ? static_cast<int>(read * 100 / size) : 0};
}

OpenedWorldFile WorldFileOpening::Take()
{
    KINETTA_ASSERT(Finished(), "take an opening's outcome once it has finished");
    if (m_thread.joinable())
        m_thread.join();
    if (Cancelled()) {
        // Cancelled after the thread had finished: what it built goes now.
        m_opened.world.reset();
        m_opened.result = WorldFileResult::Failure(kWorldOpenCancelled);
    }
    return std::move(m_opened);
}
