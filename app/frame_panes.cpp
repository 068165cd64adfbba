#include "app/frame_panes.h"

#include "edit/document_joints.h"
#include "edit/joint_edits.h"

#include "app/field_keys.h"
#include "app/properties_pane.h"
#include "app/tools_pane.h"
#include "app/tree_pane.h"
#include "app/world_commands.h"
#include "view/debug_drawing.h"
#include "edit/body_properties.h"
#include "edit/document_joints.h"
#include "edit/joint_edits.h"
#include "view/kinetta_view.h"

#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDockWidget>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QAbstractSpinBox>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QScrollArea>
#include <QtWidgets/QStatusBar>

namespace {

// A few times a second: live enough to watch, cheap at thousands of bodies.
constexpr int kRefreshMilliseconds = 250;

int PaneIndex(CommandId id)
{
    switch (id) {
        case CommandId::ViewTree:
            return 0;
        case CommandId::ViewProperties:
            return 1;
        case CommandId::ViewTools:
            return 2;
        case CommandId::ViewGraph:
            return 3;
        default:
            return -1;
    }
}

}  // namespace

CFramePanes::CFramePanes(QMainWindow& frame, CKinettaView& view,
                         std::function<void(CommandId)> command, std::function<void()> changed,
                         CGraphPane::Sources graph)
    : QObject(&frame), m_frame(frame), m_view(view), m_changed(std::move(changed))
{
    m_tree = new CTreePane([this](const btCollisionObject* body) { Select(body); }, nullptr);
    CPropertiesPane::Handlers edits;
    // Each accepted edit is one step of the document's undo history.
    edits.editBody = [this](BodyField field, const FieldValue& value) -> std::optional<std::string> {
        if (const QString refusal = StillOpeningText(m_view); !refusal.isEmpty())
            return refusal.toStdString();
        btRigidBody* body = Selected();
        WorldDocument* document = m_view.DocumentIfBuilt();
        if (body == nullptr || document == nullptr)
            return std::string("The body is no longer in the world");
        // Drawn where it really is from now on, not part way from an old step.
        m_view.ForgetDrawnMotion();
        // While Stopped an edit moves the start too, as a drag does.
        const bool moveStart = m_view.m_simulationState == SimulationState::Stopped;
        const FieldValue before = CurrentFieldValue(*body, field);
        auto refusal = EditBody(document->World(), *body, field, value, moveStart);
        if (!refusal)
            document->History().Push(
                MakePropertyEdit(document->World(), *body, field, before, value, moveStart));
        return refusal;
    };
    auto editWorld = [this](const std::function<std::optional<std::string>(CDynamicsWorld&)>& edit)
        -> std::optional<std::string> {
        if (const QString refusal = StillOpeningText(m_view); !refusal.isEmpty())
            return refusal.toStdString();
        WorldDocument* document = m_view.DocumentIfBuilt();
        if (document == nullptr)
            return std::string("There is no world");
        const WorldProperties before = ReadWorldProperties(document->World());
        auto refusal = edit(document->World());
        if (!refusal)
            document->History().Push(MakeWorldSettingsEdit(document->World(), before,
                                                        ReadWorldProperties(document->World())));
        return refusal;
    };
    edits.editGravity = [editWorld](const FieldValue& value) {
        return editWorld([&](CDynamicsWorld& world) { return EditGravity(world, value); });
    };
    edits.editSolverIterations = [editWorld](double iterations) {
        return editWorld(
            [&](CDynamicsWorld& world) { return EditSolverIterations(world, iterations); });
    };
    edits.editJoint = [this](JointField field,
                             const FieldValue& value) -> std::optional<std::string> {
        if (const QString refusal = StillOpeningText(m_view); !refusal.isEmpty())
            return refusal.toStdString();
        WorldDocument* document = m_view.DocumentIfBuilt();
        btTypedConstraint* joint = document ? document->Selection().Joint() : nullptr;
        if (joint == nullptr || !WorldHolds(document->World(), joint))
            return std::string("The joint is no longer in the world");
        return EditJoint(*document, *joint,
                         WithJointField(ReadJointSettings(*joint), field, value.x, value.y, value.z));
    };
    edits.editSize = [this](const btVector3& size, int count) -> std::optional<std::string> {
        if (const QString refusal = StillOpeningText(m_view); !refusal.isEmpty())
            return refusal.toStdString();
        btRigidBody* body = Selected();
        WorldDocument* document = m_view.DocumentIfBuilt();
        if (body == nullptr || document == nullptr)
            return std::string("The body is no longer in the world");
        Resized resized = ResizeBody(*document, *body, size, count);
        if (resized.edit)
            document->History().Push(std::move(resized.edit));
        return resized.refusal;
    };
    m_properties = new CPropertiesPane(std::move(edits), nullptr);
    m_tree->OnJointSelected([this](const btTypedConstraint* joint) {
        if (WorldDocument* document = m_view.DocumentIfBuilt()) {
            // A joint picked in the tree is the selection, alone.
            document->Selection().Clear();
            document->Selection().SelectJoint(const_cast<btTypedConstraint*>(joint));
        }
        Refresh();
    });
    m_tools = new CToolsPane({[command] { command(CommandId::SimulationStep); },
                              [this](SimulationSpeed speed) { SetSpeed(speed); },
                              [this](int mode) { SetDebugMode(mode); },
                              [command] { command(CommandId::SimulationRecord); },
                              [this](long long step) {
                                  if (m_view.ShowMomentAt(WorldHistory::SecondsOf(step)))
                                      Refresh();
                              }},
                             nullptr);

    m_docks[0] = NewDock(QStringLiteral("Tree"), QStringLiteral("treePane"), m_tree,
                         Qt::LeftDockWidgetArea);
    m_docks[1] = NewDock(QStringLiteral("Properties"), QStringLiteral("propertiesPane"),
                         m_properties, Qt::RightDockWidgetArea);
    m_docks[2] = NewDock(QStringLiteral("Tools"), QStringLiteral("toolsPane"), m_tools,
                         Qt::RightDockWidgetArea);
    // Below the view, where a time axis has the window's whole width.
    m_graph = new CGraphPane(std::move(graph), nullptr);
    m_docks[3] = NewDock(QStringLiteral("Graph"), QStringLiteral("graphPane"), m_graph,
                         Qt::BottomDockWidgetArea, false);

    // Hidden at full speed: the status bar is then exactly as without panes.
    m_speedLabel = new QLabel(m_frame.statusBar());
    m_speedLabel->setObjectName(QStringLiteral("speedLabel"));
    m_speedLabel->hide();
    m_frame.statusBar()->addPermanentWidget(m_speedLabel);

    m_refresh.setInterval(kRefreshMilliseconds);
    connect(&m_refresh, &QTimer::timeout, this, [this] { Refresh(); });
    m_refresh.start();
}

