// The dock panes in the real frame: the View commands and their checks, the
// keyboard while a pane's field is edited, Step, the tree's counts and the
// property edits with the values they refuse.

#include "app/frame_panes.h"
#include "app/graph_pane.h"
#include "app/main_frame.h"
#include "app/sstate/dock_wnd_mgr.h"
#include "app/sstate/settings_tree.h"
#include "edit/plot_csv.h"
#include "app/properties_pane.h"
#include "app/tools_pane.h"
#include "app/tree_pane.h"
#include "app/ui_state_table.h"

#include <gtest/gtest.h>
#include <chrono>
#include <QtGui/QAction>
#include <QtGui/QClipboard>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDockWidget>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QSlider>
#include <QtWidgets/QTreeWidget>

namespace {

using enum CommandId;

class FramePanesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_frame = CMainFrame::Create();
        ASSERT_NE(m_frame, nullptr);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        // The restored layout decides which panes show: wait for it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->LayoutRestored(); }));
    }
    void TearDown() override { m_frame.reset(); }

    CFramePanes& Panes() { return m_frame->Panes(); }
    // The View menu's check of a command, as the menu shows it when it opens.
    bool MenuCheck(CommandId id)
    {
        QMenu* view = m_frame->Bars().Menus().at(3);
        emit view->aboutToShow();
        for (QAction* item : view->actions())
            if (CommandOf(*item) == ToInt(id))
                return item->isChecked();
        ADD_FAILURE() << "no item " << ToInt(id);
        return false;
    }
    // Types into a field and leaves it with Enter, as the user does.
    void TypeInto(QLineEdit* field, const QString& text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(FramePanesTest, ViewCommandsShowAndHideEachPaneAndTheItemIsCheckedWhileItShows)
{
    const QRect viewBefore = m_frame->ViewContainer()->geometry();
    for (CommandId id : {ViewTree, ViewProperties, ViewTools, ViewGraph}) {
        SCOPED_TRACE(ToInt(id));
        QDockWidget* dock = Panes().DockFor(id);
        ASSERT_NE(dock, nullptr);
        EXPECT_TRUE(dock->isHidden()) << "a pane shows at start";
        EXPECT_FALSE(MenuCheck(id));

        EXPECT_TRUE(m_frame->OnCommand(id));
        ASSERT_TRUE(QTest::qWaitFor([&] { return dock->isVisible(); }));
        EXPECT_TRUE(MenuCheck(id));
        // Docked beside the view, which gives it room.
        EXPECT_FALSE(dock->isFloating());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return m_frame->ViewContainer()->geometry() != viewBefore; }));

        // Its own close button unchecks the command; the command shows it again.
        dock->close();
        EXPECT_TRUE(dock->isHidden());
        EXPECT_FALSE(MenuCheck(id));
        m_frame->OnCommand(id);
        EXPECT_TRUE(MenuCheck(id));
        m_frame->OnCommand(id);
        EXPECT_TRUE(dock->isHidden());
        EXPECT_FALSE(MenuCheck(id));
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return m_frame->ViewContainer()->geometry() == viewBefore; }));
}

