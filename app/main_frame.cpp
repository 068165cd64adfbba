#include "app/main_frame.h"

#include "app/about_dlg.h"
#include "app/app_module.h"
#include "app/frame_images.h"
#include "app/first_frame_size.h"
#include "app/frame_resources.h"
#include "app/sstate/qt_window_layout.h"
#include "view/body_description.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLayout>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

namespace {
constexpr int kTickMilliseconds = 10;
// The bands' ids in the saved layout.
constexpr std::uint32_t kMenuBandId = 60160;
constexpr std::uint32_t kToolBandId = 60161;
}  // namespace

// Commands missing here (Print, the Edit commands, Tree, Properties,
// Tools, the pane keys) have no handler: choosing them does nothing.
const CMainFrame::CommandEntry CMainFrame::kCommands[] = {
    {CommandId::FileNew, &CMainFrame::OnFileNew},
    {CommandId::FileOpen, &CMainFrame::OnFileOpen},
    {CommandId::FileSave, &CMainFrame::OnFileSave},
    {CommandId::FileSaveAs, &CMainFrame::OnFileSave},
    {CommandId::AppExit, &CMainFrame::OnFileExit},
    {CommandId::ViewToolbar, &CMainFrame::OnViewToolbar},
    {CommandId::ViewStatusBar, &CMainFrame::OnViewStatusBar},
    {CommandId::SimulationStart, &CMainFrame::OnSimulation},
    {CommandId::SimulationPause, &CMainFrame::OnSimulation},
    {CommandId::SimulationStop, &CMainFrame::OnSimulation},
    {CommandId::AppAbout, &CMainFrame::OnAppAbout},
};

std::unique_ptr<CMainFrame> CMainFrame::Create()
{
    std::unique_ptr<CMainFrame> frame(new CMainFrame);
    if (!frame->OnCreate())
        return nullptr;
    return frame;
}

CMainFrame::CMainFrame()
{
    setWindowTitle(FrameTitle());
    setWindowIcon(ProgramIcon());
    // A saved layout, restored once the frame is shown, overrides this.
    const QScreen* screen = this->screen();
    const FirstFrameGeometry first = screen ? FirstFrameFor(screen->availableGeometry())
                                            : FirstFrameGeometry{kPreferredFrameSize, {}};
    resize(first.size);
    if (first.position)
        move(*first.position);
}

CMainFrame::~CMainFrame()
{
    OnDestroy();
}

