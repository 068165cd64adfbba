#include "app/main_frame.h"

#include "app/app_module.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
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
    for (QAction* action : {m_startAction, m_pauseAction, m_stopAction})
        simulation->addAction(action);

    // The container is a child widget and so dies after m_view; its pointer
    // to the window is then already null, so it deletes nothing of ours.
    m_viewContainer = QWidget::createWindowContainer(&m_view, this);
    m_viewContainer->setFocusPolicy(Qt::StrongFocus);
    m_viewContainer->setMinimumSize(1, 1);
    setCentralWidget(m_viewContainer);
    m_view.CreateWindowAndScene();
    m_viewContainer->setFocus();

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

bool CMainFrame::FilterMessage(const Message& msg)
{
    return TranslateAccelerator(msg);
}

bool CMainFrame::TranslateAccelerator(const Message& msg)
{
    if (msg.event->type() != QEvent::KeyPress)
        return false;
    // Keys reach a window first, then its focus widget: translating at the
    // window alone runs each command once. Windows of dialogs and menus are
    // not ours, so their keys are left to them.
    if (msg.receiver != &m_view && msg.receiver != windowHandle())
        return false;
    const auto* key = static_cast<const QKeyEvent*>(msg.event);
    const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return false;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OnSimulationCommand(SimulationCommand::Start);
            return true;
        case Qt::Key_Escape:
            OnSimulationCommand(SimulationCommand::Stop);
            return true;
        default:
            return false;
    }
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