// The Graph pane docks below the view, comes back where the saved layout
// had it, and takes Ctrl+C while it has the keyboard: its numbers are
// copied, never the selected body.
TEST_F(FramePanesTest, GraphDocksBelowTheViewIsRememberedAndTakesCopyWhileFocused)
{
    QDockWidget* dock = Panes().DockFor(ViewGraph);
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(dock->isHidden()) << "the graph shows at start";
    EXPECT_FALSE(MenuCheck(ViewGraph));
    m_frame->OnCommand(ViewGraph);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dock->isVisible(); }));
    EXPECT_TRUE(MenuCheck(ViewGraph));
    EXPECT_EQ(m_frame->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    EXPECT_FALSE(dock->isFloating());

    // Kept with the layout under its own name, and put back from it.
    auto record = std::make_shared<sstate::SettingsKey>();
    sstate::CDockWndMgr panes(Panes().LayoutPanes());
    {
        sstate::CMemoryStorage storage(record, true);
        panes.Store(storage);
    }
    {
        sstate::CMemoryStorage storage(record, false);
        const auto stored = storage.QueryBinaryValue("paneGraph");
        ASSERT_TRUE(stored.has_value()) << "the graph has no record in the layout";
        const auto placement = sstate::DecodePanePlacement(*stored);
        ASSERT_TRUE(placement.has_value());
        EXPECT_TRUE(placement->shown);
        EXPECT_EQ(placement->side, sstate::kPaneBottom);
    }
    m_frame->OnCommand(ViewGraph);
    ASSERT_TRUE(dock->isHidden());
    {
        sstate::CMemoryStorage storage(record, false);
        panes.Restore(storage, {});
    }
    EXPECT_FALSE(dock->isHidden()) << "the saved layout's graph did not come back";
    EXPECT_EQ(m_frame->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    EXPECT_TRUE(MenuCheck(ViewGraph));
    panes.RestoreDefault();
    EXPECT_TRUE(dock->isHidden()) << "the graph shows without a saved layout";
    m_frame->OnCommand(ViewGraph);

    // Ctrl+C as the window system hands it to the frame's window.
    m_frame->OnCommand(SimulationPause);
    Panes().Select(m_frame->View().SceneIfBuilt()->World()->getCollisionObjectArray()[5]);
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == m_frame.get(); }));
    QTest::qWait(100);  // showing the pane hands the keyboard back to the view once
    CGraphPane* graph = Panes().Graph();
    ASSERT_TRUE(QTest::qWaitFor([&] { return graph->isVisible(); }));
    QTest::mouseClick(graph, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Panes().GraphHasFocus(); }));
    EXPECT_FALSE(m_frame->Keys().IsDown(ViewKey::W));
    QClipboard& clipboard = *QGuiApplication::clipboard();
    clipboard.setText(QStringLiteral("before"));
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_C, Qt::ControlModifier);
    const PlotSeries& shown = graph->Shown();
    if (shown.Empty()) {
        EXPECT_EQ(clipboard.text(), "before") << "Ctrl+C in the graph copied the body";
        EXPECT_EQ(m_frame->Bars().StatusText(), "No history yet: the graph has nothing to copy");
    } else {
        EXPECT_EQ(clipboard.text().toStdString(), PlotCsv(shown));
    }
    // Back in the view, Ctrl+C copies the body again.
    m_frame->ViewContainer()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Panes().HasFocus(); }));
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_C, Qt::ControlModifier);
    const QString body = clipboard.text();
    EXPECT_TRUE(body != "before" && !body.startsWith("time (s)")) << body.toStdString();
}

TEST_F(FramePanesTest, AFieldBeingEditedKeepsTheKeysFromTheViewAndTheAccelerators)
{
    m_frame->OnCommand(ViewProperties);
    QLineEdit* gravity = Panes().Properties()->GravityField();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gravity->isVisible(); }));
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == m_frame.get(); }));
    ASSERT_EQ(m_frame->View().m_simulationState, SimulationState::Running);

    QTest::mouseClick(gravity, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == gravity; }));
    // Keys as the window system hands them to the frame's window, which
    // passes them on to its focus widget when no filter takes them.
    auto frameKey = [&](QEvent::Type type, Qt::Key key) {
        QKeyEvent event(type, key, Qt::NoModifier);
        return m_frame->FilterMessage({m_frame->windowHandle(), &event});
    };
    EXPECT_FALSE(frameKey(QEvent::ShortcutOverride, Qt::Key_Return));
    EXPECT_FALSE(frameKey(QEvent::KeyPress, Qt::Key_Return)) << "Enter taken from the field";
    EXPECT_FALSE(frameKey(QEvent::KeyPress, Qt::Key_Escape)) << "Esc taken from the field";
    gravity->selectAll();
    QTest::keyClicks(gravity, "0, -3, 0");
    QTest::keyClick(gravity, Qt::Key_Return);
    EXPECT_EQ(m_frame->View().m_simulationState, SimulationState::Running);
    // Held keys go to the field too, never to the camera.
    QTest::keyPress(gravity, Qt::Key_W);
    EXPECT_FALSE(m_frame->Keys().IsDown(ViewKey::W)) << "W walks while a field is edited";
    QTest::keyRelease(gravity, Qt::Key_W);
    // Out of the field, the frame's keys are its own again.
    m_frame->ViewContainer()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Panes().HasFocus(); }));
    EXPECT_TRUE(frameKey(QEvent::KeyPress, Qt::Key_Return));
    EXPECT_EQ(m_frame->View().m_simulationState, SimulationState::Paused);
    EXPECT_FLOAT_EQ(m_frame->View().SceneIfBuilt()->World()->getGravity().y(), -3.0f);
}