QDockWidget* CFramePanes::NewDock(const QString& title, const QString& name, QWidget* content,
                                  Qt::DockWidgetArea area, bool scrolls)
{
    auto* dock = new QDockWidget(title, &m_frame);
    dock->setObjectName(name);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea |
                          Qt::BottomDockWidgetArea);
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                      QDockWidget::DockWidgetFloatable);
    // A pane's contents scroll rather than set the frame's least size: a
    // pane taller than the window would otherwise grow the window as it
    // shows (and a refusal's line below the fields would grow it again),
    // and a small window would have no room left for the view.
    if (scrolls) {
        auto* scroller = new QScrollArea(dock);
        scroller->setFrameShape(QFrame::NoFrame);
        scroller->setWidgetResizable(true);
        scroller->setWidget(content);
        dock->setWidget(scroller);
    } else {
        dock->setWidget(content);
    }
    m_frame.addDockWidget(area, dock);
    dock->hide();
    // Right-clicks on the pane that its fields do not take, and on the
    // title that Qt draws itself (X11).
    dock->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dock, &QWidget::customContextMenuRequested, this,
            [this, dock](const QPoint& at) { ShowPaneMenu(*dock, at); });
    connect(dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            Refresh();
        if (m_changed)
            m_changed();
    });
    return dock;
}

