// The dock panes in the real frame: the View commands and their checks, the
// keyboard while a pane's field is edited, Step, the tree's counts and the
// property edits with the values they refuse.

#include "app/frame_panes.h"
#include "app/main_frame.h"
#include "app/properties_pane.h"
#include "app/tools_pane.h"
#include "app/tree_pane.h"
#include "app/ui_state_table.h"

#include <gtest/gtest.h>
#include <chrono>
#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDockWidget>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QPushButton>
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
    for (CommandId id : {ViewTree, ViewProperties, ViewTools}) {
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