// Keys as the window system delivers them, to the frame's window, with a
// pane's field holding the keyboard: the field keeps its editing keys, the
// frame gets its shortcuts, and after Enter Ctrl+Z undoes the edit.
TEST_F(FramePanesTest, AFieldKeepsItsEditingKeysAndTheFrameItsShortcutsAndUndo)
{
    CKinettaView& view = m_frame->View();
    m_frame->OnCommand(ViewProperties);
    QLineEdit* gravity = Panes().Properties()->GravityField();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gravity->isVisible(); }));
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == m_frame.get(); }));
    QWindow* window = m_frame->windowHandle();
    const btVector3 g0 = view.SceneIfBuilt()->World()->getGravity();
    // Showing the pane hands the keyboard back to the view once: after that.
    QTest::qWait(100);

    TypeInto(gravity, "0, -3, 0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == gravity; }));
    ASSERT_FLOAT_EQ(view.SceneIfBuilt()->World()->getGravity().y(), -3.0f);
    // F8 steps, whatever has the keyboard.
    const auto steps = view.Stats().steps;
    QTest::keyClick(window, Qt::Key_F8);
    EXPECT_EQ(view.m_simulationState, SimulationState::Paused) << "F8 stayed in the field";
    EXPECT_EQ(view.Stats().steps, steps + 1);
    // Nothing left to undo in the field: Ctrl+Z undoes the gravity edit.
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(view.SceneIfBuilt()->World()->getGravity(), g0) << "Ctrl+Z did not undo the edit";
    EXPECT_TRUE(QTest::qWaitFor([&] { return gravity->text() == "0, -10, 0"; }))
        << gravity->text().toStdString();
    QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(view.SceneIfBuilt()->World()->getGravity().y(), -3.0f);

    // Typing in it makes Ctrl+Z the field's own again, and Enter and Esc
    // stay with it.
    ASSERT_EQ(QApplication::focusWidget(), gravity);
    QTest::keyClick(window, Qt::Key_End);
    QTest::keyClick(window, Qt::Key_5);
    EXPECT_TRUE(gravity->text().endsWith("05")) << gravity->text().toStdString();
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(gravity->text().endsWith("05")) << "the field's own undo was taken";
    EXPECT_FLOAT_EQ(view.SceneIfBuilt()->World()->getGravity().y(), -3.0f);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(view.m_simulationState, SimulationState::Paused) << "Esc stopped from the field";
    EXPECT_EQ(QApplication::focusWidget(), gravity);
}

// Showing and hiding panes and bars keeps the size the user gave the window,
// and a window made tiny still has a view to see, the panes giving way first.
TEST_F(FramePanesTest, PanesNeverResizeTheWindowAndATinyWindowKeepsAView)
{
    const QSize chosen(1024, 768);
    m_frame->resize(chosen);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->size() == chosen; }));
    // The tallest the Properties pane gets: a body's page with a refusal.
    m_frame->OnCommand(SimulationPause);
    btCollisionObject* can = m_frame->View().SceneIfBuilt()->World()->getCollisionObjectArray()[5];
    Panes().Select(can);
    m_frame->OnCommand(ViewProperties);
    TypeInto(Panes().Properties()->BodyField(BodyField::Mass), "-1");
    ASSERT_FALSE(Panes().Properties()->Refusal().isEmpty());
    m_frame->OnCommand(ViewProperties);
    for (int round = 0; round < 3; ++round) {
        for (CommandId id : {ViewTree, ViewProperties, ViewTools, ViewToolbar, ViewStatusBar}) {
            m_frame->OnCommand(id);
            QTest::qWait(30);
            EXPECT_EQ(m_frame->size(), chosen) << "after command " << ToInt(id) << ", round "
                                               << round;
        }
    }
    ASSERT_TRUE(Panes().IsShown(ViewProperties) && Panes().IsShown(ViewTools));

    m_frame->resize(80, 60);
    QTest::qWait(300);
    const QSize view = m_frame->ViewContainer()->size();
    EXPECT_GE(view.width(), 160) << "view " << view.width() << " x " << view.height();
    EXPECT_GE(view.height(), 120) << "view " << view.width() << " x " << view.height();
    EXPECT_TRUE(Panes().IsShown(ViewTree) && Panes().IsShown(ViewProperties));
}

