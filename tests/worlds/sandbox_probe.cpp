// Stands in for a world reader that a hostile file has taken over: it says
// what it inherited, shuts itself in exactly as the real reader does, reads
// the name of a forbidden act from its input and tries it. Surviving is
// reported as a bad file whose message starts with "survived".

#include "tools/world_reader/reader_sandbox.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <string>

extern char** environ;

namespace {

std::string Inherited()
{
    int variables = 0;
    for (char** e = environ; *e != nullptr; ++e) ++variables;
    char cwd[PATH_MAX] = {};
    int descriptors = 0;
    for (int fd = 0; fd < 1024; ++fd) descriptors += ::fcntl(fd, F_GETFD) >= 0 ? 1 : 0;
    return "env=" + std::to_string(variables) + " cwd=" + (::getcwd(cwd, sizeof cwd) ? cwd : "?") +
           " fds=" + std::to_string(descriptors) +
           " own-group=" + (::getpgrp() == ::getpid() ? "yes" : "no") +
           " no-new-privs=" + std::to_string(::prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0));
}

void Try(const std::string& act)
{
    if (act == "open") {
        ::open("/etc/passwd", O_RDONLY);
    } else if (act == "socket") {
        ::socket(AF_INET, SOCK_STREAM, 0);
    } else if (act == "execve") {
        char* const argv[] = {const_cast<char*>("true"), nullptr};
        ::execve("/bin/true", argv, argv + 1);
    } else if (act == "fork") {
        if (::fork() == 0) ::_exit(0);
    } else if (act == "mprotect-exec") {
        void* page = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (page != MAP_FAILED) ::mprotect(page, 4096, PROT_READ | PROT_EXEC);
    } else if (act == "mmap-exec") {
        ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    }
}

}  // namespace

int main()
{
    std::string message = Inherited();
    ReaderSandbox sandbox = EnterReaderSandbox(STDOUT_FILENO);
    if (!sandbox.filtered) return 4;
    std::string act;
    char c;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') act += c;
    Try(act);
    message = "survived " + act + ": " + message + " isolated=" + (sandbox.isolated ? "yes" : "no") + "\n";
    return ::write(STDOUT_FILENO, message.data(), message.size()) > 0 ? 1 : 2;
}
