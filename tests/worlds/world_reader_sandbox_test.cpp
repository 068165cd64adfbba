// The reader's sandbox seen from outside: what a taken-over reader may not do,
// what it inherits, how it looks while it runs, and the files Kinetta refuses
// to hand it at all.

#include "worlds/world_file_scratch.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

const char kStopped[] = "the file is damaged or hostile: Kinetta's file reader was stopped when it "
                        "tried to do more than read the file";

std::string OpenWithProbe(const ScratchFolder& folder, const std::string& act)
{
    std::string file = folder.Path(act + ".bullet");
    std::ofstream(file) << act << "\n";
    WorldFileOpenOptions options;
    options.readerPath = KINETTA_SANDBOX_PROBE_PATH;
    OpenedWorldFile opened = OpenWorldFile(file, {}, options);
    EXPECT_EQ(opened.world, nullptr) << act;
    return opened.result.error;
}

std::string ProcField(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return line.substr(line.find_first_not_of(" \t", field.size() + 1));
    }
    return {};
}

}  // namespace

TEST(WorldReaderSandbox, ForbiddenActsKillTheReaderAndNothingIsInherited)
{
    ScratchFolder folder;
    // A descriptor of the program's that a careless start would hand down.
    int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);
    for (const char* act : {"open", "socket", "execve", "fork", "mprotect-exec", "mmap-exec"}) {
        EXPECT_EQ(OpenWithProbe(folder, act), kStopped) << act;
    }
    // The same probe doing nothing forbidden lives, so the kills above are the filter's.
    std::string survived = OpenWithProbe(folder, "nothing");
    ::close(leaked);
    EXPECT_EQ(survived.substr(0, survived.find(" isolated=")),
              "survived nothing: env=0 cwd=/ fds=3 own-group=yes no-new-privs=1");
    // Namespaces depend on the kernel's settings; the filter above does not.
    std::cout << "namespaces: " << survived.substr(survived.find("isolated=")) << "\n";
}

TEST(WorldReaderSandbox, RunningReaderShowsItsFilter)
{
    int input[2];
    ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(input[0], STDIN_FILENO);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::execl(KINETTA_WORLD_READER_PATH, "kinetta-world-reader", nullptr);
        ::_exit(127);
    }
    ::close(input[0]);
    // The reader waits for its input inside the sandbox.
    std::string seccomp;
    for (auto end = std::chrono::steady_clock::now() + 20s;
         seccomp != "2" && std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(5ms);
        seccomp = ProcField(pid, "Seccomp");
    }
    std::string noNewPrivs = ProcField(pid, "NoNewPrivs");
    ::close(input[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(seccomp, "2");
    EXPECT_EQ(noNewPrivs, "1");
    // An empty input is a bad file, said in words, not a kill.
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kReaderExitBadFile) << status;
}

TEST(WorldReaderSandbox, FifoDeviceAndSocketAreRefusedAtOnce)
{
    ScratchFolder folder;
    std::string fifo = folder.Path("fifo.bullet");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string socketPath = folder.Path("socket.bullet");
    int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);

    WorldFileOpenOptions options = ReaderOptions();
    options.limits.time = 60s;  // a file that reached the reader would not come back soon
    for (const std::string& path : {fifo, std::string("/dev/zero"), socketPath}) {
        auto opening = std::async(std::launch::async, [&] { return OpenWorldFile(path, {}, options); });
        if (opening.wait_for(30s) != std::future_status::ready) {
            ADD_FAILURE() << path << " hangs";
            // Lets a blocked open of the FIFO return, so that the test ends.
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
            continue;
        }
        OpenedWorldFile opened = opening.get();
        EXPECT_FALSE(opened.result.ok) << path;
        EXPECT_EQ(opened.world, nullptr) << path;
        // A socket cannot even be opened, but is named for what it is.
        EXPECT_EQ(opened.result.error, "it is not a regular file") << path;
    }
    ::close(listener);
}

TEST(WorldReaderSandbox, TimeOutTakesWhatTheReaderStarted)
{
    ScratchFolder folder;
    std::string childFile = folder.Path("child");
    std::string reader = folder.Path("starts-a-child");
    std::ofstream(reader) << "#!/bin/sh\n/bin/sleep 60 &\necho $! > " << childFile
                          << "\nexec /bin/sleep 60\n";
    ::chmod(reader.c_str(), 0755);
    std::string file = folder.Path("any.bullet");
    std::ofstream(file) << "x";
    WorldFileOpenOptions options;
    options.readerPath = reader;
    options.limits.time = 1500ms;
    EXPECT_EQ(OpenWorldFile(file, {}, options).result.error, "reading the file took too long");

    pid_t child = 0;
    std::ifstream(childFile) >> child;
    ASSERT_GT(child, 0) << "the reader did not start its child in time";
    // Killed at once; whoever adopted it reaps it soon after.
    std::string state = "?";
    for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;) {
        state = ProcField(child, "State");
        if (state.empty() || state[0] == 'Z') break;
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(state.empty() || state[0] == 'Z') << "the reader's child lives on: " << state;
}
