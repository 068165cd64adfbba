#pragma once
// The application module: which message loop serves which thread.

#include <mutex>
#include <thread>
#include <vector>

class CMessageLoop;

class CAppModule {
public:
    // Records the calling thread as the module's own and starts an empty table.
    void Init();
    // Forgets every registered loop.
    void Term();

    // Registers loop for the calling thread. The module does not own it.
    bool AddLoop(CMessageLoop* loop);
    // Forgets the calling thread's loop, if it has one.
    void RemoveLoop();
    // The loop registered for thread, or null.
    CMessageLoop* GetLoop(std::thread::id thread) const;
    CMessageLoop* GetLoop() const { return GetLoop(std::this_thread::get_id()); }

    std::thread::id MainThread() const;

private:
    mutable std::mutex m_lock;
    std::thread::id m_mainThread;
    // Parallel arrays: a thread's entry is at the same index in both.
    std::vector<std::thread::id> m_threads;
    std::vector<CMessageLoop*> m_loops;
};

// The process's one module.
extern CAppModule g_module;
