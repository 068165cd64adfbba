// kinetta-world-reader: reads a .bullet file from its standard input and
// writes a plain description of the world to its standard output. Kinetta runs
// it under a memory and a time limit; see worlds/world_file_reader_process.h.
// It reads nothing before it is in its sandbox (reader_sandbox.h).

#include "worlds/world_file_reader_process.h"
#include "tools/world_reader/bullet_file_description.h"
#include "tools/world_reader/reader_sandbox.h"

#include <LinearMath/btAlignedAllocator.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace {

// The description's own copy of the output; standard output itself goes to
// /dev/null because Bullet's importer prints progress and complaints there.
int g_output = -1;

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

[[noreturn]] void OutOfMemory()
{
    ::_exit(kReaderExitOutOfMemory);
}

// Bullet does not check its allocations: under the memory limit a failed one
// would be a crash at some later write. Stop cleanly instead.
void* AllocateOrStop(size_t size)
{
    void* memory = std::malloc(size);
    if (memory == nullptr && size != 0) OutOfMemory();
    return memory;
}

[[noreturn]] void Fail(const std::string& message)
{
    std::string line = message + "\n";
    WriteAll(g_output, line.data(), line.size());
    ::_exit(kReaderExitBadFile);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 1) {
        const char usage[] = "usage: kinetta-world-reader < FILE.bullet > DESCRIPTION\n";
        WriteAll(STDERR_FILENO, usage, sizeof usage - 1);
        return kReaderExitUsage;
    }
    g_output = ::dup(STDOUT_FILENO);
    int null = ::open("/dev/null", O_WRONLY);
    if (g_output < 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0) return kReaderExitUsage;
    std::set_new_handler(OutOfMemory);
    btAlignedAllocSetCustom(AllocateOrStop, std::free);
    // A buffer of our own: glibc would ask fstat for one on the first printf.
    static char chatter[4096];
    std::setvbuf(stdout, chatter, _IOFBF, sizeof chatter);
    if (!EnterReaderSandbox(g_output).filtered) {
        const char message[] = "Kinetta's file reader could not shut itself in, so it read nothing\n";
        WriteAll(g_output, message, sizeof message - 1);
        return kReaderExitNoSandbox;
    }

    std::vector<char> contents;
    char buffer[65536];
    while (true) {
        ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Fail(std::string("the file cannot be read: ") + std::strerror(errno));
        if (got == 0) break;
        contents.insert(contents.end(), buffer, buffer + got);
    }
    if (contents.empty()) Fail("the file is empty");

    std::string error;
    std::optional<WorldDescription> description = DescribeBulletFile(contents, &error);
    if (!description) Fail(error);
    std::string text = FormatWorldDescription(*description);
    if (!WriteAll(g_output, text.data(), text.size())) return kReaderExitUsage;
    // Quick exit: tearing down Bullet's objects gains nothing here.
    ::_exit(kReaderExitOk);
}