TEST_F(FramePanesTest, StepPausesThenAdvancesExactlyOneStepPerCommand)
{
    CKinettaView& view = m_frame->View();
    ASSERT_EQ(view.m_simulationState, SimulationState::Running);
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == m_frame.get(); }));
    // F8, the key of Step, as the view's window receives it.
    QTest::keyClick(&view, Qt::Key_F8);
    EXPECT_EQ(view.m_simulationState, SimulationState::Paused);
    const auto steps = view.Stats().steps;
    QTest::qWait(100);  // ten ticks, none of them steps while paused
    EXPECT_EQ(view.Stats().steps, steps);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(m_frame->OnCommand(SimulationStep));
        EXPECT_EQ(view.Stats().steps, steps + i);
    }
    // The Tools pane's button is the same command.
    m_frame->OnCommand(ViewTools);
    QTest::mouseClick(Panes().Tools()->StepButton(), Qt::LeftButton);
    EXPECT_EQ(view.Stats().steps, steps + 4);
    EXPECT_EQ(view.m_simulationState, SimulationState::Paused);
}

// The history's keys and the Tools pane's timeline move through the kept
// steps only while paused; Start runs on from the moment shown.
TEST_F(FramePanesTest, HistoryKeysAndTheTimelineScrubOnlyWhilePaused)
{
    CKinettaView& view = m_frame->View();
    m_frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == m_frame.get(); }));
    ASSERT_NE(view.History(), nullptr);
    const WorldHistory& history = *view.History();
    ASSERT_TRUE(QTest::qWaitFor([&] { return history.LastStep() >= 2; }));
    QTest::keyClick(&view, Qt::Key_Comma);
    EXPECT_EQ(history.ShownStep(), history.LastStep()) << "running, , goes nowhere";
    EXPECT_FALSE(view.ShowMomentAt(0.0));

    // Steps taken one at a time, which is quicker than ticks on a busy machine.
    m_frame->OnCommand(SimulationPause);
    while (history.LastStep() < 80)
        m_frame->OnCommand(SimulationStep);
    const std::int64_t first = history.FirstStep();
    const std::int64_t last = history.LastStep();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::int64_t shown;
    } presses[] = {
        {Qt::Key_Comma, Qt::NoModifier, last - 1},   {Qt::Key_Comma, Qt::NoModifier, last - 2},
        {Qt::Key_Period, Qt::NoModifier, last - 1},  {Qt::Key_Less, Qt::ShiftModifier, last - 61},
        {Qt::Key_Greater, Qt::ShiftModifier, last - 1}, {Qt::Key_Home, Qt::NoModifier, first},
        {Qt::Key_Comma, Qt::NoModifier, first},      {Qt::Key_End, Qt::NoModifier, last},
        {Qt::Key_Period, Qt::NoModifier, last},
    };
    for (const auto& press : presses) {
        QTest::keyClick(&view, press.key, press.modifiers);
        EXPECT_EQ(history.ShownStep(), press.shown) << "key " << press.key;
        EXPECT_DOUBLE_EQ(view.Stats().shownSeconds, WorldHistory::SecondsOf(press.shown));
    }
    EXPECT_EQ(history.LastStep(), last) << "scrubbing keeps every step";

    m_frame->OnCommand(ViewTools);
    Panes().RefreshNow();
    QSlider* slider = Panes().Tools()->Timeline()->Slider();
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_EQ(slider->maximum(), int(last - first));
    EXPECT_EQ(slider->tickInterval(), 60);
    slider->setValue(30);  // as a drag does
    EXPECT_EQ(history.ShownStep(), first + 30);
    EXPECT_TRUE(Panes().Tools()->Timeline()->Label()->text().startsWith(
        QStringLiteral("At %1 s").arg(WorldHistory::SecondsOf(first + 30), 0, 'f', 2)));

    m_frame->OnCommand(SimulationStart);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !history.Rewound(); }));
    EXPECT_EQ(history.ShownStep(), history.LastStep());
    EXPECT_LT(history.LastStep(), last) << "running on forgets what came after";
    Panes().RefreshNow();
    EXPECT_FALSE(slider->isEnabled()) << "running, the timeline is not dragged";
}

