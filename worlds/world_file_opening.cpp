#include "worlds/world_file_opening.h"

#include "common/kinetta_assert.h"

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
}

void WorldFileOpening::Run()
{
    OpenedWorldFile opened = OpenWorldFile(m_path, m_sceneShapes, m_options, &m_watch);
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

void WorldFileOpening::Cancel()
{
    m_watch.cancel = true;
    if (m_thread.joinable())
        m_thread.join();
    // What was built may use the scene's shapes, which may go next.
    m_opened.world.reset();
    m_opened.result = WorldFileResult::Failure(kWorldOpenCancelled);
}

OpenedWorldFile WorldFileOpening::Take()
{
    KINETTA_ASSERT(Finished() || Cancelled(), "take an opening's outcome once it has finished");
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_opened);
}
