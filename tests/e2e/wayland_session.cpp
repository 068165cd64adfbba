// The program's frame on a Wayland compositor, inside the program's own
// message loop (Run), started by wayland.sh under a private weston. A
// compositor without input devices cannot be driven from outside, so keys go
// in through Qt's own input path (QTest on the frame's window, where a
// Wayland compositor delivers them: the view's subsurface never has the
// keyboard). Settings go to a private folder.

#include "app/app_module.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/frame_panes.h"
#include "app/main_frame.h"
#include "app/qt_environment.h"
#include "app/run.h"
#include "app/tree_pane.h"
#include "app/ui_state_table.h"
#include "view/ogl_window.h"
#include "edit/picking.h"

#include <gtest/gtest.h>
#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtGui/QWheelEvent>
#include <QtGui/QWindow>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDockWidget>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

namespace {

constexpr int kStartBodies = 241;

// Runs the program's loop around a new frame. script runs once the loop has
// shown the frame; then the frame is closed as by its close box. Returns the
// loop's exit code.
int RunFrame(const std::function<void(CMainFrame&)>& script)
{
    return Run([&]() -> std::unique_ptr<QWidget> {
        std::unique_ptr<CMainFrame> frame = CMainFrame::Create();
        if (frame) {
            CMainFrame* shown = frame.get();
            QTimer::singleShot(0, shown, [shown, &script] {
                script(*shown);
                shown->close();
            });
        }
        return frame;
    });
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// A key held for a while on the frame's window, as the compositor sends it.
void HoldKey(CMainFrame& frame, Qt::Key key, int milliseconds)
{
    QTest::keyPress(frame.windowHandle(), key);
    QTest::qWait(milliseconds);
    QTest::keyRelease(frame.windowHandle(), key);
}

TEST(WaylandSession, ViewDrawsEveryTickAndKeysThrowAndStop)
{
    ASSERT_TRUE(QGuiApplication::platformName().startsWith(QStringLiteral("wayland")))
        << "runs on Wayland only, not " << QGuiApplication::platformName().toStdString();
    const int exitCode = RunFrame([](CMainFrame& frame) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        CKinettaView& view = frame.View();
        ASSERT_TRUE(WaitFor([&] { return view.Stats().frames >= 5; }))
            << "the view has not drawn: " << view.Stats().frames << " frames in "
            << view.Stats().ticks << " ticks";

        // Every tick is a frame, as on X11.
        const ViewStats before = view.Stats();
        QTest::qWait(1000);
        const ViewStats after = view.Stats();
        const auto ticks = after.ticks - before.ticks;
        const auto frames = after.frames - before.frames;
        EXPECT_GE(ticks, 5u);
        EXPECT_GE(frames + 1, ticks) << frames << " frames in " << ticks << " ticks";

        ASSERT_EQ(view.BodyCount(), kStartBodies);
        // One ball at once, then one every 200 ms while Space is held.
        HoldKey(frame, Qt::Key_Space, 1000);
        QTest::qWait(100);
        const int thrown = view.BodyCount() - kStartBodies;
        EXPECT_GE(thrown, 2);
        EXPECT_LE(thrown, 7);

        // Esc is an accelerator of the frame: Stop, every thrown body gone.
        QTest::keyClick(frame.windowHandle(), Qt::Key_Escape);
        EXPECT_TRUE(WaitFor([&] { return view.BodyCount() == kStartBodies; }, 1000))
            << view.BodyCount() << " bodies after Esc";
        EXPECT_EQ(view.m_simulationState, SimulationState::Stopped);
        HoldKey(frame, Qt::Key_Space, 400);
        EXPECT_EQ(view.BodyCount(), kStartBodies) << "Space threw while stopped";
    });
    EXPECT_EQ(exitCode, 1);
}

// The mouse on the view's subsurface, through Qt's input path: a left drag
// while Paused carries a can and selects it, losing the mouse lets go, a
// right drag turns the view, the wheel walks.
TEST(WaylandSession, MouseCarriesACanTurnsAndWalks)
{
    const int exitCode = RunFrame([](CMainFrame& frame) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        CKinettaView& view = frame.View();
        ASSERT_TRUE(WaitFor([&] { return view.Stats().frames >= 5; }));
        frame.OnCommand(CommandId::SimulationPause);

        // A point of the view where a can is drawn.
        std::optional<QPointF> onCan;
        btRigidBody* can = nullptr;
        for (int y = view.height() / 4; y < view.height() && !onCan; y += 20) {
            const QPointF point(view.width() / 2.0, y);
            const auto ray = view.RayAt(point);
            const auto hit = ray ? PickBody(*view.World(), *ray) : std::nullopt;
            if (hit && !hit->body->isStaticObject()) {
                onCan = point;
                can = hit->body;
            }
        }
        ASSERT_TRUE(onCan.has_value()) << "no can under the view's centre line";
        const btVector3 before = can->getWorldTransform().getOrigin();
        QTest::mousePress(&view, Qt::LeftButton, {}, onCan->toPoint());
        EXPECT_TRUE(view.Dragging());
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(&view, (*onCan + QPointF(15 * step, 0)).toPoint());
        QTest::mouseRelease(&view, Qt::LeftButton, {}, (*onCan + QPointF(60, 0)).toPoint());
        EXPECT_FALSE(view.Dragging());
        EXPECT_EQ(view.Selection().Body(), can);
        EXPECT_GT(can->getWorldTransform().getOrigin().x(), before.x() + 0.5f)
            << "carried to the right";
        EXPECT_TRUE(WaitFor([&] { return frame.Bars().SelectionText().startsWith("Can "); }, 1000))
            << frame.Bars().SelectionText().toStdString();

        // Losing the mouse lets go: the focus going elsewhere, and Stop.
        const QPoint carried = (*onCan + QPointF(60, 0)).toPoint();
        QTest::mousePress(&view, Qt::LeftButton, {}, carried);
        ASSERT_TRUE(view.Dragging());
        QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(&view, &focusOut);
        EXPECT_FALSE(view.Dragging()) << "after the focus went";
        QTest::mouseRelease(&view, Qt::LeftButton, {}, carried);
        QTest::mousePress(&view, Qt::LeftButton, {}, carried);
        ASSERT_TRUE(view.Dragging());
        frame.OnCommand(CommandId::SimulationStop);
        EXPECT_FALSE(view.Dragging()) << "after Stop";
        QTest::mouseRelease(&view, Qt::LeftButton, {}, carried);

        const float yaw = view.Camera().yaw;
        const QPoint middle(view.width() / 2, view.height() / 2);
        QTest::mousePress(&view, Qt::RightButton, {}, middle);
        QTest::mouseMove(&view, middle + QPoint(40, 0));
        QTest::mouseRelease(&view, Qt::RightButton, {}, middle + QPoint(40, 0));
        EXPECT_FLOAT_EQ(view.Camera().yaw, yaw + 40 / kPixelsPerTurnStep);

        const float z = view.Camera().camPos.z();
        QWheelEvent wheel(QPointF(middle), view.mapToGlobal(QPointF(middle)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&view, &wheel);
        EXPECT_NE(view.Camera().camPos.z(), z) << "a notch walks";
    });
    EXPECT_EQ(exitCode, 1);
}

// A floated pane's title belongs to Qt's Wayland decoration, which keeps its
// clicks to move the window; the pane docks again from its own context menu
// and from View › Dock All Panes, back in its place, and stays docked.
TEST(WaylandSession, FloatedPanesDockAgainAndStayDocked)
{
    const int exitCode = RunFrame([](CMainFrame& frame) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        ASSERT_TRUE(WaitFor([&] { return frame.LayoutRestored(); }));
        CFramePanes& panes = frame.Panes();
        QDockWidget* tree = panes.DockFor(CommandId::ViewTree);
        QDockWidget* tools = panes.DockFor(CommandId::ViewTools);
        QAction* dockAll = nullptr;
        for (QAction* item : frame.Bars().MenuActions())
            if (CommandOf(*item) == ToInt(CommandId::ViewDockPanes))
                dockAll = item;
        ASSERT_NE(dockAll, nullptr) << "no View › Dock All Panes";
        auto dockAllEnabled = [&] {
            emit frame.Bars().Menus().at(3)->aboutToShow();  // View
            return dockAll->isEnabled();
        };
        for (CommandId pane : {CommandId::ViewTree, CommandId::ViewTools})
            if (!panes.IsShown(pane))
                frame.OnCommand(pane);
        ASSERT_TRUE(WaitFor([&] { return tree->isVisible() && tools->isVisible(); }));
        const Qt::DockWidgetArea treeArea = frame.dockWidgetArea(tree);
        const Qt::DockWidgetArea toolsArea = frame.dockWidgetArea(tools);
        EXPECT_FALSE(dockAllEnabled()) << "offered while no pane floats";

        auto floatBoth = [&] {
            tree->setFloating(true);
            tools->setFloating(true);
            ASSERT_TRUE(WaitFor([&] {
                return tree->windowHandle() && tree->windowHandle()->isExposed() &&
                       tools->windowHandle() && tools->windowHandle()->isExposed();
            })) << "the floated panes never showed";
            EXPECT_TRUE(tree->isWindow() && tools->isWindow());
        };
        // Docked, in the place it had, and still so a while later: the
        // compositor's answers to the floating window arrive after the call.
        auto staysDocked = [&](QDockWidget* dock, Qt::DockWidgetArea area, const char* how) {
            for (int i = 0; i < 25; ++i) {
                EXPECT_FALSE(dock->isFloating() || dock->isWindow())
                    << how << ": floats again after " << i * 20 << " ms";
                EXPECT_TRUE(dock->isVisible()) << how;
                if (dock->isFloating() || !dock->isVisible())
                    return;
                QTest::qWait(20);
            }
            EXPECT_EQ(frame.dockWidgetArea(dock), area) << how << ": docked elsewhere";
        };

        // The pane's own context menu, from a right-click on its contents.
        floatBoth();
        EXPECT_TRUE(dockAllEnabled());
        QWidget* inside = panes.Tree();
        const QPoint at = inside->rect().center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, inside->mapToGlobal(at));
        QCoreApplication::sendEvent(inside, &click);
        QMenu* menu = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        })) << "no context menu on the floating pane";
        QAction* dock = menu->actions().value(0);
        ASSERT_NE(dock, nullptr);
        EXPECT_EQ(dock->text(), QStringLiteral("&Dock"));
        dock->trigger();
        menu->close();
        staysDocked(tree, treeArea, "Dock");
        EXPECT_TRUE(tools->isFloating()) << "Dock docked another pane too";

        // View › Dock All Panes, for both at once.
        tree->setFloating(true);
        ASSERT_TRUE(WaitFor([&] { return tree->windowHandle()->isExposed(); }));
        dockAll->trigger();
        staysDocked(tree, treeArea, "Dock All Panes");
        staysDocked(tools, toolsArea, "Dock All Panes");
        EXPECT_FALSE(dockAllEnabled());

        // A docked pane's context menu offers nothing.
        QContextMenuEvent docked(QContextMenuEvent::Mouse, at, inside->mapToGlobal(at));
        QCoreApplication::sendEvent(inside, &docked);
        QTest::qWait(100);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        // The next tests start from a layout without panes.
        frame.OnCommand(CommandId::ViewTree);
        frame.OnCommand(CommandId::ViewTools);
    });
    EXPECT_EQ(exitCode, 1);
}

