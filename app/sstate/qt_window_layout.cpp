#include "app/sstate/qt_window_layout.h"

#include "app/sstate/dock_wnd_mgr.h"
#include "app/sstate/qt_window_bindings.h"
#include "app/sstate/rebar_state_adapter.h"
#include "app/sstate/stg_registry.h"
#include "app/sstate/toggle_window_adapter.h"

#include <QtCore/QEvent>
#include <QtCore/QMetaObject>
#include <QtCore/QTimer>
#include <QtGui/QWindow>

namespace sstate {

void SetUpAndRestoreLayout(CWindowStateMgr& manager, const QtLayoutParts& parts)
{
    if (!parts.frame)
        return;
    manager.Initialize(std::make_shared<CQtTopLevelWindow>(*parts.frame), kShowDefault);
    manager.AddChild(
        kRebarChildId,
        std::make_shared<CRebarStateAdapter>(
            std::make_shared<CQtToolBarBands>(*parts.frame, parts.bands), parts.alwaysShownBands));
    if (parts.statusBar)
        manager.AddChild(kStatusBarChildId,
                         std::make_shared<CToggleWindowAdapter>(
                             std::make_shared<CQtToggleWidget>(*parts.statusBar), kShowNoActivate));
    manager.AddChild(kPaneManagerChildId, std::make_shared<CDockWndMgr>(parts.panes));

    const std::unique_ptr<CStgRegistry> root = CStgRegistry::OpenRoot();
    manager.Restore(root.get());
}

namespace {

// Runs a call once the window system has shown a window (its first expose),
// or after a while if it never says so. Only then does a window manager's
// frame have a size, and the placement is judged with the frame around it.
class CRunWhenExposed : public QObject {
public:
    CRunWhenExposed(QWidget& frame, std::function<void()> call)
        : QObject(&frame), m_call(std::move(call))
    {
        m_window = frame.windowHandle();
        if (m_window)
            m_window->installEventFilter(this);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &CRunWhenExposed::Run);
        m_timer.start(kLongestWaitMs);
    }

    // Now, when the window is already exposed (or has no native window).
    void RunIfExposed()
    {
        if (!m_window || m_window->isExposed())
            Run();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed())
            QMetaObject::invokeMethod(this, &CRunWhenExposed::Run, Qt::QueuedConnection);
        return false;
    }

private:
    static constexpr int kLongestWaitMs = 1000;

    void Run()
    {
        if (!m_call)
            return;
        m_timer.stop();
        if (m_window)
            m_window->removeEventFilter(this);
        const std::function<void()> call = std::move(m_call);
        m_call = nullptr;
        deleteLater();
        call();
    }

    QPointer<QWindow> m_window;
    QTimer m_timer;
    std::function<void()> m_call;
};

}  // namespace

void PostRestoreLayout(CWindowStateMgr manager, QtLayoutParts parts,
                       std::function<void()> afterwards)
{
    QMainWindow* frame = parts.frame;
    if (!frame)
        return;
    auto restore = [manager, parts, afterwards]() mutable {
        SetUpAndRestoreLayout(manager, parts);
        if (afterwards)
            afterwards();
    };
    QMetaObject::invokeMethod(
        frame,
        [frame, restore]() {
            (new CRunWhenExposed(*frame, restore))->RunIfExposed();
        },
        Qt::QueuedConnection);
}

bool SaveLayout(const CWindowStateMgr& manager)
{
    const std::unique_ptr<CStgRegistry> root = CStgRegistry::CreateRoot();
    if (!root)
        return false;
    manager.Store(*root);
    return root->Flush();
}

}  // namespace sstate
