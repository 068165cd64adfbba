// Saving: a failed save says why and leaves the old file as it was.

#include "worlds/world_file_samples.h"
#include "worlds/world_file_scratch.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int EntriesIn(const std::filesystem::path& folder)
{
    return int(std::distance(std::filesystem::directory_iterator(folder), {}));
}

class WorldFileSave : public ::testing::Test {
protected:
    WorldFileSave()
    {
        old = folder.Path("world.bullet");
        std::ofstream(old) << "the old file";
    }

    ScratchFolder folder;
    SampleWorld sample;
    std::string old;
};

TEST_F(WorldFileSave, ReplacesTheOldFileKeepingItsPermissions)
{
    ::chmod(old.c_str(), 0640);
    ASSERT_TRUE(SaveWorldFile(sample.world, old).ok);
    EXPECT_EQ(Contents(old).substr(0, 6), "BULLET");
    struct stat info {};
    ::stat(old.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(EntriesIn(folder.Root()), 1);  // no temporary file left behind
}

TEST_F(WorldFileSave, PathsThatCannotBeWritten)
{
    std::filesystem::create_directory(folder.Path("a folder"));
    WorldFileResult result = SaveWorldFile(sample.world, folder.Path("a folder"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "it is a folder");
    EXPECT_TRUE(std::filesystem::is_directory(folder.Path("a folder")));

    result = SaveWorldFile(sample.world, old + "/inside.bullet");
    EXPECT_EQ(result.error, "part of the path is not a folder");
    EXPECT_EQ(Contents(old), "the old file");

    result = SaveWorldFile(sample.world, folder.Path("missing/world.bullet"));
    EXPECT_EQ(result.error, "the folder does not exist");

    // A pipe (like a device) must stay what it is, not become a saved file.
    const std::string pipe = folder.Path("pipe.bullet");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    result = SaveWorldFile(sample.world, pipe);
    EXPECT_EQ(result.error, "it is not an ordinary file");
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

// Root writes into read-only folders anyway, and the tests run as root in
// CI: there this same test runs again in a process of its own as an
// unprivileged user (setpriv), so that the folder really refuses.
TEST_F(WorldFileSave, ReadOnlyFolderKeepsTheOldFile)
{
    if (::geteuid() == 0) {
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string command =
            "setpriv --reuid=65534 --regid=65534 --clear-groups '" + self +
            "' --gtest_filter=WorldFileSave.ReadOnlyFolderKeepsTheOldFile 2>&1";
        FILE* run = ::popen(command.c_str(), "r");
        ASSERT_NE(run, nullptr);
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, run) != nullptr)
            output += buffer;
        const int status = ::pclose(run);
        EXPECT_EQ(status, 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << output;
        return;
    }
    ::chmod(folder.Root().c_str(), 0555);
    ASSERT_NE(::access(folder.Root().c_str(), W_OK), 0) << "this user writes into read-only folders";
    WorldFileResult result = SaveWorldFile(sample.world, old);
    ::chmod(folder.Root().c_str(), 0755);
    EXPECT_EQ(result.error, "Kinetta may not write in that folder (permission denied)");
    EXPECT_EQ(Contents(old), "the old file");
}

// A write that fails half way (here the process's file size limit; a full
// disk behaves alike) leaves the old file and no temporary one.
TEST_F(WorldFileSave, FailedWriteKeepsTheOldFile)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small{4096, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    WorldFileResult result = SaveWorldFile(sample.world, old);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "the file would be larger than the system allows");
    EXPECT_EQ(Contents(old), "the old file");
    EXPECT_EQ(EntriesIn(folder.Root()), 1);
}

}  // namespace

// Names as long as the file system allows, a link to nothing, a file with
// set-ID bits, and what killed saves left behind.
TEST_F(WorldFileSave, LongNamesDanglingLinksSetIdBitsAndStaleTemporaryFiles)
{
    namespace fs = std::filesystem;
    std::string longName = folder.Path(std::string(249 - 7, 'w') + ".bullet");
    ASSERT_EQ(fs::path(longName).filename().string().size(), 249u);
    EXPECT_TRUE(SaveWorldFile(sample.world, longName).ok);
    EXPECT_EQ(Contents(longName).substr(0, 6), "BULLET");

    std::string link = folder.Path("link.bullet");
    fs::create_symlink(folder.Path("nowhere/world.bullet"), link);
    WorldFileResult result = SaveWorldFile(sample.world, link);
    EXPECT_EQ(result.error, "it is a link to a file that does not exist");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(folder.Path("nowhere")));

    ::chmod(old.c_str(), 06750);
    std::string stale = folder.Path(".kinetta-saving-0123abcd");
    // Left a moment ago by a save that was killed: nobody holds its lock.
    std::string fresh = folder.Path(".kinetta-saving-4567cdef");
    // Being written by another Kinetta, which holds its lock, even if old.
    std::string held = folder.Path(".kinetta-saving-89abcdef");
    std::string notOurs = folder.Path(".kinetta-saving-mine");
    // Named as earlier versions named them: removed only when unfinished saves.
    std::string earlierStale = folder.Path("old.bullet.saving-123456");
    std::string earlierEmpty = folder.Path("old.bullet.saving-7");
    std::string usersOwn = folder.Path("notes.saving-2024");
    std::string tooManyDigits = folder.Path("old.bullet.saving-1234567");
    for (const std::string& path : {stale, fresh, held, notOurs, usersOwn})
        std::ofstream(path) << "left over";
    const int writer = ::open(held.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    std::ofstream(earlierStale) << "BULLET-v324 half written";
    std::ofstream(earlierEmpty).close();
    std::ofstream(tooManyDigits).close();
    const auto twoHoursAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    for (const std::string& path :
         {stale, held, notOurs, earlierStale, earlierEmpty, usersOwn, tooManyDigits}) {
        fs::last_write_time(path, twoHoursAgo);
    }
    ASSERT_TRUE(SaveWorldFile(sample.world, old).ok);
    struct stat info {};
    ::stat(old.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0750u);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(notOurs));
    EXPECT_FALSE(fs::exists(earlierStale));
    EXPECT_FALSE(fs::exists(earlierEmpty));
    EXPECT_TRUE(fs::exists(usersOwn));
    EXPECT_TRUE(fs::exists(tooManyDigits));
    // Its writer done, the next save takes it.
    ::close(writer);
    ASSERT_TRUE(SaveWorldFile(sample.world, old).ok);
    EXPECT_FALSE(fs::exists(held));
}
