#include "app/message_loop.h"

#include "common/kinetta_assert.h"

#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>

#include <algorithm>

// Sits on the application object, where it sees every event of the thread
// before its target does.
class CMessageLoop::EventHook : public QObject {
public:
    explicit EventHook(CMessageLoop& loop) : m_loop(loop) {}

    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        const bool consumed = m_loop.PreTranslate(Message{receiver, event});
        m_loop.OnEvent(*event);
        return consumed;
    }

private:
    CMessageLoop& m_loop;
};

CMessageLoop::CMessageLoop() = default;
CMessageLoop::~CMessageLoop() = default;

namespace {

template <typename T>
bool AddTo(std::vector<T*>& list, T* entry)
{
    list.push_back(entry);
    return true;
}

template <typename T>
bool RemoveFrom(std::vector<T*>& list, T* entry)
{
    const auto it = std::find(list.begin(), list.end(), entry);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

}  // namespace

bool CMessageLoop::AddFilter(CMessageFilter* filter)
{
    return AddTo(m_filters, filter);
}
bool CMessageLoop::RemoveFilter(CMessageFilter* filter)
{
    return RemoveFrom(m_filters, filter);
}
bool CMessageLoop::AddIdle(CIdleHandler* handler)
{
    return AddTo(m_idleHandlers, handler);
}
bool CMessageLoop::RemoveIdle(CIdleHandler* handler)
{
    return RemoveFrom(m_idleHandlers, handler);
}

bool CMessageLoop::PreTranslate(const Message& msg)
{
    // Index walk: a filter may remove itself (or others) while it runs.
    for (std::size_t i = m_filters.size(); i-- > 0;) {
        if (i >= m_filters.size())
            continue;
        CMessageFilter* filter = m_filters[i];
        if (filter != nullptr && filter->FilterMessage(msg))
            return true;
    }
    return false;
}

bool CMessageLoop::IdlePass(int /*idleCount*/)
{
    for (std::size_t i = 0; i < m_idleHandlers.size(); ++i) {
        if (CIdleHandler* handler = m_idleHandlers[i])
            handler->DoIdle();
    }
    return false;
}

bool CMessageLoop::IsIdleNeutral(const QEvent& event)
{
    switch (event.type()) {
        case QEvent::MouseMove:
        case QEvent::HoverMove:
        case QEvent::Paint:
        case QEvent::UpdateRequest:
            return true;
        default:
            return false;
    }
}

void CMessageLoop::OnEvent(const QEvent& event)
{
    if (!IsIdleNeutral(event)) {
        m_doIdle = true;
        m_idleCount = 0;
    }
}

void CMessageLoop::OnQueueEmpty()
{
    if (!m_doIdle)
        return;
    const int count = m_idleCount++;
    if (!IdlePass(count)) {
        m_doIdle = false;
        return;
    }
    // Another pass was asked for: let the loop look at the queue once more
    // instead of going to sleep, and come back here if it is still empty.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

int CMessageLoop::Run()
{
    QCoreApplication* app = QCoreApplication::instance();
    KINETTA_ASSERT(app != nullptr, "create the QApplication before running the loop");
    if (app == nullptr)
        return -1;

    EventHook hook(*this);
    app->installEventFilter(&hook);
    QMetaObject::Connection idle;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        idle = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &hook,
                                [this] { OnQueueEmpty(); });
    }

    const int exitCode = QCoreApplication::exec();

    QObject::disconnect(idle);
    app->removeEventFilter(&hook);
    return exitCode;
}
