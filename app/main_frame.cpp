#include "app/main_frame.h"

#include "app/app_module.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtWidgets/QMenuBar>

namespace {
constexpr int kTickMilliseconds = 10;
}

std::unique_ptr<CMainFrame> CMainFrame::Create()
{
    std::unique_ptr<CMainFrame> frame(new CMainFrame);
    if (!frame->OnCreate())
        return nullptr;
    return frame;
}

CMainFrame::CMainFrame()
{
    setWindowTitle(QStringLiteral("Kinetta"));
    resize(1024, 768);
}

CMainFrame::~CMainFrame()
{
    OnDestroy();
}

QAction* CMainFrame::AddSimulationAction(const QString& text, SimulationCommand command)
{
    auto* action = new QAction(text, this);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, command] { OnSimulationCommand(command); });
    return action;
}

bool CMainFrame::OnCreate()
{
    QMenu* simulation = menuBar()->addMenu(QStringLiteral("&Simulation"));
    m_startAction = AddSimulationAction(QStringLiteral("Start"), SimulationCommand::Start);
    m_pauseAction = AddSimulationAction(QStringLiteral("&Pause"), SimulationCommand::Pause);
    m_stopAction = AddSimulationAction(QStringLiteral("S&top"), SimulationCommand::Stop);
    // Accelerators: added to the frame, they fire wherever the focus is.
    m_startAction->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    m_stopAction->setShortcut(QKeySequence(Qt::Key_Escape));
    for (QAction* action : {m_startAction, m_pauseAction, m_stopAction}) {
        simulation->addAction(action);
        addAction(action);
    }

    setCentralWidget(&m_view);
    m_view.setFocus();

    CMessageLoop* loop = g_module.GetLoop();
    if (loop == nullptr)
        return false;
    loop->AddFilter(this);
    loop->AddIdle(this);
    // Added last so it is asked first; it never consumes.
    loop->AddFilter(&m_keyFilter);

    m_tickTimer.start(kTickMilliseconds, Qt::PreciseTimer, this);
    DoIdle();
    return true;
}

void CMainFrame::OnDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_tickTimer.stop();
    m_view.DestroyWindow();
    if (CMessageLoop* loop = g_module.GetLoop()) {
        loop->RemoveFilter(&m_keyFilter);
        loop->RemoveFilter(this);
        loop->RemoveIdle(this);
    }
}

bool CMainFrame::FilterMessage(const Message&)
{
    // Qt's shortcut map translates the accelerators (the actions above)
    // before any key event reaches a widget.
    return false;
}

bool CMainFrame::DoIdle()
{
    const SimulationState state = m_view.m_simulationState;
    m_startAction->setChecked(state == SimulationState::Running);
    m_pauseAction->setChecked(state == SimulationState::Paused);
    m_stopAction->setChecked(state == SimulationState::Stopped);
    return false;
}

void CMainFrame::OnSimulationCommand(SimulationCommand command)
{
    const auto transition = NextSimulationState(m_view.m_simulationState, command);
    m_view.m_simulationState = transition.next;
    if (transition.resetDue)
        m_view.ResetSimulation();
    DoIdle();
}

void CMainFrame::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_tickTimer.timerId()) {
        m_view.OnTick();
        return;
    }
    QMainWindow::timerEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    event->accept();
    OnDestroy();
    QCoreApplication::exit(1);
}