// What a Wayland client keeps of its layout: the compositor places the
// window, but its size and the bars' visibility are the client's own.
TEST(WaylandSession, SizeAndBarsComeBackAfterRestart)
{
    const QSize savedSize(760, 560);
    int exitCode = RunFrame([&](CMainFrame& frame) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        QTest::qWait(300);
        ASSERT_FALSE(frame.Bars().ToolBand()->isHidden());
        ASSERT_FALSE(frame.Bars().StatusBar()->isHidden());
        frame.resize(savedSize);
        frame.OnCommand(CommandId::ViewToolbar);
        frame.OnCommand(CommandId::ViewStatusBar);
        ASSERT_TRUE(WaitFor([&] { return frame.size() == savedSize; }, 2000))
            << "the compositor kept the size at " << frame.width() << " x " << frame.height();
    });
    ASSERT_EQ(exitCode, 1);

    exitCode = RunFrame([&](CMainFrame& frame) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        EXPECT_TRUE(WaitFor([&] { return frame.size() == savedSize; }, 3000))
            << "size after restart: " << frame.width() << " x " << frame.height();
        EXPECT_TRUE(frame.Bars().ToolBand()->isHidden());
        EXPECT_TRUE(frame.Bars().StatusBar()->isHidden());
        // The view takes the room the bars gave up, and still draws.
        const auto framesBefore = frame.View().Stats().frames;
        EXPECT_TRUE(WaitFor([&] { return frame.View().Stats().frames > framesBefore + 5; }));
        EXPECT_EQ(frame.ViewContainer()->height(),
                  frame.height() - frame.Bars().MenuBand()->height());
    });
    EXPECT_EQ(exitCode, 1);
}

