#include "worlds/world_file_reader_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How often a watched reader's progress and the watcher's cancel are looked at.
constexpr std::chrono::milliseconds kWatchedPoll{20};

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }
    int Get() const { return m_fd; }
    void Close()
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// The reader's own words about a bad file: one line, printable, bounded,
// whatever it sent.
std::string ReaderMessage(const std::string& output)
{
    std::string message;
    for (char c : output.substr(0, output.find('\n'))) {
        if (message.size() >= 200) break;
        message += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return message.empty() ? "the file is damaged" : message;
}

// Only calls that are safe between fork and exec: the parent may have threads.
[[noreturn]] void StartReaderInChild(pid_t parent, int fileFd, int outputFd, int nullFd,
                                     const char* readerPath, char* const argv[],
                                     const WorldReaderLimits& limits, rlim_t cpuSeconds)
{
    // Killed with Kinetta. The signal follows the thread that forked, which
    // waits for the reader to end anyway. A parent that died before the
    // setting took hold is seen by the reader's new parent id.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 || ::getppid() != parent)
        ::_exit(127);
    if (::dup2(fileFd, STDIN_FILENO) < 0 || ::dup2(outputFd, STDOUT_FILENO) < 0 ||
        ::dup2(nullFd, STDERR_FILENO) < 0) {
        ::_exit(127);
    }
    rlimit memory{limits.addressSpaceBytes, limits.addressSpaceBytes};
    rlimit cpu{cpuSeconds, cpuSeconds};
    rlimit core{0, 0};  // a crash on a damaged file is expected: no core dump
    ::setrlimit(RLIMIT_AS, &memory);
    ::setrlimit(RLIMIT_CPU, &cpu);
    ::setrlimit(RLIMIT_CORE, &core);
    // A group of its own, so that a time-out takes whatever it started too;
    // nothing of ours it could inherit: privileges, descriptors, the user's
    // environment or working folder.
    if (::setpgid(0, 0) != 0 || ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::chdir("/") != 0 || ::close_range(3, ~0U, 0) != 0) {
        ::_exit(127);
    }
    char* const noEnvironment[] = {nullptr};
    ::execve(readerPath, argv, noEnvironment);
    ::_exit(127);
}

// Waits for the child until the deadline, then kills it; reaps it either way.
// Whatever else runs in its group is killed before the reader is reaped,
// while the group's id cannot yet name anyone else's.
// Returns its wait status and whether it had to be killed.
std::pair<int, bool> ReapReader(pid_t pid, Clock::time_point deadline)
{
    bool killed = false;
    while (true) {
        siginfo_t info{};
        int done = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (done == 0 && info.si_pid == pid) break;
        if (done < 0 && errno != EINTR) break;
        if (Clock::now() >= deadline) {
            killed = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return {status, killed};
}

}  // namespace

WorldReaderOutput RunWorldReader(const std::string& readerPath, const std::string& filePath,
                                 const WorldReaderLimits& limits, WorldReaderWatch* watch)
{
    WorldReaderOutput out;
    // Without blocking: opening a FIFO would wait for a writer, a device
    // could do anything. Only a regular file is read, and then with blocking
    // reads, as the reader expects.
    FileDescriptor file(::open(filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info {};
    if (file.Get() < 0) {
        // A socket cannot be opened at all (ENXIO); say what it is.
        const int error = errno;
        const bool special = ::stat(filePath.c_str(), &info) == 0 && !S_ISREG(info.st_mode) &&
                             !S_ISDIR(info.st_mode);
        out.result =
            WorldFileResult::Failure(special ? "it is not a regular file" : std::strerror(error));
        return out;
    }
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        out.result = WorldFileResult::Failure("it is not a regular file");
        return out;
    }
    if (info.st_size > limits.maxFileBytes) {
        out.result = WorldFileResult::Failure("it is too big: " + ByteSizeText(info.st_size) +
                                              ", and Kinetta opens files of up to " +
                                              ByteSizeText(limits.maxFileBytes));
        return out;
    }
    if (watch != nullptr)
        watch->fileBytes = static_cast<std::int64_t>(info.st_size);
    const int flags = ::fcntl(file.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        out.result = WorldFileResult::Failure(std::strerror(errno));
        return out;
    }
    if (::access(readerPath.c_str(), X_OK) != 0) {
        out.result = WorldFileResult::Failure(std::string("Kinetta's file reader (") +
                                              kWorldReaderName + ") is missing; reinstall Kinetta");
        return out;
    }

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        out.result = WorldFileResult::Failure(std::strerror(errno));
        return out;
    }
    FileDescriptor readEnd(pipeFds[0]);
    FileDescriptor writeEnd(pipeFds[1]);
    FileDescriptor devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));

    // Everything the child needs is made before the fork.
    std::string readerName = kWorldReaderName;
    char* const argv[] = {readerName.data(), nullptr};
    auto seconds = std::chrono::ceil<std::chrono::seconds>(limits.time).count();
    rlim_t cpuSeconds = static_cast<rlim_t>(seconds) + 1;

    Clock::time_point deadline = Clock::now() + limits.time;
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        out.result = WorldFileResult::Failure(std::string("Kinetta's file reader could not start: ") +
                                              std::strerror(errno));
        return out;
    }
    if (pid == 0) {
        StartReaderInChild(parent, file.Get(), writeEnd.Get(), devNull.Get(), readerPath.c_str(),
                           argv, limits, cpuSeconds);
    }
    // Also here: the group must exist before any kill of it, whichever runs first.
    ::setpgid(pid, pid);
    writeEnd.Close();
    // Kept open only when watched: the reader's standard input shares its
    // offset, which says how far the reader has read.
    if (watch == nullptr)
        file.Close();

    bool timedOut = false;
    bool tooLarge = false;
    bool cancelled = false;
    std::string output;
    char buffer[65536];
    while (true) {
        if (watch != nullptr) {
            if (watch->cancel) {
                cancelled = true;
                break;
            }
            const off_t at = ::lseek(file.Get(), 0, SEEK_CUR);
            if (at >= 0)
                watch->bytesRead = static_cast<std::int64_t>(at);
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        // A watcher may cancel at any time: look again after a short while.
        if (watch != nullptr)
            left = std::min(left, kWatchedPoll);
        pollfd waitFor{readEnd.Get(), POLLIN, 0};
        int ready = ::poll(&waitFor, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0 && watch != nullptr) continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        ssize_t got = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (output.size() + static_cast<size_t>(got) > limits.maxDescriptionBytes) {
            tooLarge = true;
            break;
        }
        output.append(buffer, static_cast<size_t>(got));
    }
    // Stopping early: the reader and its group must not outlive this call.
    const bool stoppedEarly = timedOut || tooLarge || cancelled;
    if (stoppedEarly) ::kill(-pid, SIGKILL);
    readEnd.Close();
    auto [status, killed] = ReapReader(pid, stoppedEarly ? Clock::now() : deadline);
    timedOut = timedOut || (killed && !tooLarge && !cancelled);
    if (watch != nullptr)
        watch->readerDone = true;

    if (cancelled) {
        out.result = WorldFileResult::Failure(kWorldOpenCancelled);
    } else if (tooLarge) {
        out.result = WorldFileResult::Failure("the file is damaged: it describes more than Kinetta can hold");
    } else if (timedOut || (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU))) {
        out.result = WorldFileResult::Failure("reading the file took too long");
    } else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) {
        out.result = WorldFileResult::Failure(
            "the file is damaged or hostile: Kinetta's file reader was stopped when it tried "
            "to do more than read the file");
    } else if (WIFSIGNALED(status)) {
        out.result = WorldFileResult::Failure(
            std::string("the file is damaged: Kinetta's file reader stopped on it (") +
            strsignal(WTERMSIG(status)) + ")");
    } else if (WEXITSTATUS(status) == kReaderExitOk) {
        out.result = WorldFileResult::Success();
        out.description = std::move(output);
    } else if (WEXITSTATUS(status) == kReaderExitBadFile) {
        out.result = WorldFileResult::Failure(ReaderMessage(output));
    } else if (WEXITSTATUS(status) == kReaderExitOutOfMemory) {
        out.result = WorldFileResult::Failure(
            "the file is damaged: reading it needs more than " +
            std::to_string(limits.addressSpaceBytes >> 20) + " MB of memory");
    } else if (WEXITSTATUS(status) == kReaderExitNoSandbox) {
        out.result = WorldFileResult::Failure(
            "Kinetta's file reader could not shut itself in (this system offers no system-call "
            "filter), so it did not read the file");
    } else if (WEXITSTATUS(status) == 127) {
        out.result = WorldFileResult::Failure("Kinetta's file reader could not be started");
    } else {
        out.result = WorldFileResult::Failure("the file is damaged: Kinetta's file reader failed (exit code " +
                                              std::to_string(WEXITSTATUS(status)) + ")");
    }
    return out;
}

std::string FindWorldReader(const std::string& programPath)
{
    namespace fs = std::filesystem;
    if (programPath.empty()) return {};
    fs::path folder = fs::path(programPath).parent_path();
    for (const fs::path& candidate :
         {folder / kWorldReaderName, folder / ".." / "libexec" / "kinetta" / kWorldReaderName}) {
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.lexically_normal().string();
    }
    return {};
}

std::string ByteSizeText(std::int64_t bytes)
{
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double size = static_cast<double>(bytes) / 1024;
    size_t unit = 0;
    while (size >= 1024 && unit + 1 < std::size(kUnits)) {
        size /= 1024;
        ++unit;
    }
    char text[32];
    // One decimal only where it says something: "1.5 GB", "256 MB".
    const double tenths = std::round(size * 10) / 10;
    std::snprintf(text, sizeof text, tenths == std::floor(tenths) ? "%.0f %s" : "%.1f %s", tenths,
                  kUnits[unit]);
    return text;
}

std::string OwnProgramPath()
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}
