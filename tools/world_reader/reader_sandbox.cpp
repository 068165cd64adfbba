#include "tools/world_reader/reader_sandbox.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

// The futex command without its flags (FUTEX_PRIVATE_FLAG, FUTEX_CLOCK_REALTIME).
constexpr scmp_datum_t FUTEX_CMD_MASK_LOW = 0x7f;

// An empty, read-only root in namespaces of our own. Where unprivileged
// user namespaces are off (a sysctl, or a container that forbids them) this
// fails and the filter alone keeps files and sockets out of reach.
bool LeaveFileSystemAndNetwork()
{
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0) return false;
    // Our mounts must not reach the namespace we came from.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    // /tmp exists on every Debian system; the empty tmpfs hides what is there.
    if (::mount("kinetta-reader", "/tmp", "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC | MS_RDONLY,
                "size=4k,nr_inodes=1,mode=0555") != 0) {
        return false;
    }
    return ::chdir("/tmp") == 0 && ::chroot(".") == 0 && ::chdir("/") == 0;
}

// Every call the reader may make once it reads the file, and why. Found by
// running the reader under strace -f on the sample worlds and the damaged
// ones of the tests; anything else is a fault or an attack, and kills it.
bool InstallFilter(int outputFd)
{
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (filter == nullptr) return false;
    auto allow = [filter](int call, unsigned count, const scmp_arg_cmp* args) {
        return ::seccomp_rule_add_array(filter, SCMP_ACT_ALLOW, call, count, args) == 0;
    };
    const scmp_arg_cmp fromStdin[] = {SCMP_A0(SCMP_CMP_EQ, STDIN_FILENO)};
    const scmp_arg_cmp toOutput[] = {SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(outputFd))};
    const scmp_arg_cmp toStdout[] = {SCMP_A0(SCMP_CMP_EQ, STDOUT_FILENO)};
    const scmp_arg_cmp toStderr[] = {SCMP_A0(SCMP_CMP_EQ, STDERR_FILENO)};
    // Memory that can never hold code: anonymous, never executable.
    const scmp_arg_cmp anonymousData[] = {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0),
                                          SCMP_A3(SCMP_CMP_MASKED_EQ, MAP_ANONYMOUS, MAP_ANONYMOUS)};
    const scmp_arg_cmp notExecutable[] = {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)};
    // Waking only: one thread never waits. The mask leaves out the private flag.
    const scmp_arg_cmp wakeOnly[] = {SCMP_A1(SCMP_CMP_MASKED_EQ, FUTEX_CMD_MASK_LOW, FUTEX_WAKE)};
    const scmp_arg_cmp abortSelf[] = {SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(::getpid())),
                                      SCMP_A2(SCMP_CMP_EQ, SIGABRT)};
    const bool ok =
        allow(SCMP_SYS(read), 1, fromStdin) &&        // the file
        allow(SCMP_SYS(write), 1, toOutput) &&        // the description, or why not
        allow(SCMP_SYS(write), 1, toStdout) &&        // Bullet's chatter, to /dev/null
        allow(SCMP_SYS(write), 1, toStderr) &&        // glibc's last words on a corrupt heap
        allow(SCMP_SYS(brk), 0, nullptr) &&           // malloc's heap
        allow(SCMP_SYS(mmap), 2, anonymousData) &&    // malloc's large blocks and arenas
        allow(SCMP_SYS(mprotect), 1, notExecutable) &&// malloc's arenas growing
        allow(SCMP_SYS(munmap), 0, nullptr) &&        // free
        allow(SCMP_SYS(mremap), 0, nullptr) &&        // realloc of large blocks
        allow(SCMP_SYS(futex), 1, wakeOnly) &&        // pthread_once, run by the first throw
        // abort(), which an exception nobody catches ends in: the parent
        // then reports the crash as it is rather than as a forbidden call.
        allow(SCMP_SYS(rt_sigprocmask), 0, nullptr) &&
        allow(SCMP_SYS(getpid), 0, nullptr) &&
        allow(SCMP_SYS(gettid), 0, nullptr) &&
        allow(SCMP_SYS(tgkill), 2, abortSelf) &&
        allow(SCMP_SYS(exit_group), 0, nullptr);      // _exit, and the end of main
    const bool loaded = ok && ::seccomp_load(filter) == 0;
    ::seccomp_release(filter);
    return loaded;
}

}  // namespace

ReaderSandbox EnterReaderSandbox(int outputFd)
{
    ReaderSandbox sandbox;
    sandbox.isolated = LeaveFileSystemAndNetwork();
    // Also set by Kinetta before it starts the reader; a filter needs it.
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return sandbox;
    sandbox.filtered = InstallFilter(outputFd);
    return sandbox;
}
