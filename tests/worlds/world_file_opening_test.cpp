// The threaded open's cancel: it returns at once, and the thread sees it and
// ends with a cancellation long before a reader that never finishes would
// have been timed out.
#include "worlds/world_file_opening.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class WorldFileOpeningCancel : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "kinetta-opening-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        std::ofstream(m_folder / "world.bullet") << std::string(4096, 'x');
        // A reader that takes the file in, then hangs until it is killed.
        const fs::path reader = m_folder / "stuck-reader";
        std::ofstream(reader) << "#!/bin/sh\ncat > /dev/null\nexec sleep 600\n";
        fs::permissions(reader, fs::perms::owner_all);
        m_options.readerPath = reader.string();
    }
    void TearDown() override
    {
        if (!m_folder.empty())
            fs::remove_all(m_folder);
    }

    fs::path m_folder;
    WorldFileOpenOptions m_options;
};

TEST_F(WorldFileOpeningCancel, ReturnsAtOnceAndTheThreadEndsWithACancellation)
{
    WorldFileOpening opening((m_folder / "world.bullet").string(), {}, m_options);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_FALSE(opening.Finished()) << "the stuck reader should still be running";
    const auto asked = Clock::now();
    opening.Cancel();
    EXPECT_TRUE(opening.Cancelled());
    // Bounded far below the reader's time limit, which is what a lost
    // cancel would wait for.
    while (!opening.Finished() && Clock::now() - asked < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(opening.Finished()) << "the cancel went unseen";
    const OpenedWorldFile outcome = opening.Take();
    EXPECT_FALSE(outcome.result.ok);
    EXPECT_EQ(outcome.result.error, kWorldOpenCancelled);
    EXPECT_EQ(outcome.world, nullptr);
}

}  // namespace