QDockWidget* CFramePanes::DockFor(CommandId id) const
{
    const int index = PaneIndex(id);
    return index < 0 ? nullptr : m_docks[static_cast<std::size_t>(index)];
}

bool CFramePanes::IsShown(CommandId id) const
{
    const QDockWidget* dock = DockFor(id);
    return dock != nullptr && !dock->isHidden();
}

void CFramePanes::Toggle(CommandId id)
{
    QDockWidget* dock = DockFor(id);
    if (dock == nullptr)
        return;
    dock->setVisible(dock->isHidden());
    if (!dock->isHidden())
        dock->raise();
}

bool CFramePanes::HasFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    for (const QDockWidget* dock : m_docks)
        if (focus != nullptr && dock->isAncestorOf(focus))
            return true;
    return false;
}

bool CFramePanes::GraphHasFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && focus == m_graph && !m_docks[3]->isHidden();
}

bool CFramePanes::EditingField() const
{
    const QWidget* focus = QApplication::focusWidget();
    return HasFocus() && (qobject_cast<const QLineEdit*>(focus) != nullptr ||
                          qobject_cast<const QAbstractSpinBox*>(focus) != nullptr);
}

bool CFramePanes::FieldKeeps(const QKeyEvent& key) const
{
    if (!EditingField())
        return false;
    const auto* edit = qobject_cast<const QLineEdit*>(QApplication::focusWidget());
    // A spin box's text has no changed mark: its undo keys are taken as its own.
    const bool changed = edit == nullptr || edit->isModified();
    return IsFieldEditingKey(key.key(), key.modifiers(), key.text(), changed);
}

bool CFramePanes::IsPaneWindow(const QObject* window) const
{
    for (const QDockWidget* dock : m_docks)
        if (dock->isFloating() && window != nullptr && window == dock->windowHandle())
            return true;
    return false;
}

void CFramePanes::Dock(QDockWidget& dock)
{
    // The frame kept the pane's place while it floated: it goes back there.
    // One call, never a toggle: a second toggle from the same click is what
    // floats a pane again straight after it docked.
    if (dock.isFloating())
        dock.setFloating(false);
}

void CFramePanes::DockAll()
{
    for (QDockWidget* dock : m_docks)
        Dock(*dock);
}

bool CFramePanes::AnyFloating() const
{
    for (const QDockWidget* dock : m_docks)
        if (dock->isFloating())
            return true;
    return false;
}

void CFramePanes::ShowPaneMenu(QDockWidget& dock, const QPoint& at)
{
    // A docked pane has nothing to offer: it floats by its title's button.
    if (!dock.isFloating())
        return;
    auto* menu = new QMenu(&dock);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("&Dock"), this, [this, &dock] { Dock(dock); });
    menu->popup(dock.mapToGlobal(at));
}

btRigidBody* CFramePanes::Selected() const
{
    const WorldDocument* document = m_view.DocumentIfBuilt();
    return document != nullptr ? document->Selection().Body() : nullptr;
}

void CFramePanes::Select(const btCollisionObject* body)
{
    WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr)
        return;
    // The tree lists only the world's own bodies, each a rigid body.
    document->Selection().Select(
        body != nullptr ? btRigidBody::upcast(const_cast<btCollisionObject*>(body)) : nullptr);
    Refresh();
}

void CFramePanes::SetSpeed(SimulationSpeed speed)
{
    m_view.SetSpeed(speed);
    m_tools->ShowSpeed(speed);
    m_speedLabel->setText(SpeedText(speed));
    m_speedLabel->setVisible(speed != SimulationSpeed::Full);
}

