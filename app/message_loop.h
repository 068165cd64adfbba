#pragma once
// The user-interface thread's message loop, laid over Qt's event loop: message
// filters see every event before its target, and idle handlers run once each
// time the queue has gone empty after a re-arming event.

#include <QtCore/QObject>

#include <vector>

class QEvent;

// One event on its way to its target: what a filter is shown.
struct Message {
    QObject* receiver = nullptr;
    QEvent* event = nullptr;
};

class CMessageFilter {
public:
    // True when the filter has consumed the message; it then reaches no one else.
    virtual bool FilterMessage(const Message& msg) = 0;

protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    // The result is ignored by the loop.
    virtual bool DoIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    CMessageLoop();
    virtual ~CMessageLoop();
    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    // The lists do not own their entries.
    bool AddFilter(CMessageFilter* filter);
    bool RemoveFilter(CMessageFilter* filter);
    bool AddIdle(CIdleHandler* handler);
    bool RemoveIdle(CIdleHandler* handler);

    // Runs until the application is told to exit and returns the exit code.
    // Needs a Q(Core/Gui)Application on this thread (checked).
    int Run();

    // The last filter added is asked first; the first that consumes ends the walk.
    virtual bool PreTranslate(const Message& msg);
    // Runs every idle handler once; false stops further passes until re-armed.
    virtual bool IdlePass(int idleCount);

    // Events that leave the idle state alone: pointer motion and painting
    // arrive in bursts and must not make every frame an idle pass.
    static bool IsIdleNeutral(const QEvent& event);

private:
    class EventHook;
    friend class EventHook;

    void OnEvent(const QEvent& event);
    void OnQueueEmpty();

    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
    bool m_doIdle = true;
    int m_idleCount = 0;
};