bool CMainFrame::OnCreate()
{
    m_bars = new CFrameBars(*this, {[this](CommandId id) { OnCommand(id); },
                                    [this](QMenu& menu) { OnMenuOpening(menu); }});

    // The container is a child widget and so dies after m_view; its pointer
    // to the window is then already null, so it deletes nothing of ours.
    // A native child window would otherwise carry the program's name as its
    // own title, and tools that find the frame by name would find it too.
    m_view.setTitle(QStringLiteral("3D view"));
    m_viewContainer = QWidget::createWindowContainer(&m_view, this);
    m_viewContainer->setFocusPolicy(Qt::StrongFocus);
    m_viewContainer->setMinimumSize(1, 1);
    setCentralWidget(m_viewContainer);
    m_view.CreateWindowAndScene();
    m_viewContainer->setFocus();
    m_world = new CWorldCommands(*this, m_view, [this] { DoIdle(); });

    CMessageLoop* loop = g_module.GetLoop();
    if (loop == nullptr)
        return false;
    // The frame is added last so that it is asked first: a key it translates
    // as an accelerator never counts as held for the view.
    loop->AddFilter(&m_keyFilter);
    loop->AddFilter(this);
    loop->AddIdle(this);

    // Restored when the posted call arrives: after creation, with the frame shown.
    sstate::PostRestoreLayout(
        m_layoutState,
        {this,
         {{kMenuBandId, m_bars->MenuBand()}, {kToolBandId, m_bars->ToolBand()}},
         {kMenuBandId},
         m_bars->StatusBar()},
        [this] { LayoutNow(); });

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

bool CMainFrame::OnCommand(CommandId id)
{
    for (const CommandEntry& entry : kCommands) {
        if (entry.id == id) {
            (this->*entry.handler)(id);
            return true;
        }
    }
    return false;
}

bool CMainFrame::FilterMessage(const Message& msg)
{
    return TranslateMenuKey(msg) || TranslateAccelerator(msg);
}

bool CMainFrame::IsFrameKey(const Message& msg) const
{
    const QEvent::Type type = msg.event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    // Keys reach a window first, then its focus widget: translating at the
    // window alone runs each command once. Windows of dialogs and menus are
    // not ours, so their keys are left to them.
    return msg.receiver == &m_view || msg.receiver == windowHandle();
}

bool CMainFrame::TranslateMenuKey(const Message& msg)
{
    if (!IsFrameKey(msg))
        return false;
    const auto* key = static_cast<const QKeyEvent*>(msg.event);
    constexpr Qt::KeyboardModifiers kCompared =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    // F10 enters the menu bar, as on every desktop.
    if (key->key() != Qt::Key_F10 || (key->modifiers() & kCompared) != Qt::NoModifier)
        return false;
    // Opened once the key has been handled: menus may run a loop of their own.
    if (msg.event->type() == QEvent::KeyPress)
        QMetaObject::invokeMethod(m_bars, &CFrameBars::OpenFirstMenu, Qt::QueuedConnection);
    return true;
}

bool CMainFrame::TranslateAccelerator(const Message& msg)
{
    if (!IsFrameKey(msg))
        return false;
    // After Alt the menu bar has the keyboard: Enter and Esc are its own.
    if (QApplication::focusWidget() == m_bars->MenuBar())
        return false;
    QAction* accelerator = m_bars->AcceleratorFor(*static_cast<const QKeyEvent*>(msg.event));
    if (accelerator == nullptr)
        return false;
    // The shortcut check that precedes the key press is swallowed too, so
    // the key never reaches the key-state table or Qt's shortcut map.
    if (msg.event->type() == QEvent::KeyPress)
        accelerator->trigger();
    return true;
}

bool CMainFrame::ViewHasKeyboard() const
{
    // No active window at all is left to the key filter: the application
    // may have been switched away from, or a compositor may never say.
    const QWidget* active = QApplication::activeWindow();
    return (active == nullptr || active == this) && QApplication::activePopupWidget() == nullptr &&
           QApplication::activeModalWidget() == nullptr &&
           QApplication::focusWidget() != m_bars->MenuBar();
}

void CMainFrame::ReturnFocusToView()
{
    if (QApplication::activeWindow() != this || QApplication::activePopupWidget() != nullptr ||
        QApplication::activeModalWidget() != nullptr || QGuiApplication::focusWindow() == &m_view)
        return;
    // The menu bar keeps the focus when it leaves its keyboard mode with no
    // widget to hand it back to, which is the case while the view's native
    // window has it; a closed dialog may leave it on the frame itself.
    const QWidget* focus = QApplication::focusWidget();
    const QMenuBar* menuBar = m_bars->MenuBar();
    const bool resting = focus == nullptr || focus == this ||
                         (focus == menuBar && menuBar->activeAction() == nullptr);
    // The container hands the focus on to the view's window as it gets it;
    // once it has it, this is not tried again.
    if (resting)
        m_viewContainer->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::ShowBarChecks()
{
    // Always what the user sees, whatever layout was restored.
    m_ui.UISetCheck(CommandId::ViewToolbar, !m_bars->ToolBand()->isHidden());
    m_ui.UISetCheck(CommandId::ViewStatusBar, !m_bars->StatusBar()->isHidden());
}

bool CMainFrame::DoIdle()
{
    const SimulationState state = m_view.m_simulationState;
    m_ui.UISetCheck(CommandId::SimulationStart, state == SimulationState::Running);
    m_ui.UISetCheck(CommandId::SimulationPause, state == SimulationState::Paused);
    m_ui.UISetCheck(CommandId::SimulationStop, state == SimulationState::Stopped);
    ShowBarChecks();
    m_ui.UIUpdateToolBar(m_bars->ToolActions());
    ReturnFocusToView();
    return false;
}

void CMainFrame::OnMenuOpening(QMenu& menu)
{
    ShowBarChecks();
    m_ui.UIUpdateMenu(menu.actions());
}

void CMainFrame::LayoutNow()
{
    // The view takes the room of a hidden bar before the next paint.
    if (QLayout* frameLayout = layout())
        frameLayout->activate();
}

void CMainFrame::ShowSelection()
{
    const BodySelection& selection = m_view.Selection();
    const btRigidBody* body = selection.Body();
    // The number needs a walk through the world: only when the body, or
    // the bodies before it, may have changed.
    if (selection.Revision() != m_shownSelection || m_view.BodyCount() != m_shownBodyCount) {
        m_shownSelection = selection.Revision();
        m_shownBodyCount = m_view.BodyCount();
        m_selectedNumber =
            body && m_view.World() ? BodyNumber(*m_view.World(), *body) : 0;
    }
    m_bars->ShowSelection(
        body ? QString::fromStdString(DescribeBody(*body, m_selectedNumber, m_view.Dragging()))
             : QString());
}

void CMainFrame::OnFileNew(CommandId)
{
    m_world->New();
}

void CMainFrame::OnFileOpen(CommandId)
{
    m_world->Open();
}

void CMainFrame::OnFileSave(CommandId)
{
    // Save always asks for the name, starting from the open file's.
    m_world->Save();
}

void CMainFrame::OnFileExit(CommandId)
{
    // Posted, as the close box does: the command's caller finishes first.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CMainFrame::OnViewToolbar(CommandId)
{
    QToolBar* band = m_bars->ToolBand();
    band->setVisible(band->isHidden());
    ShowBarChecks();
    LayoutNow();
}

void CMainFrame::OnViewStatusBar(CommandId)
{
    QStatusBar* bar = m_bars->StatusBar();
    bar->setVisible(bar->isHidden());
    ShowBarChecks();
    LayoutNow();
}

void CMainFrame::OnSimulation(CommandId id)
{
    const SimulationCommand command = id == CommandId::SimulationStart   ? SimulationCommand::Start
                                      : id == CommandId::SimulationPause ? SimulationCommand::Pause
                                                                         : SimulationCommand::Stop;
    const auto transition = NextSimulationState(m_view.m_simulationState, command);
    m_view.m_simulationState = transition.next;
    if (transition.resetDue)
        m_view.ResetSimulation();
    DoIdle();
}

void CMainFrame::OnAppAbout(CommandId)
{
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_tickTimer.timerId()) {
        m_view.OnTick();
        ShowSelection();
        return;
    }
    QMainWindow::timerEvent(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A layout that cannot be saved does not keep the window open.
    sstate::SaveLayout(m_layoutState);
    event->accept();
    OnDestroy();
    QCoreApplication::exit(1);
}
