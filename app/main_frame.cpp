#include "app/main_frame.h"

#include "app/about_dlg.h"
#include "app/app_module.h"
#include "app/frame_images.h"
#include "app/first_frame_size.h"
#include "app/frame_resources.h"
#include "app/properties_pane.h"
#include "app/sstate/qt_window_layout.h"
#include "edit/body_description.h"
#include "edit/history_series.h"
#include "edit/world_tree.h"
#include "worlds/process_end.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtGui/QDragEnterEvent>
#include <QtGui/QDropEvent>
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
constexpr QSize kLeastViewSize{160, 120};

// The local .bullet file that a drop would open (the first one dropped);
// empty when it holds none.
QString DroppedWorld(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return {};
    const QString path = urls.front().toLocalFile();
    return path.endsWith(QLatin1StringView(".bullet"), Qt::CaseInsensitive) ? path : QString();
}
// The bands' ids in the saved layout.
constexpr std::uint32_t kMenuBandId = 60160;
constexpr std::uint32_t kToolBandId = 60161;
constexpr std::uint32_t kInsertBandId = 60162;
}  // namespace

// Commands missing here (the pane keys) have no handler: choosing
// them does nothing.
const CMainFrame::CommandEntry CMainFrame::kCommands[] = {
    {CommandId::FileNew, &CMainFrame::OnFileNew},
    {CommandId::FileOpen, &CMainFrame::OnFileOpen},
    {CommandId::FileSave, &CMainFrame::OnFileSave},
    {CommandId::FileSaveAs, &CMainFrame::OnFileSave},
    {CommandId::FileExportPicture, &CMainFrame::OnPicture},
    {CommandId::FilePrint, &CMainFrame::OnPicture},
    {CommandId::FilePrintPreview, &CMainFrame::OnPicture},
    {CommandId::FilePrintSetup, &CMainFrame::OnPicture},
    {CommandId::FileRecent1, &CMainFrame::OnFileRecent},
    {static_cast<CommandId>(ToInt(CommandId::FileRecent1) + 1), &CMainFrame::OnFileRecent},
    {static_cast<CommandId>(ToInt(CommandId::FileRecent1) + 2), &CMainFrame::OnFileRecent},
    {CommandId::FileRecent4, &CMainFrame::OnFileRecent},
    {CommandId::AppExit, &CMainFrame::OnFileExit},
    {CommandId::EditUndo, &CMainFrame::OnEdit},
    {CommandId::EditRedo, &CMainFrame::OnEdit},
    {CommandId::EditCut, &CMainFrame::OnEdit},
    {CommandId::EditCopy, &CMainFrame::OnEdit},
    {CommandId::EditPaste, &CMainFrame::OnEdit},
    {CommandId::EditClear, &CMainFrame::OnEdit},
    {CommandId::EditSelectAll, &CMainFrame::OnEdit},
    {CommandId::EditDuplicate, &CMainFrame::OnEdit},
    {CommandId::ViewToolbar, &CMainFrame::OnViewToolbar},
    {CommandId::ViewStatusBar, &CMainFrame::OnViewStatusBar},
    {CommandId::ViewTree, &CMainFrame::OnViewPane},
    {CommandId::ViewProperties, &CMainFrame::OnViewPane},
    {CommandId::ViewTools, &CMainFrame::OnViewPane},
    {CommandId::ViewGraph, &CMainFrame::OnViewPane},
    {CommandId::ViewDockPanes, &CMainFrame::OnDockPanes},
    {CommandId::SimulationStart, &CMainFrame::OnSimulation},
    {CommandId::SimulationPause, &CMainFrame::OnSimulation},
    {CommandId::SimulationStop, &CMainFrame::OnSimulation},
    {CommandId::SimulationStep, &CMainFrame::OnSimulationStep},
    {CommandId::SimulationRecord, &CMainFrame::OnRecord},
    {CommandId::HistoryStepBack, &CMainFrame::OnHistory},
    {CommandId::HistoryStepForward, &CMainFrame::OnHistory},
    {CommandId::HistorySecondBack, &CMainFrame::OnHistory},
    {CommandId::HistorySecondForward, &CMainFrame::OnHistory},
    {CommandId::HistoryFirst, &CMainFrame::OnHistory},
    {CommandId::HistoryLast, &CMainFrame::OnHistory},
    {CommandId::AppAbout, &CMainFrame::OnAppAbout},
    {CommandId::InsertBox, &CMainFrame::OnInsert},
    {CommandId::InsertBall, &CMainFrame::OnInsert},
    {CommandId::InsertCylinder, &CMainFrame::OnInsert},
    {CommandId::InsertCapsule, &CMainFrame::OnInsert},
    {CommandId::InsertCone, &CMainFrame::OnInsert},
    {CommandId::InsertCan, &CMainFrame::OnInsert},
    {CommandId::InsertDie, &CMainFrame::OnInsert},
    {CommandId::InsertDomino, &CMainFrame::OnInsert},
    {CommandId::InsertRamp, &CMainFrame::OnInsert},
    {CommandId::InsertWall, &CMainFrame::OnInsert},
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
    m_keyboardPopups = new CKeyboardPopups(this);
    m_bars = new CFrameBars(*this, {[this](CommandId id) { OnCommand(id); },
                                    [this](QMenu& menu) { OnMenuOpening(menu); }});

    // The container is a child widget and so dies after m_view; its pointer
    // to the window is then already null, so it deletes nothing of ours.
    // A native child window would otherwise carry the program's name as its
    // own title, and tools that find the frame by name would find it too.
    m_view.setTitle(QStringLiteral("3D view"));
    m_viewContainer = QWidget::createWindowContainer(&m_view, this);
    m_viewContainer->setFocusPolicy(Qt::StrongFocus);
    // However small the window is made, the view keeps room to be seen:
    // the panes give theirs up first.
    m_viewContainer->setMinimumSize(kLeastViewSize);
    setCentralWidget(m_viewContainer);
    m_view.CreateWindowAndScene();
    m_viewContainer->setFocus();
    m_world = new CWorldCommands(*this, m_view, [this] { DoIdle(); },
                                 [this](const QString& text) { m_bars->ShowMessage(text); });
    m_world->ShowRecentWith([this](const QStringList& texts) { m_bars->SetRecentFiles(texts); });
    setAcceptDrops(true);
    m_view.TakeDropsWith({[](const QMimeData& data) { return !DroppedWorld(data).isEmpty(); },
                          [this](const QMimeData& data) { OpenDropped(data); }});
    m_edit = new CEditCommands(*this, m_view,
                               [this](const QString& text) { m_bars->ShowMessage(text); });
    m_joints = new CJointCommands(*this, m_view, [this](const QString& text) {
        m_bars->ShowMessage(text);
    }, [this] { return m_world->Opening(); });
    m_joints->AddInsertMenu(*m_bars);
    m_insert = new CInsertCommands(*this, m_view,
                                   [this](const QString& text) { m_bars->ShowMessage(text); });
    m_pictures = new CPictureCommands(
        *this, m_view, [this] { return m_world->FilePath(); },
        [this](const QString& text) { m_bars->ShowMessage(text); });
    m_recording = new CRecordingCommands(
        *this, m_view, [this](const QString& text) { m_bars->ShowMessage(text); },
        [this] { DoIdle(); });
    CGraphPane::Sources graph;
    graph.series = [this] {
        const WorldHistory* history = m_view.History();
        const WorldDocument* document = m_view.DocumentIfBuilt();
        if (history == nullptr || document == nullptr)
            return PlotSeries{};
        const btRigidBody* selected = document->Selection().Body();
        return HistorySeries(*history, selected,
                             selected != nullptr ? BodyNameIn(document->World(), selected)
                                                 : std::string("World"));
    };
    graph.scrubTo = [this](double seconds) { return m_view.ShowMomentAt(seconds); };
    m_panes = new CFramePanes(
        *this, m_view, [this](CommandId id) { OnCommand(id); }, [this] { ShowBarChecks(); },
        std::move(graph));

    CMessageLoop* loop = g_module.GetLoop();
    if (loop == nullptr)
        return false;
    // The frame is added after the key filter so that it is asked first: a
    // key it translates as an accelerator never counts as held for the view.
    // The popup watcher only looks, and must see the keys the frame takes.
    loop->AddFilter(&m_keyFilter);
    loop->AddFilter(this);
    loop->AddFilter(m_keyboardPopups);
    loop->AddIdle(this);

    // Restored when the posted call arrives: after creation, with the frame shown.
    sstate::PostRestoreLayout(
        m_layoutState,
        {this,
         {{kMenuBandId, m_bars->MenuBand()},
          {kToolBandId, m_bars->ToolBand()},
          {kInsertBandId, m_bars->InsertBand()}},
         {kMenuBandId},
         m_bars->StatusBar(),
         m_panes->LayoutPanes()},
        [this] {
            LayoutNow();
            m_layoutRestored = true;
        });

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
    // The video reads the view's frames: it ends while the view is there.
    m_recording->Stop();
    m_view.DestroyWindow();
    if (CMessageLoop* loop = g_module.GetLoop()) {
        loop->RemoveFilter(&m_keyFilter);
        loop->RemoveFilter(this);
        loop->RemoveFilter(m_keyboardPopups);
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
    return msg.receiver == &m_view || msg.receiver == windowHandle() ||
           (m_panes != nullptr && m_panes->IsPaneWindow(msg.receiver));
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
    // After Alt the menu bar has the keyboard, and an open menu has it: Enter
    // and Esc are theirs. A pane's field keeps its editing keys (Enter and
    // Esc among them), and the frame's other shortcuts still work there.
    if (QApplication::focusWidget() == m_bars->MenuBar() ||
        QApplication::activePopupWidget() != nullptr ||
        m_panes->FieldKeeps(*static_cast<const QKeyEvent*>(msg.event)))
        return false;
    QAction* accelerator = m_bars->AcceleratorFor(*static_cast<const QKeyEvent*>(msg.event));
    if (accelerator == nullptr)
        return false;
    // The shortcut check that precedes the key press is swallowed too, so
    // the key never reaches the key-state table or Qt's shortcut map.
    if (msg.event->type() != QEvent::KeyPress)
        return true;
    // While a file opens, Esc cancels the open, as it stops a page that
    // loads; Stop is the toolbar's and the menu's then.
    if (static_cast<const QKeyEvent*>(msg.event)->key() == Qt::Key_Escape && m_world->Opening())
        m_world->CancelOpening();
    else
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
           QApplication::focusWidget() != m_bars->MenuBar() && !m_panes->HasFocus();
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
    if (m_panes != nullptr)
        for (CommandId pane : {CommandId::ViewTree, CommandId::ViewProperties, CommandId::ViewTools,
                               CommandId::ViewGraph})
            m_ui.UISetCheck(pane, m_panes->IsShown(pane));
    m_ui.UIEnable(CommandId::ViewDockPanes, m_panes != nullptr && m_panes->AnyFloating());
}

bool CMainFrame::DoIdle()
{
    const SimulationState state = m_view.m_simulationState;
    m_ui.UISetCheck(CommandId::SimulationStart, state == SimulationState::Running);
    m_ui.UISetCheck(CommandId::SimulationPause, state == SimulationState::Paused);
    m_ui.UISetCheck(CommandId::SimulationStop, state == SimulationState::Stopped);
    ShowBarChecks();
    ShowEditStates();
    m_ui.UIUpdateToolBar(m_bars->ToolActions() + m_bars->InsertBand()->actions());
    ReturnFocusToView();
    return false;
}

void CMainFrame::ShowEditStates()
{
    // While a file opens, what would change the world is greyed: the
    // open's world replaces it when it ends.
    const bool free = !m_world->Opening();
    const bool selected = m_edit->HasSelection();
    m_ui.UIEnable(CommandId::EditCut, free && selected);
    m_ui.UIEnable(CommandId::EditCopy,
                  selected || (m_panes != nullptr && m_panes->GraphHasFocus()));
    m_ui.UIEnable(CommandId::EditClear, free && selected);
    m_ui.UIEnable(CommandId::EditUndo, free && m_edit->CanUndo());
    m_ui.UIEnable(CommandId::EditRedo, free && m_edit->CanRedo());
    for (CommandId id : {CommandId::EditPaste, CommandId::FileOpen, CommandId::FileSave,
                         CommandId::FileSaveAs, CommandId::SimulationStep})
        m_ui.UIEnable(id, free);
    for (int id = ToInt(CommandId::InsertBox); id <= ToInt(CommandId::InsertWall); ++id)
        m_ui.UIEnable(static_cast<CommandId>(id), free);
    for (int i = ToInt(CommandId::FileRecent1); i <= ToInt(CommandId::FileRecent4); ++i)
        m_ui.UIEnable(static_cast<CommandId>(i), free);
}

void CMainFrame::OnMenuOpening(QMenu& menu)
{
    m_keyboardPopups->Prepare(menu);
    ShowBarChecks();
    ShowEditStates();
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
    if (selection.Count() > 1) {
        m_bars->ShowSelection(QString::fromStdString(DescribeBodies(selection.Bodies())));
        return;
    }
    m_bars->ShowSelection(
        body ? QString::fromStdString(DescribeBody(*body, m_selectedNumber, m_view.Dragging()))
             : QString());
}

void CMainFrame::OnFileNew(CommandId)
{
    m_recording->Stop();
    m_pictures->RestartClock();
    m_world->New();
}

void CMainFrame::OnFileOpen(CommandId)
{
    m_recording->Stop();
    m_pictures->RestartClock();
    m_world->Open();
}

void CMainFrame::OnFileSave(CommandId id)
{
    // Once the world has a name, Save writes it there; Save As, and Save of
    // a world without a name, ask for one, starting from the open file's.
    if (id == CommandId::FileSave && !m_world->FilePath().empty())
        m_world->SaveFile(m_world->FilePath());
    else
        m_world->Save();
}

void CMainFrame::OnFileRecent(CommandId id)
{
    m_recording->Stop();
    m_pictures->RestartClock();
    m_world->OpenRecent(ToInt(id) - ToInt(CommandId::FileRecent1));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    // Anything but a world file keeps the no-drop cursor.
    if (!DroppedWorld(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (DroppedWorld(*event->mimeData()).isEmpty())
        return;
    event->acceptProposedAction();
    OpenDropped(*event->mimeData());
}

void CMainFrame::OpenDropped(const QMimeData& data)
{
    const QString path = DroppedWorld(data);
    if (path.isEmpty())
        return;
    const qsizetype count = data.urls().size();
    // Opened once the drag has ended: the source waits for the answer.
    QMetaObject::invokeMethod(
        this,
        [this, path, count] {
            m_world->OpenFile(QFile::encodeName(path).toStdString(), [this, path, count](bool opened) {
                if (!opened)
                    return;
                m_recording->Stop();
                m_pictures->RestartClock();
                if (count > 1)
                    m_bars->ShowMessage(QStringLiteral("Opened %1, the first of %2 dropped files")
                                            .arg(QFileInfo(path).fileName())
                                            .arg(count));
            });
        },
        Qt::QueuedConnection);
}

void CMainFrame::OnFileExit(CommandId)
{
    // Posted, as the close box does: the command's caller finishes first.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CMainFrame::OnViewToolbar(CommandId)
{
    QToolBar* band = m_bars->ToolBand();
    const bool show = band->isHidden();
    band->setVisible(show);
    // The Insert band shares the toolbar's row: both go, and the row with them.
    m_bars->InsertBand()->setVisible(show);
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

void CMainFrame::OnViewPane(CommandId id)
{
    m_panes->Toggle(id);
    ShowBarChecks();
    // A pane that shows takes no keys until the user clicks into it: its
    // first field would otherwise keep Enter and F8 from the view. Queued,
    // behind the closing menu's own hand-back of the focus.
    QMetaObject::invokeMethod(
        this, [this] { m_viewContainer->setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
}

void CMainFrame::OnDockPanes(CommandId)
{
    m_panes->DockAll();
    ShowBarChecks();
}

void CMainFrame::OnSimulationStep(CommandId)
{
    if (m_world->RefuseWhileOpening())
        return;
    // A step is taken paused: from Running or Stopped it pauses first.
    m_view.m_simulationState = SimulationState::Paused;
    m_view.StepOnce();
    DoIdle();
    m_panes->RefreshNow();
}

void CMainFrame::OnHistory(CommandId id)
{
    const WorldHistory* history = m_view.History();
    // Only a paused world goes back: running, it would move on at once.
    if (m_world->RefuseWhileOpening() || history == nullptr ||
        m_view.m_simulationState != SimulationState::Paused)
        return;
    const auto kSecond = std::int64_t(std::lround(1.0 / kFixedTimeStep));
    switch (id) {
        case CommandId::HistoryStepBack: m_view.MoveThroughHistory(-1); break;
        case CommandId::HistoryStepForward: m_view.MoveThroughHistory(1); break;
        case CommandId::HistorySecondBack: m_view.MoveThroughHistory(-kSecond); break;
        case CommandId::HistorySecondForward: m_view.MoveThroughHistory(kSecond); break;
        case CommandId::HistoryFirst: m_view.ShowMomentAt(history->FirstSeconds()); break;
        default: m_view.ShowMomentAt(history->LastSeconds()); break;
    }
    DoIdle();
    m_panes->RefreshNow();
}

void CMainFrame::OnSimulation(CommandId id)
{
    const SimulationCommand command = id == CommandId::SimulationStart   ? SimulationCommand::Start
                                      : id == CommandId::SimulationPause ? SimulationCommand::Pause
                                                                         : SimulationCommand::Stop;
    if (command == SimulationCommand::Start)
        m_view.RunOnAfterSlowSteps();
    if (command == SimulationCommand::Stop) {
        m_recording->Stop();
        m_pictures->RestartClock();
    }
    const auto transition = NextSimulationState(m_view.m_simulationState, command);
    m_view.m_simulationState = transition.next;
    if (transition.resetDue) {
        m_view.ResetSimulation();
        m_panes->RefreshNow();
    }
    DoIdle();
}

void CMainFrame::OnEdit(CommandId id)
{
    switch (id) {
        case CommandId::EditUndo:
            m_edit->Undo();
            m_panes->Properties()->ShowUndone();
            m_panes->RefreshNow();
            break;
        case CommandId::EditRedo:
            m_edit->Redo();
            m_panes->Properties()->ShowUndone();
            m_panes->RefreshNow();
            break;
        case CommandId::EditCut:
            m_edit->Cut();
            break;
        case CommandId::EditCopy:
            if (m_panes->GraphHasFocus())
                CopyGraph();
            else
                m_edit->Copy();
            break;
        case CommandId::EditPaste:
            m_edit->Paste();
            break;
        case CommandId::EditSelectAll:
            m_edit->SelectAll();
            break;
        case CommandId::EditDuplicate:
            m_edit->Duplicate();
            break;
        default:
            m_edit->Delete();
            break;
    }
    DoIdle();
}

void CMainFrame::CopyGraph()
{
    CGraphPane& graph = *m_panes->Graph();
    const int moments = graph.Copy();
    m_bars->ShowMessage(moments == 0
                            ? QStringLiteral("No history yet: the graph has nothing to copy")
                            : QStringLiteral("Copied the graph of %1 as CSV: %2 moments")
                                  .arg(QString::fromStdString(graph.Shown().title))
                                  .arg(moments));
}

void CMainFrame::OnPicture(CommandId id)
{
    switch (id) {
    case CommandId::FileExportPicture: m_pictures->ExportPicture(); break;
    case CommandId::FilePrint: m_pictures->Print(); break;
    case CommandId::FilePrintPreview: m_pictures->PrintPreview(); break;
    default: m_pictures->PrintSetup(); break;
    }
}

void CMainFrame::OnRecord(CommandId)
{
    m_recording->Toggle();
}

void CMainFrame::OnInsert(CommandId id)
{
    if (m_insert->Insert(id))
        m_panes->RefreshNow();
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
        if (const int fallen = m_view.TakeFallenCount()) {
            m_bars->ShowMessage(
                fallen == 1 ? QStringLiteral("A body fell off the world and left it; Stop brings "
                                             "back a body the world started with")
                            : QStringLiteral("%1 bodies fell off the world and left it; Stop "
                                             "brings back the bodies the world started with")
                                  .arg(fallen));
            m_panes->RefreshNow();
        }
        if (const auto seconds = m_view.TakeSlowStepPause()) {
            m_bars->ShowMessage(QString::fromStdString(SlowStepMessage(*seconds)));
            DoIdle();
        }
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
    // An open still running is cancelled as the view goes; what it built is
    // the process's to take back, so the close does not wait for it.
    LeaveCancelledWorkToProcessEnd();
    OnDestroy();
    QCoreApplication::exit(1);
}