// Keys from a compositor that has a keyboard (wayland.sh runs weston on a
// private X server for this; the headless one has none, and Qt asks a
// compositor without a keyboard for no grab at all). xdotool types them
// there as a user does; the loop waits meanwhile, so each tap is over,
// press and release, before the program sees its press: the case in which
// the compositor refuses a grab asked with the press's serial.
class KeyboardMenus : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_seatDisplay = qEnvironmentVariable("KINETTA_TEST_SEAT_DISPLAY");
        if (m_seatDisplay.isEmpty())
            GTEST_SKIP()
                << "needs KINETTA_TEST_SEAT_DISPLAY: the X server of a weston with a keyboard";
    }
    void Type(const QStringList& keys) const { Xdotool(QStringList{QStringLiteral("key")} + keys); }
    void Xdotool(const QStringList& arguments) const
    {
        QProcess xdotool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_seatDisplay);
        xdotool.setProcessEnvironment(environment);
        xdotool.start(QStringLiteral("xdotool"), arguments);
        ASSERT_TRUE(xdotool.waitForFinished(5000) && xdotool.exitCode() == 0)
            << "xdotool " << arguments.join(' ').toStdString() << " failed";
    }

    QString m_seatDisplay;
};

TEST_F(KeyboardMenus, OpenOnEveryTapAndKeepTheirKeys)
{
    const int exitCode = RunFrame([&](CMainFrame& frame) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        frame.activateWindow();
        ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &frame; }))
            << "the compositor never gave the frame the keyboard";
        CKinettaView& view = frame.View();
        ASSERT_TRUE(WaitFor([&] { return view.Stats().frames >= 5; }));
        const QList<QMenu*> menus = frame.Bars().Menus();
        ASSERT_EQ(menus.size(), 6);
        const QMenuBar* menuBar = frame.Bars().MenuBar();
        auto menusLeft = [&] {
            return QApplication::activePopupWidget() == nullptr &&
                   QApplication::focusWidget() != menuBar;
        };

        // Every way into the menus, each a quick tap: the menu shows and
        // stays, and Esc twice leaves without stopping, walking or throwing.
        struct Opening {
            QStringList keys;
            int menu;
        };
        const Opening openings[] = {
            {{"alt+f"}, 0}, {{"alt+e"}, 1}, {{"alt+i"}, 2},       {{"alt+v"}, 3},
            {{"alt+s"}, 4}, {{"alt+h"}, 5}, {{"F10"}, 0},         {{"alt", "Down"}, 0},
            {{"alt+f"}, 0},
        };
        const btVector3 eye = view.Camera().camPos;
        for (const Opening& opening : openings) {
            const std::string name = opening.keys.join(' ').toStdString();
            Type(opening.keys);
            ASSERT_TRUE(WaitFor([&] { return menus[opening.menu]->isVisible(); }, 3000))
                << name << " opened no menu";
            // A refused grab closes the menu a moment after it showed.
            QTest::qWait(300);
            EXPECT_TRUE(menus[opening.menu]->isVisible()) << name << ": the menu closed by itself";
            Type({"Escape", "Escape"});
            EXPECT_TRUE(WaitFor(menusLeft, 3000)) << name << ", Esc, Esc: still in the menus";
            EXPECT_EQ(view.m_simulationState, SimulationState::Running)
                << name << ", Esc, Esc stopped the simulation";
        }
        EXPECT_TRUE(view.Camera().camPos == eye) << "a letter meant for a menu walked the camera";
        EXPECT_EQ(view.BodyCount(), kStartBodies);

        // Arrows walk the open menu and on to the next one.
        Type({"alt+f", "Down"});
        ASSERT_TRUE(WaitFor([&] { return menus[0]->isVisible(); }, 3000));
        EXPECT_TRUE(
            WaitFor([&] { return menus[0]->activeAction() == menus[0]->actions().value(1); }, 1000))
            << "Down did not move to Open";
        Type({"Right"});
        EXPECT_TRUE(WaitFor([&] { return menus[1]->isVisible() && !menus[0]->isVisible(); }, 3000))
            << "Right did not move to Edit";
        Type({"Escape", "Escape"});
        ASSERT_TRUE(WaitFor(menusLeft, 3000));

        // The letter typed straight after the tap picks the item: Alt+S P
        // pauses (and S walks nothing), Alt+F N goes back to the start.
        Type({"alt+s", "p"});
        EXPECT_TRUE(
            WaitFor([&] { return view.m_simulationState == SimulationState::Paused; }, 3000));
        EXPECT_TRUE(view.Camera().camPos == eye) << "the S of Alt+S walked the camera";
        ASSERT_TRUE(WaitFor(menusLeft, 3000));
        Type({"Return"});
        Xdotool({"keydown", "space"});
        QTest::qWait(300);
        Xdotool({"keyup", "space"});
        ASSERT_TRUE(WaitFor([&] { return view.BodyCount() > kStartBodies; }, 3000))
            << "Enter, Space threw nothing";
        Type({"alt+f", "n"});
        EXPECT_TRUE(WaitFor([&] { return view.BodyCount() == kStartBodies; }, 3000))
            << "Alt+F N left " << view.BodyCount() << " bodies";

        // Out of the menus, Esc is Stop again.
        ASSERT_TRUE(WaitFor(menusLeft, 3000));
        Type({"Escape"});
        EXPECT_TRUE(
            WaitFor([&] { return view.m_simulationState == SimulationState::Stopped; }, 3000));

        // The compositor closes no menu without a grab: another program
        // taking the keyboard does.
        Type({"alt+f"});
        ASSERT_TRUE(WaitFor([&] { return menus[0]->isVisible(); }, 3000));
        QProcess other;
        other.start(QStringLiteral("weston-flower"), {});
        ASSERT_TRUE(other.waitForStarted());
        EXPECT_TRUE(WaitFor([&] { return !menus[0]->isVisible(); }, 5000))
            << "the menu stayed open over another program's window";
        other.kill();
        other.waitForFinished();
    });
    EXPECT_EQ(exitCode, 1);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    char configDir[] = "/tmp/kinetta-wayland-test-XXXXXX";
    if (mkdtemp(configDir) == nullptr)
        return 1;
    setenv("XDG_CONFIG_HOME", configDir, 1);

    PrepareQtEnvironment();
    QSurfaceFormat::setDefaultFormat(ViewSurfaceFormat());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    g_module.Init();
    const int result = RUN_ALL_TESTS();
    g_module.Term();
    std::filesystem::remove_all(configDir);
    return result;
}
