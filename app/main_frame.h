#pragma once
// The program's one top-level window: it holds the 3D view, drives the
// simulation tick with a 10 ms timer and routes the Simulation commands.

#include "app/key_state_filter.h"
#include "app/message_loop.h"
#include "view/key_state.h"
#include "view/kinetta_view.h"

#include <QtCore/QBasicTimer>
#include <QtWidgets/QMainWindow>

#include <memory>

class QAction;

class CMainFrame : public QMainWindow, public CMessageFilter, public CIdleHandler {
public:
    // Null when the frame could not be created.
    static std::unique_ptr<CMainFrame> Create();
    ~CMainFrame() override;

    bool FilterMessage(const Message& msg) override;
    bool DoIdle() override;

    CKinettaView& View() { return m_view; }

    void OnSimulationCommand(SimulationCommand command);

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CMainFrame();
    bool OnCreate();
    void OnDestroy();
    QAction* AddSimulationAction(const QString& text, SimulationCommand command);
    bool TranslateAccelerator(const Message& msg);

    // Declared before the view: the view polls it while it exists.
    KeyState m_keys;
    CKeyStateFilter m_keyFilter{m_keys};
    // Held by value; the container below only hosts its native window.
    CKinettaView m_view{m_keys};
    QWidget* m_viewContainer = nullptr;
    QAction* m_startAction = nullptr;
    QAction* m_pauseAction = nullptr;
    QAction* m_stopAction = nullptr;
    QBasicTimer m_tickTimer;
    bool m_destroyed = false;
};