// Steps timed by a clock the test drives: 7.4 s between its readings, so
// each step of the running world seems to take 7.4 s.
TEST_F(FramePanesTest, AWorldTooSlowToStepPausesAfterAStepAndRunsOnAtTheUsersWord)
{
    CKinettaView& view = m_frame->View();
    bool slow = true;
    view.SetStepClock([&slow, t = std::chrono::steady_clock::time_point()]() mutable {
        t += slow ? std::chrono::milliseconds(7400) : std::chrono::milliseconds(1);
        return t;
    });
    ASSERT_EQ(view.m_simulationState, SimulationState::Running);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.m_simulationState == SimulationState::Paused; }))
        << "a 7.4 s step did not pause the world";
    EXPECT_EQ(m_frame->Bars().StatusText().toStdString(),
              "Paused: one step of this world takes 7.4 s; F8 steps once, Enter runs on");
    const auto steps = view.Stats().steps;
    QTest::qWait(100);
    EXPECT_EQ(view.Stats().steps, steps) << "stepped on while paused";
    m_frame->OnCommand(SimulationStep);
    EXPECT_EQ(view.Stats().steps, steps + 1);

    // Run on: the user's word holds, however slow the steps.
    m_frame->OnCommand(SimulationStart);
    ASSERT_EQ(view.m_simulationState, SimulationState::Running);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.Stats().steps > steps + 3; }));
    EXPECT_EQ(view.m_simulationState, SimulationState::Running);
    // Fast steps never pause; a new world is measured afresh.
    slow = false;
    m_frame->OnCommand(FileNew);
    QTest::qWait(100);
    EXPECT_EQ(view.m_simulationState, SimulationState::Running);
    slow = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.m_simulationState == SimulationState::Paused; }));
    view.SetStepClock({});
}

// Bodies fallen far below the world leave it while it runs, and the user is
// told in the status bar, in the number that left, and how to get them back.
TEST_F(FramePanesTest, BodiesThatFellOffTheWorldAreToldInTheStatusBar)
{
    CKinettaView& view = m_frame->View();
    ASSERT_EQ(view.m_simulationState, SimulationState::Running);
    const int startBodies = view.BodyCount();
    // Start bodies, last in the world: cans above the ground, never it.
    auto sink = [&](int fromEnd) {
        const btCollisionObjectArray& objects =
            view.DocumentIfBuilt()->World().getCollisionObjectArray();
        btRigidBody* body = btRigidBody::upcast(objects[objects.size() - 1 - fromEnd]);
        ASSERT_TRUE(body != nullptr && !body->isStaticObject());
        btTransform deep = body->getWorldTransform();
        deep.getOrigin().setY(-2000);
        body->setWorldTransform(deep);
        body->activate(true);
    };
    sink(0);
    sink(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.BodyCount() == startBodies - 2; }))
        << "the fallen bodies stayed";
    EXPECT_EQ(m_frame->Bars().StatusText().toStdString(),
              "2 bodies fell off the world and left it; Stop brings back the bodies the world "
              "started with");
    sink(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.BodyCount() == startBodies - 3; }));
    EXPECT_EQ(m_frame->Bars().StatusText().toStdString(),
              "A body fell off the world and left it; Stop brings back a body the world started "
              "with");
    m_frame->OnCommand(SimulationStop);
    EXPECT_EQ(view.BodyCount(), startBodies);
}