void CFramePanes::SetDebugMode(int mode)
{
    mode &= debug_drawing::kAll;
    m_view.SetDebugMode(mode);
    m_tools->ShowDebugMode(mode);
}

void CFramePanes::RefreshNow()
{
    Refresh();
}

void CFramePanes::ShowHistorySpan()
{
    const WorldHistory* history = m_view.History();
    TimelineSpan span;
    if (history != nullptr && !history->Empty()) {
        span.firstStep = history->FirstStep();
        span.lastStep = history->LastStep();
        span.shownStep = history->ShownStep();
        span.stepSeconds = WorldHistory::SecondsOf(1);
        span.wantedSeconds = history->WantedSeconds();
        span.limitedByMemory = history->LimitedByMemory();
        span.scrubbable = m_view.m_simulationState == SimulationState::Paused;
    } else {
        span.lastStep = -1;
    }
    m_tools->Timeline()->Show(span);
}

void CFramePanes::Refresh()
{
    // At most four times a second, and only while the graph shows.
    if (!m_docks[3]->isHidden())
        m_graph->Refresh();
    if (!m_docks[2]->isHidden())
        ShowHistorySpan();
    if (m_docks[0]->isHidden() && m_docks[1]->isHidden())
        return;
    const WorldDocument* document = m_view.DocumentIfBuilt();
    if (document == nullptr)
        return;
    const CDynamicsWorld& world = document->World();
    const btRigidBody* selected = Selected();
    if (!m_docks[0]->isHidden()) {
        TakeWorldTree(world, m_snapshot);
        m_tree->ShowTree(m_snapshot, selected);
    }
    btTypedConstraint* joint = document->Selection().Joint();
    if (joint != nullptr && (selected != nullptr || !JointTypeOf(*joint) ||
                             !WorldHolds(const_cast<CDynamicsWorld&>(world), joint)))
        joint = nullptr;
    if (!m_docks[1]->isHidden()) {
        if (joint != nullptr) {
            QString name = QString::fromUtf8(JointNounOf(*JointTypeOf(*joint)));
            for (std::size_t i = 0; i < m_snapshot.constraintObjects.size(); ++i)
                if (m_snapshot.constraintObjects[i] == joint)
                    name = QString::fromStdString(m_snapshot.constraints[i]);
            m_properties->ShowJoint(*JointTypeOf(*joint), ReadJointSettings(*joint), name, joint);
        } else if (selected != nullptr)
            m_properties->ShowBody(ReadBodyProperties(world, *selected), selected);
        else
            m_properties->ShowWorld(ReadWorldProperties(world), m_view.Stats().lastStepMilliseconds,
                                    m_view.Stats().lastRenderMilliseconds);
    }
}

std::shared_ptr<sstate::IPaneList> CFramePanes::LayoutPanes()
{
    sstate::CQtDockPanes::Choices choices;
    choices.get = [this] {
        return sstate::PaneChoices{static_cast<std::uint32_t>(TicksPerStep(m_view.Speed())),
                                   static_cast<std::uint32_t>(m_view.DebugMode())};
    };
    choices.set = [this](const sstate::PaneChoices& stored) {
        SetSpeed(SpeedFromTicksPerStep(static_cast<int>(stored.ticksPerStep)));
        SetDebugMode(static_cast<int>(stored.debugDrawing));
    };
    return std::make_shared<sstate::CQtDockPanes>(
        m_frame,
        std::vector<sstate::QtPane>{{m_docks[0], "paneTree", sstate::kPaneLeft},
                                    {m_docks[1], "paneProperties", sstate::kPaneRight},
                                    {m_docks[2], "paneTools", sstate::kPaneRight},
                                    {m_docks[3], "paneGraph", sstate::kPaneBottom}},
        std::move(choices));
}
