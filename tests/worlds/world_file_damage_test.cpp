// Opening files that are damaged, and readers that misbehave: every case ends
// in an error that says what happened, with nothing built and no crash here.

#include "worlds/world_file_samples.h"
#include "worlds/world_file_scratch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>

namespace {

std::vector<char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

// An error a user can act on: it says the file is bad, not that Kinetta is.
bool SaysTheFileIsBad(const std::string& error)
{
    return StartsWith(error, "the file is damaged: ") || error == "this is not a Bullet file" ||
           error == "reading the file took too long";
}

class WorldFileDamage : public ::testing::Test {
protected:
    void SetUp() override
    {
        SampleWorld sample;
        std::string path = folder.Path("good.bullet");
        ASSERT_TRUE(SaveWorldFile(sample.world, path).ok);
        good = ReadBytes(path);
        options = ReaderOptions();
        // A hang costs this much; enough for the sample on a busy machine.
        options.limits.time = std::chrono::milliseconds(3000);
    }

    OpenedWorldFile Open(const std::vector<char>& bytes)
    {
        std::string path = folder.Path("damaged.bullet");
        WriteBytes(path, bytes);
        return OpenWorldFile(path, {}, options);
    }

    std::string Reader(const std::string& name, const std::string& script)
    {
        std::string path = folder.Path(name);
        std::ofstream(path) << "#!/bin/sh\n" << script << "\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }

    ScratchFolder folder;
    std::vector<char> good;
    WorldFileOpenOptions options;
};

TEST_F(WorldFileDamage, TruncatedZeroedAndFlippedFiles)
{
    int refused = 0, opened = 0;
    auto judge = [&](const std::vector<char>& bytes, const std::string& what) {
        OpenedWorldFile result = Open(bytes);
        if (result.result.ok) {
            ASSERT_NE(result.world, nullptr) << what;
            ++opened;
        } else {
            EXPECT_TRUE(SaysTheFileIsBad(result.result.error)) << what << ": " << result.result.error;
            EXPECT_EQ(result.world, nullptr) << what;
            ++refused;
        }
    };
    // A file cut short loses records or the type information at its end.
    // (Only the last 8 bytes, an end marker, can go without loss.)
    for (size_t length : {size_t(12), size_t(100), good.size() / 3, good.size() / 2, good.size() - 300}) {
        judge(std::vector<char>(good.begin(), good.begin() + long(length)), "cut at " + std::to_string(length));
        EXPECT_EQ(opened, 0) << "a file cut at " << length << " bytes opened";
    }
    for (size_t at = 12; at < good.size(); at += good.size() / 24) {
        std::vector<char> zeroed = good;
        std::fill_n(zeroed.begin() + long(at), std::min<size_t>(64, good.size() - at), 0);
        judge(zeroed, "zeroed at " + std::to_string(at));
    }
    std::mt19937 random(20261207);
    for (int i = 0; i < 60; ++i) {
        std::vector<char> flipped = good;
        for (int bit = 0; bit < 1 + i % 4; ++bit) {
            flipped[random() % flipped.size()] ^= char(1 << (random() % 8));
        }
        judge(flipped, "flip " + std::to_string(i));
    }
    EXPECT_GT(refused, 5);
    std::cout << refused << " damaged files refused, " << opened << " opened\n";
}

TEST_F(WorldFileDamage, FilesThatAreNotWorlds)
{
    EXPECT_EQ(Open({}).result.error, "the file is empty");
    std::string text = "hello, this is plain text and not a world at all\n";
    EXPECT_EQ(Open({text.begin(), text.end()}).result.error, "this is not a Bullet file");
    EXPECT_EQ(OpenWorldFile(folder.Path("absent.bullet"), {}, options).result.error,
              "No such file or directory");
    EXPECT_EQ(OpenWorldFile(folder.Root().string(), {}, options).result.error, "it is not a regular file");

    // A file larger than the reader could hold is refused by its size before
    // the reader starts: a sparse terabyte, and one byte over the limit.
    const std::string huge = folder.Path("huge.bullet");
    WriteBytes(huge, good);
    std::filesystem::resize_file(huge, std::uintmax_t{1} << 40);
    EXPECT_EQ(OpenWorldFile(huge, {}, options).result.error,
              "it is too big: 1 TB, and Kinetta opens files of up to 256 MB");
    WorldFileOpenOptions small = options;
    small.limits.maxFileBytes = std::int64_t(good.size()) - 1;
    EXPECT_EQ(OpenWorldFile(folder.Path("good.bullet"), {}, small).result.error,
              "it is too big: " + ByteSizeText(std::int64_t(good.size())) +
                  ", and Kinetta opens files of up to " + ByteSizeText(small.limits.maxFileBytes));
    small.limits.maxFileBytes = std::int64_t(good.size());
    EXPECT_TRUE(OpenWorldFile(folder.Path("good.bullet"), {}, small).result.ok);
    EXPECT_EQ(ByteSizeText(1), "1 byte");
    EXPECT_EQ(ByteSizeText(1536), "1.5 KB");
    EXPECT_EQ(ByteSizeText(std::int64_t{3} << 30), "3 GB");
}

// A Kinetta killed while it opens a file takes its reader with it: here a
// reader that would sleep for a minute, started by a child process that is
// then killed.
TEST_F(WorldFileDamage, ReaderDiesWithKinetta)
{
    const std::string pidFile = folder.Path("reader.pid");
    const std::string reader = Reader("waits", "echo $$ > " + pidFile + ".part && mv " + pidFile +
                                                   ".part " + pidFile + "\nexec sleep 60");
    const pid_t kinetta = ::fork();
    ASSERT_GE(kinetta, 0);
    if (kinetta == 0) {
        WorldFileOpenOptions o = options;
        o.readerPath = reader;
        o.limits.time = std::chrono::seconds(60);
        OpenWorldFile(folder.Path("good.bullet"), {}, o);
        ::_exit(0);
    }
    const auto start = std::chrono::steady_clock::now();
    pid_t readerPid = 0;
    while (readerPid == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        std::ifstream(pidFile) >> readerPid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(kinetta, SIGKILL);
    ::waitpid(kinetta, nullptr, 0);
    ASSERT_GT(readerPid, 0) << "the reader never started";
    // Gone, or a zombie its new parent has yet to reap.
    auto running = [readerPid] {
        std::ifstream stat("/proc/" + std::to_string(readerPid) + "/stat");
        std::string pid, name, state;
        return stat >> pid >> name >> state && state != "Z";
    };
    const auto killed = std::chrono::steady_clock::now();
    while (running() && std::chrono::steady_clock::now() - killed < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(running()) << "the reader outlived Kinetta";
    if (running())
        ::kill(readerPid, SIGKILL);
}

// Fake readers stand in for a reader that a file drove into a hang, a flood
// of output, a crash or nonsense.
TEST_F(WorldFileDamage, MisbehavingReadersAreStopped)
{
    std::string file = folder.Path("good.bullet");
    auto openWith = [&](const std::string& reader) {
        WorldFileOpenOptions o = options;
        o.readerPath = reader;
        o.limits.time = std::chrono::milliseconds(400);
        o.limits.maxDescriptionBytes = 1 << 20;
        auto start = std::chrono::steady_clock::now();
        OpenedWorldFile opened = OpenWorldFile(file, {}, o);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << reader;
        EXPECT_EQ(opened.world, nullptr) << reader;
        return opened.result.error;
    };
    EXPECT_EQ(openWith(Reader("sleeps", "exec sleep 30")), "reading the file took too long");
    EXPECT_EQ(openWith(Reader("closes-and-sleeps", "exec >&-\nexec sleep 30")),
              "reading the file took too long");
    EXPECT_EQ(openWith(Reader("floods", "exec yes kinetta")),
              "the file is damaged: it describes more than Kinetta can hold");
    EXPECT_EQ(openWith(Reader("crashes", "kill -SEGV $$")),
              "the file is damaged: Kinetta's file reader stopped on it (Segmentation fault)");
    EXPECT_EQ(openWith(Reader("babbles", "echo hello")),
              "the file is damaged: its reader's answer is garbled");
    EXPECT_EQ(
        openWith(Reader("lies", "printf 'kinetta-world-description 5\\ngravity 0 nan 0\\nend\\n'")),
        "the file is damaged: gravity: gravity is not a finite number");
    EXPECT_EQ(openWith(folder.Path("no-such-reader")),
              "Kinetta's file reader (kinetta-world-reader) is missing; reinstall Kinetta");
}

// The real reader under a memory limit too small for the file: a good file
// padded (sparsely) to 200 MB.
TEST_F(WorldFileDamage, ReaderOutOfMemoryIsAnError)
{
    std::string path = folder.Path("huge.bullet");
    WriteBytes(path, good);
    std::filesystem::resize_file(path, std::uintmax_t{200} << 20);
    WorldFileOpenOptions tight = options;
    tight.limits.addressSpaceBytes = std::size_t{48} << 20;
    OpenedWorldFile opened = OpenWorldFile(path, {}, tight);
    EXPECT_EQ(opened.result.error, "the file is damaged: reading it needs more than 48 MB of memory");
}

TEST_F(WorldFileDamage, ReaderIsFoundBesideTheProgramOrInLibexec)
{
    std::filesystem::create_directories(folder.Root() / "bin");
    std::filesystem::create_directories(folder.Root() / "libexec" / "kinetta");
    std::string program = folder.Path("bin/kinetta");
    EXPECT_EQ(FindWorldReader(program), "");
    std::string installed = Reader("libexec/kinetta/kinetta-world-reader", "exit 0");
    EXPECT_EQ(FindWorldReader(program), installed);
    std::string beside = Reader("bin/kinetta-world-reader", "exit 0");
    EXPECT_EQ(FindWorldReader(program), beside);
}

}  // namespace