TEST_F(FramePanesTest, TreeCountsFollowThrowsAndStopAndSelectsBothWays)
{
    CKinettaView& view = m_frame->View();
    m_frame->OnCommand(ViewTree);
    m_frame->OnCommand(ViewProperties);
    QTreeWidget* tree = Panes().Tree()->Tree();
    auto groupText = [&](int index) { return Panes().Tree()->GroupItem(index)->text(0); };
    // Ground, Walls, Cans, Dominoes, Dice, Balls, Other, Constraints.
    ASSERT_TRUE(QTest::qWaitFor([&] { return groupText(2) == "Cans (240)"; })) << groupText(2).toStdString();
    EXPECT_EQ(groupText(0), "Ground (1)");
    EXPECT_EQ(groupText(4), "Dice (0)");
    EXPECT_EQ(groupText(7), "Constraints (0)");

    ASSERT_EQ(view.AddRestingBodies(10), 10);  // dice, a ball on every other stack
    ASSERT_TRUE(QTest::qWaitFor([&] { return groupText(4) != "Dice (0)"; }));
    const int dice = groupText(4).mid(6).chopped(1).toInt();
    const int balls = groupText(5).mid(7).chopped(1).toInt();
    EXPECT_EQ(dice + balls, 10);
    EXPECT_GT(balls, 0);

    // Selecting the first die in the tree shows it in Properties.
    QTreeWidgetItem* diceGroup = Panes().Tree()->GroupItem(4);
    diceGroup->setExpanded(true);
    ASSERT_EQ(diceGroup->childCount(), dice);
    EXPECT_TRUE(diceGroup->child(0)->text(0).startsWith("Die 1"));
    tree->setCurrentItem(diceGroup->child(0));
    ASSERT_NE(Panes().Selected(), nullptr);
    EXPECT_EQ(KindOf(*Panes().Selected()), BodyKind::Die);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Panes().Properties()->ShowsBody(); }));

    // Selecting elsewhere shows the body in the tree.
    const btCollisionObject* can =
        view.SceneIfBuilt()->World()->getCollisionObjectArray()[5];
    ASSERT_EQ(KindOf(*can), BodyKind::Can);
    Panes().Select(can);
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->parent(), Panes().Tree()->GroupItem(2));
    EXPECT_TRUE(tree->currentItem()->isSelected());

    // Stop takes the thrown bodies and a selection among them away.
    Panes().Select(view.SceneIfBuilt()->World()->getCollisionObjectArray().at(
        view.BodyCount() - 1));
    m_frame->OnCommand(SimulationStop);
    EXPECT_EQ(groupText(4), "Dice (0)");
    EXPECT_EQ(groupText(5), "Balls (0)");
    EXPECT_EQ(Panes().Selected(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Panes().Properties()->ShowsBody(); }));
}

TEST_F(FramePanesTest, ARefusedValueBelongsToTheFieldAndTheBodyItWasTypedFor)
{
    m_frame->OnCommand(SimulationPause);
    m_frame->OnCommand(ViewProperties);
    btDiscreteDynamicsWorld& world = *m_frame->View().SceneIfBuilt()->World();
    auto* can = btRigidBody::upcast(world.getCollisionObjectArray()[5]);
    auto* ground = btRigidBody::upcast(world.getCollisionObjectArray()[0]);
    ASSERT_EQ(KindOf(*can), BodyKind::Can);
    ASSERT_EQ(KindOf(*ground), BodyKind::Ground);
    CPropertiesPane& pane = *Panes().Properties();
    QLineEdit* mass = pane.BodyField(BodyField::Mass);
    auto* reason = pane.findChild<QLabel*>("refusal");
    ASSERT_NE(reason, nullptr);
    auto marked = [&] { return !mass->styleSheet().isEmpty() || !reason->isHidden(); };

    Panes().Select(can);
    TypeInto(mass, "-1");
    ASSERT_FALSE(pane.Refusal().isEmpty());
    ASSERT_TRUE(marked());
    // Another body shows its own mass, with no refusal nor mark.
    Panes().Select(ground);
    EXPECT_EQ(mass->text(), "0") << "the can's refused mass shows for the ground";
    EXPECT_TRUE(pane.Refusal().isEmpty());
    EXPECT_FALSE(marked());

    // A valid value after a refused one takes the mark away.
    Panes().Select(can);
    TypeInto(mass, "-1");
    ASSERT_TRUE(marked());
    TypeInto(mass, "2");
    EXPECT_FLOAT_EQ(1 / can->getInvMass(), 2.0f);
    EXPECT_TRUE(pane.Refusal().isEmpty());
    EXPECT_FALSE(marked()) << "the red border stayed after a valid value";
}

