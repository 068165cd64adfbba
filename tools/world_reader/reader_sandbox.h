#pragma once
// What the world reader gives up before it reads a byte of a file: Bullet's
// importer was never written for hostile input, so whatever a damaged file
// makes it do must stay inside a process that can only read its input, write
// its output and use memory.

// Where the sandbox stands after EnterReaderSandbox.
struct ReaderSandbox {
    bool filtered = false;  // the system-call filter is on: every other call kills
    bool isolated = false;  // own user, mount and network namespaces, an empty root
};

// Leaves the file system and the network where the kernel lets an unprivileged
// process (a namespace of its own with an empty root), then installs the
// filter. outputFd is the descriptor the description goes to; the others it
// may write are standard output and standard error. Call it once, with no
// other thread running, after everything that needs files is done.
ReaderSandbox EnterReaderSandbox(int outputFd);