TEST_F(FramePanesTest, PropertyEditsApplyOrAreRefusedWithTheReasonLeavingTheBodyUnchanged)
{
    CKinettaView& view = m_frame->View();
    m_frame->OnCommand(SimulationPause);
    m_frame->OnCommand(ViewProperties);
    btDiscreteDynamicsWorld& world = *view.SceneIfBuilt()->World();
    auto* can = btRigidBody::upcast(world.getCollisionObjectArray()[5]);
    ASSERT_EQ(KindOf(*can), BodyKind::Can);
    Panes().Select(can);
    CPropertiesPane& pane = *Panes().Properties();
    ASSERT_TRUE(pane.ShowsBody());
    const btScalar mass = 1 / can->getInvMass();
    const btScalar friction = can->getFriction();
    EditHistory& history = view.DocumentIfBuilt()->History();
    const std::size_t edits = history.Size();

    struct Refused {
        BodyField field;
        const char* text;
        const char* reason;  // a part of it
    };
    const Refused refused[] = {
        {BodyField::Mass, "-1", "Mass must be from 0"},
        {BodyField::Mass, "nan", "Mass must be a finite number"},
        {BodyField::Friction, "-0.5", "Friction must be from 0"},
        {BodyField::Friction, "inf", "finite"},
        {BodyField::Restitution, "1.5", "Restitution must be from 0 to 1"},
        {BodyField::LinearDamping, "2", "damping must be from 0 to 1"},
        {BodyField::Position, "1, 2", "three numbers"},
        {BodyField::Position, "1, nan, 2", "finite"},
        {BodyField::LinearVelocity, "abc", "three numbers"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.text);
        QLineEdit* field = pane.BodyField(r.field);
        TypeInto(field, r.text);
        EXPECT_TRUE(pane.Refusal().contains(r.reason)) << pane.Refusal().toStdString();
        EXPECT_EQ(field->text(), r.text) << "the refused value left its field";
    }
    EXPECT_EQ(1 / can->getInvMass(), mass);
    EXPECT_EQ(can->getFriction(), friction);
    EXPECT_EQ(history.Size(), edits) << "a refused value became an undoable edit";

    // A good value clears the reason and reaches the body.
    TypeInto(pane.BodyField(BodyField::Friction), "0.25");
    EXPECT_TRUE(pane.Refusal().isEmpty());
    EXPECT_FLOAT_EQ(can->getFriction(), 0.25f);
    // One undoable step, which Undo and Redo take back and make again.
    EXPECT_EQ(history.Size(), edits + 1);
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(can->getFriction(), friction);
    ASSERT_TRUE(history.Redo());
    EXPECT_FLOAT_EQ(can->getFriction(), 0.25f);

    // Mass: inertia follows, 0 makes the body static and back again.
    const btVector3 inertia = can->getInvInertiaDiagLocal();
    TypeInto(pane.BodyField(BodyField::Mass), QString::number(mass * 4));
    EXPECT_FLOAT_EQ(1 / can->getInvMass(), mass * 4);
    EXPECT_NEAR(can->getInvInertiaDiagLocal().x(), inertia.x() / 4, inertia.x() * 1e-4);
    TypeInto(pane.BodyField(BodyField::Mass), "0");
    EXPECT_TRUE(can->isStaticObject());
    TypeInto(pane.BodyField(BodyField::Mass), "2");
    EXPECT_FALSE(can->isStaticObject());
    EXPECT_FLOAT_EQ(1 / can->getInvMass(), 2.0f);

    TypeInto(pane.BodyField(BodyField::Position), "1, 20, 3");
    EXPECT_EQ(can->getWorldTransform().getOrigin(), btVector3(1, 20, 3));

    // The world's settings, with nothing selected.
    Panes().Select(nullptr);
    ASSERT_FALSE(pane.ShowsBody());
    for (const char* text : {"0", "101", "2.5", "nan"}) {
        TypeInto(pane.IterationsField(), text);
        EXPECT_FALSE(pane.Refusal().isEmpty()) << text;
    }
    EXPECT_EQ(world.getSolverInfo().m_numIterations, 10);
    TypeInto(pane.IterationsField(), "25");
    EXPECT_EQ(world.getSolverInfo().m_numIterations, 25);
    TypeInto(pane.GravityField(), "0, 1e9, 0");
    EXPECT_FALSE(pane.Refusal().isEmpty());
    EXPECT_EQ(world.getGravity(), btVector3(0, -10, 0));
}

}  // namespace

namespace {

TEST_F(FramePanesTest, AJointFromTheInsertMenuIsPickedInTheTreeAndEditedInProperties)
{
    CKinettaView& view = m_frame->View();
    m_frame->OnCommand(SimulationStop);
    m_frame->OnCommand(ViewTree);
    m_frame->OnCommand(ViewProperties);
    WorldDocument& document = *view.DocumentIfBuilt();
    btDiscreteDynamicsWorld& world = document.World();
    auto* a = btRigidBody::upcast(world.getCollisionObjectArray()[5]);
    auto* b = btRigidBody::upcast(world.getCollisionObjectArray()[6]);
    auto* c = btRigidBody::upcast(world.getCollisionObjectArray()[7]);
    document.Selection().SelectAll({a, b, c});
    EXPECT_FALSE(m_frame->Joints().CanJoin()) << "three bodies make no joint";
    document.Selection().SelectAll({a, b});
    ASSERT_TRUE(m_frame->Joints().CanJoin());
    ASSERT_TRUE(m_frame->Joints().Join(JointType::Hinge));
    ASSERT_EQ(world.getNumConstraints(), 1);
    auto& hinge = static_cast<btHingeConstraint&>(*world.getConstraint(0));

    // The tree lists it; picking it there selects it alone, and Properties shows it.
    Panes().RefreshNow();
    QTreeWidgetItem* constraints = Panes().Tree()->GroupItem(kBodyKindCount);
    ASSERT_EQ(constraints->childCount(), 1);
    EXPECT_TRUE(constraints->child(0)->text(0).startsWith("Hinge 1: Can ")) << constraints->child(0)->text(0).toStdString();
    Panes().Tree()->Tree()->setCurrentItem(constraints->child(0));
    EXPECT_EQ(document.Selection().Joint(), &hinge);
    EXPECT_EQ(document.Selection().Count(), 0u);
    CPropertiesPane& pane = *Panes().Properties();
    ASSERT_TRUE(pane.ShowsJoint());
    EXPECT_FALSE(pane.JointEdit(JointField::Stiffness)->isEnabled()) << "a hinge has no spring";

    EditHistory& history = document.History();
    const std::size_t edits = history.Size();
    TypeInto(pane.JointEdit(JointField::MotorImpulse), "5");
    TypeInto(pane.JointEdit(JointField::MotorSpeed), "2");
    EXPECT_TRUE(hinge.getEnableAngularMotor());
    EXPECT_FLOAT_EQ(hinge.getMaxMotorImpulse(), 5);
    EXPECT_FLOAT_EQ(hinge.getMotorTargetVelocity(), 2);
    EXPECT_EQ(history.Size(), edits + 2) << "each change is one edit";
    TypeInto(pane.JointEdit(JointField::BreakingImpulse), "-3");
    EXPECT_TRUE(pane.Refusal().contains("breaking impulse")) << pane.Refusal().toStdString();
    EXPECT_EQ(hinge.getBreakingImpulseThreshold(), SIMD_INFINITY);
    m_frame->OnCommand(EditUndo);
    EXPECT_FLOAT_EQ(hinge.getMotorTargetVelocity(), 0);

    // Deleting a joined body takes the joint; Undo brings it back.
    document.Selection().Select(a);
    m_frame->OnCommand(EditClear);
    EXPECT_EQ(world.getNumConstraints(), 0);
    m_frame->OnCommand(EditUndo);
    EXPECT_EQ(world.getNumConstraints(), 1);
}

}  // namespace
