// The main frame as the user meets it: menus, toolbar, accelerators, status
// prompts, check marks, dialogs and bars, on a real window with its GL view.

#include "app/main_frame.h"
#include "app/about_dlg.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "app/key_state_filter.h"
#include "app/ui_state_table.h"
#include "foreign_x_window.h"

#include <gtest/gtest.h>
#include <QtCore/QDir>
#include <QtCore/QEventLoop>
#include <QtCore/QPointer>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QKeyEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>
#include <QtWidgets/QToolButton>
#include <QtWidgets/QToolTip>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using enum CommandId;

QAction* FindAction(const QList<QAction*>& actions, CommandId id)
{
    for (QAction* action : actions)
        if (CommandOf(*action) == ToInt(id))
            return action;
    return nullptr;
}

// Which of Start, Pause and Stop show a check among these actions.
std::vector<CommandId> CheckedSimulationCommands(const QList<QAction*>& actions)
{
    std::vector<CommandId> checked;
    for (CommandId id : {SimulationStart, SimulationPause, SimulationStop}) {
        const QAction* action = FindAction(actions, id);
        if (action != nullptr && action->isChecked())
            checked.push_back(id);
    }
    return checked;
}

// Runs check on the modal window that opens while run() runs, then rejects
// it unless check has closed it.
void WithModal(const std::function<void()>& run, const std::function<void(QWidget*)>& check)
{
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        poll.stop();
        seen = true;
        check(modal);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    poll.start(10);
    run();
    poll.stop();
    EXPECT_TRUE(seen) << "no modal window opened";
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_frame = CMainFrame::Create();
        ASSERT_NE(m_frame, nullptr);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void TearDown() override { m_frame.reset(); }

    CFrameBars& Bars() { return m_frame->Bars(); }
    QMenu* Menu(int index) { return Bars().Menus().at(index); }

    // Opens a drop-down menu as a click on its title would.
    void Open(QMenu* menu)
    {
        menu->popup(m_frame->mapToGlobal(QPoint(10, 10)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    }
    void Close(QMenu* menu)
    {
        menu->hide();
        QTest::qWait(20);
    }

    // A key press and release that the view's native window receives.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&m_frame->View(), key, modifiers);
    }

    // A key typed as the keyboard sends it: to the open menu, or else to
    // the window that has the focus.
    void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, key, modifiers);
        else
            QTest::keyClick(QGuiApplication::focusWindow(), key, modifiers);
        QTest::qWait(30);
    }
    // Waits as the program's loop does, so that idle passes run: QTest's
    // waits never let the loop go idle.
    static bool WaitIdle(const std::function<bool()>& done)
    {
        for (int i = 0; i < 100 && !done(); ++i) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    }
    bool ViewHasFocus() const { return QGuiApplication::focusWindow() == &m_frame->View(); }
    void MakeFrameActive()
    {
        m_frame->activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return QApplication::activeWindow() == m_frame.get(); }));
    }

    std::unique_ptr<CMainFrame> m_frame;
};

struct Item {
    int id;  // 0: separator
    const char* text;
};
struct MenuText {
    const char* title;
    std::vector<Item> items;
};

TEST_F(MainFrameTest, MenusToolbarAndAcceleratorsHoldEveryCommandInOrder)
{
    const std::vector<MenuText> expected = {
        {"&File",
         {{57600, "&New\tCtrl+N"},
          {57601, "&Open...\tCtrl+O"},
          {57603, "&Save\tCtrl+S"},
          {57604, "Save &As..."},
          {32790, "Export Pic&ture..."},
          {0, ""},
          {57607, "&Print...\tCtrl+P"},
          {57609, "Print Pre&view"},
          {57606, "P&rint Setup..."},
          {0, ""},
          {57665, "E&xit"}}},
        {"&Edit",
         {{57643, "&Undo\tCtrl+Z"},
          {57644, "&Redo\tCtrl+Y"},
          {0, ""},
          {57635, "Cu&t\tCtrl+X"},
          {57634, "&Copy\tCtrl+C"},
          {57637, "&Paste\tCtrl+V"},
          {57632, "&Delete\tDel"}}},
        {"&Insert",
         {{32820, "&Box"},
          {32821, "B&all"},
          {32822, "C&ylinder"},
          {32823, "Ca&psule"},
          {32824, "C&one"},
          {0, ""},
          {32825, "&Can"},
          {32826, "&Die"},
          {32827, "Do&mino"},
          {0, ""},
          {32828, "&Ramp"},
          {32829, "&Wall"},
          {0, ""},
          {-1, "&Joint"}}},
        {"&View",
         {{59392, "&Toolbar"},
          {59393, "&Status Bar"},
          {0, ""},
          {32780, "&Tree"},
          {32778, "&Properties"},
          {32779, "&Tools"},
          {32799, "&Graph"},
          {32792, "&Dock All Panes"}}},
        {"&Simulation",
         {{32781, "Start"},
          {32782, "&Pause"},
          {32783, "S&top"},
          {32784, "St&ep\tF8"},
          {0, ""},
          {32800, "Step &Back\t,"},
          {32801, "Step For&ward\t."},
          {32802, "Second Bac&k\tShift+,"},
          {32803, "Second Forwar&d\tShift+."},
          {32804, "&First Kept Moment\tHome"},
          {32805, "&Last Kept Moment\tEnd"},
          {0, ""},
          {32791, "&Record..."}}},
        {"&Help", {{57664, "&About Kinetta"}}},
    };
    const QList<QAction*> titles = Bars().MenuBar()->actions();
    ASSERT_EQ(titles.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(titles[m]->text().toStdString(), expected[m].title);
        const QList<QAction*> items = titles[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].items.size()))
            << expected[m].title;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item& want = expected[m].items[static_cast<std::size_t>(i)];
            SCOPED_TRACE(want.text);
            EXPECT_EQ(items[i]->isSeparator(), want.id == 0);
            EXPECT_EQ(items[i]->menu() != nullptr, want.id < 0);
            EXPECT_EQ(CommandOf(*items[i]), std::max(want.id, 0));
            EXPECT_EQ(items[i]->text().toStdString(), want.text);
            EXPECT_TRUE(items[i]->isEnabled());
        }
    }

    // Toolbar: ids, separators and an image of its own for every button,
    // which the menu item of the same command shows too.
    const std::vector<int> toolbar = {57600, 57601, 57603, 57607, 0,     57635, 57634, 57637,
                                      0,     32781, 32782, 32783, 32784, 32791, 0,     57664};
    const QList<QAction*> buttons = Bars().ToolActions();
    ASSERT_EQ(buttons.size(), static_cast<qsizetype>(toolbar.size()));
    std::vector<QImage> images;
    for (std::size_t i = 0; i < toolbar.size(); ++i) {
        EXPECT_EQ(CommandOf(*buttons[i]), toolbar[i]);
        EXPECT_EQ(buttons[i]->isSeparator(), toolbar[i] == 0);
        if (toolbar[i] == 0)
            continue;
        const QImage image = buttons[i]->icon().pixmap(QSize(16, 15)).toImage();
        ASSERT_EQ(image.size(), QSize(16, 15));
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GT(opaque, 30) << "button " << toolbar[i] << " has next to no picture";
        for (const QImage& other : images)
            EXPECT_NE(image, other) << "button " << toolbar[i] << " repeats an image";
        images.push_back(image);
        const QAction* item = FindAction(Bars().MenuActions(), static_cast<CommandId>(toolbar[i]));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->icon().pixmap(QSize(16, 15)).toImage(), image);
    }
    // The Insert band: its bodies in the menu's order, each with a picture
    // of its own, which the menu item shows too.
    EXPECT_EQ(Bars().InsertBand()->objectName(), "insertBand");
    const QList<QAction*> inserts = Bars().InsertBand()->actions();
    ASSERT_EQ(inserts.size(), 10);
    for (qsizetype i = 0; i < inserts.size(); ++i) {
        const int id = 32820 + static_cast<int>(i);
        EXPECT_EQ(CommandOf(*inserts[i]), id);
        const QImage image = inserts[i]->icon().pixmap(QSize(16, 15)).toImage();
        ASSERT_EQ(image.size(), QSize(16, 15));
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GT(opaque, 30) << "button " << id << " has next to no picture";
        for (const QImage& other : images)
            EXPECT_NE(image, other) << "button " << id << " repeats an image";
        images.push_back(image);
        const QAction* item = FindAction(Bars().MenuActions(), static_cast<CommandId>(id));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->icon().pixmap(QSize(16, 15)).toImage(), image);
    }
    // Checked commands keep real ticks in the menu, not framed pictures.
    for (CommandId id : {SimulationStart, SimulationPause, SimulationStop}) {
        const QAction* item = FindAction(Bars().MenuActions(), id);
        EXPECT_TRUE(item->isCheckable());
        EXPECT_FALSE(item->isIconVisibleInMenu());
    }

    // Accelerators, in the order they are tried, and the keys that reach them.
    struct Accelerator {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int id;
    };
    const std::vector<Accelerator> accelerators = {
        {Qt::Key_C, Qt::ControlModifier, 57634},     {Qt::Key_Insert, Qt::ControlModifier, 57634},
        {Qt::Key_Delete, Qt::ShiftModifier, 57635},  {Qt::Key_X, Qt::ControlModifier, 57635},
        {Qt::Key_V, Qt::ControlModifier, 57637},     {Qt::Key_Insert, Qt::ShiftModifier, 57637},
        {Qt::Key_Backspace, Qt::AltModifier, 57643}, {Qt::Key_Z, Qt::ControlModifier, 57643},
        {Qt::Key_N, Qt::ControlModifier, 57600},     {Qt::Key_O, Qt::ControlModifier, 57601},
        {Qt::Key_P, Qt::ControlModifier, 57607},     {Qt::Key_S, Qt::ControlModifier, 57603},
        {Qt::Key_F6, Qt::NoModifier, 57680},         {Qt::Key_F6, Qt::ShiftModifier, 57681},
        {Qt::Key_Return, Qt::NoModifier, 32781},     {Qt::Key_Escape, Qt::NoModifier, 32783},
        {Qt::Key_Delete, Qt::NoModifier, 57632},     {Qt::Key_Y, Qt::ControlModifier, 57644},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, 57644},
        {Qt::Key_F8, Qt::NoModifier, 32784},
        {Qt::Key_Comma, Qt::NoModifier, 32800},      {Qt::Key_Period, Qt::NoModifier, 32801},
        {Qt::Key_Less, Qt::ShiftModifier, 32802},    {Qt::Key_Comma, Qt::ShiftModifier, 32802},
        {Qt::Key_Greater, Qt::ShiftModifier, 32803}, {Qt::Key_Period, Qt::ShiftModifier, 32803},
        {Qt::Key_Home, Qt::NoModifier, 32804},       {Qt::Key_End, Qt::NoModifier, 32805},
        {Qt::Key_A, Qt::ControlModifier, 57642},     {Qt::Key_D, Qt::ControlModifier, 32793},
    };
    const QList<QAction*>& table = Bars().AcceleratorActions();
    ASSERT_EQ(table.size(), static_cast<qsizetype>(accelerators.size()));
    for (std::size_t i = 0; i < accelerators.size(); ++i) {
        EXPECT_EQ(CommandOf(*table[i]), accelerators[i].id);
        const QKeyEvent press(QEvent::KeyPress, accelerators[i].key, accelerators[i].modifiers);
        EXPECT_EQ(Bars().AcceleratorFor(press), table[i]);
    }
    const QKeyEvent keypadEnter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Bars().AcceleratorFor(keypadEnter), table[14]);
    const QKeyEvent extraShift(QEvent::KeyPress, Qt::Key_C,
                               Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Bars().AcceleratorFor(extraShift), nullptr);
    const QKeyEvent plainC(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier);
    EXPECT_EQ(Bars().AcceleratorFor(plainC), nullptr);
}

TEST_F(MainFrameTest, ToolbarTooltipsAreTheTextAfterTheLineBreak)
{
    const std::vector<std::pair<CommandId, QString>> tips = {
        {FileNew, "New"},      {FileOpen, "Open"},    {FileSave, "Save"},   {FilePrint, "Print"},
        {EditCut, "Cut"},      {EditCopy, "Copy"},    {EditPaste, "Paste"}, {AppAbout, "About"},
        {SimulationStart, ""}, {SimulationPause, ""}, {SimulationStop, ""}, {SimulationRecord, "Record"},
    };
    for (const auto& [id, tip] : tips) {
        SCOPED_TRACE(ToInt(id));
        QWidget* button = Bars().ToolBand()->widgetForAction(FindAction(Bars().ToolActions(), id));
        ASSERT_NE(button, nullptr);
        const QPoint centre = button->rect().center();
        QHelpEvent help(QEvent::ToolTip, centre, button->mapToGlobal(centre));
        QApplication::sendEvent(button, &help);
        EXPECT_EQ(help.isAccepted(), !tip.isEmpty()) << "a tooltip shown for nothing or missing";
        if (!tip.isEmpty()) {
            EXPECT_EQ(QToolTip::text(), tip);
        }
        QToolTip::hideText();
    }
}

TEST_F(MainFrameTest, StatusBarPromptsTheHighlightedItemAndIsReadyWhenMenusClose)
{
    EXPECT_EQ(Bars().StatusText(), "Ready");

    // From the keyboard: Alt+F opens File with its first item highlighted.
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_F, Qt::AltModifier);
    QMenu* file = Menu(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Bars().StatusText() == "Create a new document"; }))
        << Bars().StatusText().toStdString();
    QTest::keyClick(file, Qt::Key_Down);
    EXPECT_EQ(Bars().StatusText(), "Open an existing document");
    QTest::keyClick(file, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Bars().StatusText() == "Ready"; }));
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_Escape);  // leaves the menu bar

    // Items without a string and submenus show nothing.
    QMenu* view = Menu(3);
    Open(view);
    EXPECT_EQ(Bars().StatusText(), "");
    view->setActiveAction(FindAction(view->actions(), ViewToolbar));
    EXPECT_EQ(Bars().StatusText(), "Show or hide the toolbar");
    view->setActiveAction(FindAction(view->actions(), ViewProperties));
    EXPECT_EQ(Bars().StatusText(), "");
    view->setActiveAction(FindAction(view->actions(), ViewStatusBar));
    EXPECT_EQ(Bars().StatusText(), "Show or hide the status bar");
    Close(view);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Bars().StatusText() == "Ready"; }));

    QMenu* help = Menu(5);
    Open(help);
    help->setActiveAction(help->actions().front());
    EXPECT_EQ(Bars().StatusText(), "Display program information, version number and copyright");
    Close(help);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Bars().StatusText() == "Ready"; }));
}

TEST_F(MainFrameTest, EachSimulationCommandLeavesExactlyOneCheckInMenuAndToolbar)
{
    QMenu* simulation = Menu(4);
    CKinettaView& view = m_frame->View();
    const int startBodies = view.BodyCount();
    auto expectChecked = [&](CommandId want, SimulationState state) {
        EXPECT_EQ(view.m_simulationState, state);
        // The toolbar before any further event is handled.
        EXPECT_EQ(CheckedSimulationCommands(Bars().ToolActions()), std::vector<CommandId>{want});
        Open(simulation);
        EXPECT_EQ(CheckedSimulationCommands(simulation->actions()), std::vector<CommandId>{want});
        Close(simulation);
    };
    expectChecked(SimulationStart, SimulationState::Running);

    Key(Qt::Key_Return);  // Enter pauses a running simulation...
    expectChecked(SimulationPause, SimulationState::Paused);
    Key(Qt::Key_Enter, Qt::KeypadModifier);  // ...and runs a paused one
    expectChecked(SimulationStart, SimulationState::Running);

    ASSERT_EQ(view.AddRestingBodies(3), 3);
    ASSERT_EQ(view.BodyCount(), startBodies + 3);
    Key(Qt::Key_Escape);  // stops and resets
    expectChecked(SimulationStop, SimulationState::Stopped);
    EXPECT_EQ(view.BodyCount(), startBodies);

    // Pause from Stopped, by the toolbar as clicked; Start from the menu.
    QTest::mouseClick(
        Bars().ToolBand()->widgetForAction(FindAction(Bars().ToolActions(), SimulationPause)),
        Qt::LeftButton);
    expectChecked(SimulationPause, SimulationState::Paused);
    FindAction(simulation->actions(), SimulationStart)->trigger();
    expectChecked(SimulationStart, SimulationState::Running);
    // Clicking the checked Start button pauses; the button does not keep its
    // own idea of the check.
    QTest::mouseClick(
        Bars().ToolBand()->widgetForAction(FindAction(Bars().ToolActions(), SimulationStart)),
        Qt::LeftButton);
    expectChecked(SimulationPause, SimulationState::Paused);
    EXPECT_TRUE(m_frame->OnCommand(SimulationStop));
    expectChecked(SimulationStop, SimulationState::Stopped);
    EXPECT_TRUE(m_frame->OnCommand(SimulationStop));
    expectChecked(SimulationStop, SimulationState::Stopped);
}

TEST_F(MainFrameTest, CommandsWithoutHandlerChangeNothingFromMenuIdOrKey)
{
    CKinettaView& view = m_frame->View();
    struct Snapshot {
        SimulationState state;
        int bodies;
        bool toolBand, statusBar;
        QString status;
        QRect geometry;
        std::vector<CommandId> toolChecks;
        bool operator==(const Snapshot&) const = default;
    };
    auto snapshot = [&] {
        return Snapshot{view.m_simulationState,
                        view.BodyCount(),
                        Bars().ToolBand()->isVisible(),
                        Bars().StatusBar()->isVisible(),
                        Bars().StatusText(),
                        m_frame->geometry(),
                        CheckedSimulationCommands(Bars().ToolActions())};
    };
    QTest::qWait(50);
    const Snapshot before = snapshot();
    bool modalSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout,
                     [&] { modalSeen |= QApplication::activeModalWidget() != nullptr; });
    watch.start(5);

    const CommandId inert[] = {NextPane, PrevPane};
    for (CommandId id : inert)
        EXPECT_FALSE(m_frame->OnCommand(id)) << ToInt(id) << " has a handler";
    for (CommandId id : inert)
        if (QAction* item = FindAction(Bars().MenuActions(), id))
            item->trigger();

    // The keys, while the view's window has them: a consumed accelerator
    // must not count as a held key for the camera or the light.
    const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        // Without a selection or a history, the Edit keys change nothing either.
        {Qt::Key_C, Qt::ControlModifier},     {Qt::Key_Insert, Qt::ControlModifier},
        {Qt::Key_Delete, Qt::ShiftModifier},  {Qt::Key_X, Qt::ControlModifier},
        {Qt::Key_Delete, Qt::NoModifier},     {Qt::Key_Y, Qt::ControlModifier},
        {Qt::Key_Backspace, Qt::AltModifier}, {Qt::Key_Z, Qt::ControlModifier},
        {Qt::Key_F6, Qt::NoModifier},         {Qt::Key_F6, Qt::ShiftModifier},
    };
    for (const auto& [key, modifiers] : keys) {
        QTest::keyPress(&view, key, modifiers);
        for (int k = 0; k < static_cast<int>(ViewKey::Count); ++k)
            EXPECT_FALSE(m_frame->Keys().IsDown(static_cast<ViewKey>(k)))
                << "key " << key << " is held for the view";
        QTest::keyRelease(&view, key, modifiers);
    }
    QTest::qWait(50);
    watch.stop();
    EXPECT_FALSE(modalSeen);
    EXPECT_TRUE(snapshot() == before) << "an inert command changed the frame";

    // The same key without Ctrl is the view's: the check above can fail.
    QTest::keyPress(&view, Qt::Key_C);
    EXPECT_TRUE(m_frame->Keys().IsDown(ViewKey::C));
    QTest::keyRelease(&view, Qt::Key_C);
    EXPECT_FALSE(m_frame->Keys().IsDown(ViewKey::C));
}

TEST_F(MainFrameTest, FileDialogsAndAboutBoxOpenModalAndLeaveEverythingAsItWas)
{
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    CKinettaView& view = m_frame->View();
    const SimulationState state = view.m_simulationState;
    const int bodies = view.BodyCount();

    auto checkFileDialog = [&](QWidget* modal, QFileDialog::AcceptMode mode) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), mode);
        // Open takes only a file that is there.
        EXPECT_EQ(dialog->fileMode(), mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                                       : QFileDialog::AnyFile);
        EXPECT_EQ(dialog->nameFilters(), QStringList{"Bullet Files (*.bullet)"});
        EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog->parentWidget(), m_frame.get());
        const auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        EXPECT_TRUE(name->text().isEmpty()) << "an initial file name";
    };
    WithModal([&] { EXPECT_TRUE(m_frame->OnCommand(FileOpen)); },
              [&](QWidget* modal) { checkFileDialog(modal, QFileDialog::AcceptOpen); });
    // Save, cancelled: nothing is written.
    WithModal([&] { QTest::keyClick(&view, Qt::Key_S, Qt::ControlModifier); },
              [&](QWidget* modal) {
                  checkFileDialog(modal, QFileDialog::AcceptSave);
                  if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                      dialog->setDirectory(folder.path());
                      dialog->selectFile(folder.filePath(QStringLiteral("chosen.bullet")));
                  }
              });
    EXPECT_TRUE(QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot))
        << "a cancelled save wrote a file";

    // The about box: Esc cancels it, and so does its close box.
    int results = 0;
    for (const bool byCloseBox : {false, true}) {
        WithModal([&] { EXPECT_TRUE(m_frame->OnCommand(AppAbout)); },
                  [&](QWidget* modal) {
                      auto* about = dynamic_cast<CAboutDlg*>(modal);
                      ASSERT_NE(about, nullptr);
                      EXPECT_EQ(about->windowTitle(), "About");
                      const auto* text = about->findChild<QLabel*>(QStringLiteral("aboutText"));
                      ASSERT_NE(text, nullptr);
                      EXPECT_TRUE(text->text().startsWith("Kinetta Application v1.0\n\nCopyright"));
                      EXPECT_TRUE(text->text().contains("2026"));
                      const auto* icon = about->findChild<QLabel*>(QStringLiteral("aboutIcon"));
                      ASSERT_NE(icon, nullptr);
                      EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
                      // One block centred under the icon, no line broken.
                      EXPECT_FALSE(text->wordWrap());
                      EXPECT_TRUE(text->alignment() & Qt::AlignHCenter);
                      for (const QString& line : text->text().split('\n'))
                          EXPECT_LE(text->fontMetrics().horizontalAdvance(line), text->width())
                              << line.toStdString();
                      EXPECT_LE(std::abs(text->geometry().center().x() -
                                         icon->geometry().center().x()),
                                1);
                      const auto buttons = about->findChildren<QPushButton*>();
                      ASSERT_EQ(buttons.size(), 1);
                      EXPECT_EQ(buttons[0]->text(), "OK");
                      EXPECT_TRUE(buttons[0]->isDefault());
                      // 187 x 102 dialog units of the dialog's own font.
                      EXPECT_EQ(about->size(),
                                CAboutDlg::DialogUnitsToPixels(QFontMetrics(about->font()),
                                                               QRect(0, 0, 187, 102))
                                    .size());
                      // Measured once the window manager has framed it; its
                      // frame is only guessed at placement (no resize handle
                      // on a fixed dialog), hence a few pixels of slack. The
                      // frame's extents are read from the server at once,
                      // while the move that framing brings may still wait
                      // in the queue: the place is polled until it is final.
                      EXPECT_TRUE(QTest::qWaitFor(
                          [&] { return !about->windowHandle()->frameMargins().isNull(); }, 10000))
                          << "no window manager framed the dialog";
                      auto centre = [](const QRect& r) {
                          return QPointF(r.x() + r.width() / 2.0, r.y() + r.height() / 2.0);
                      };
                      auto offset = [&] {
                          return centre(about->frameGeometry()) - centre(m_frame->frameGeometry());
                      };
                      auto centred = [&] {
                          return std::abs(offset().x()) <= 3.0 && std::abs(offset().y()) <= 3.0;
                      };
                      EXPECT_TRUE(QTest::qWaitFor(centred, 10000))
                          << "not centred over the frame: off by " << offset().x() << ", "
                          << offset().y();
                      QObject::connect(about, &QDialog::finished, [&](int result) {
                          EXPECT_EQ(result, QDialog::Rejected);
                          ++results;
                      });
                      if (byCloseBox)
                          about->close();
                      else
                          QTest::keyClick(about, Qt::Key_Escape);
                      EXPECT_FALSE(about->isVisible());
                  });
    }
    EXPECT_EQ(results, 2);

    // Open: a name in a folder that does not exist is refused with a
    // warning, and the dialog stays.
    WithModal([&] { EXPECT_TRUE(m_frame->OnCommand(FileOpen)); },
              [&](QWidget* modal) {
                  auto* name = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                  ASSERT_NE(name, nullptr);
                  QString warning;
                  QTimer::singleShot(100, [&] {
                      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                          warning = box->text();
                          box->close();
                      }
                  });
                  name->setText(folder.filePath(QStringLiteral("missing/inside.bullet")));
                  QTest::keyClick(name, Qt::Key_Return);
                  EXPECT_TRUE(warning.contains("does not exist")) << warning.toStdString();
                  EXPECT_TRUE(modal->isVisible()) << "a name in a missing folder was taken";
              });
    EXPECT_EQ(view.m_simulationState, state);
    EXPECT_EQ(view.BodyCount(), bodies);
}

TEST_F(MainFrameTest, BarCommandsFlipTheVisibleBarAndGiveItsRoomToTheView)
{
    QMenu* viewMenu = Menu(3);
    QWidget* container = m_frame->ViewContainer();
    auto menuChecks = [&] {
        Open(viewMenu);
        const std::pair<bool, bool> checks{
            FindAction(viewMenu->actions(), ViewToolbar)->isChecked(),
            FindAction(viewMenu->actions(), ViewStatusBar)->isChecked()};
        Close(viewMenu);
        return checks;
    };
    EXPECT_EQ(menuChecks(), std::make_pair(true, true));
    const int fullHeight = container->height();
    const int bandHeight = Bars().ToolBand()->height();
    const int statusHeight = Bars().StatusBar()->height();
    ASSERT_GT(bandHeight, 0);
    ASSERT_GT(statusHeight, 0);

    m_frame->OnCommand(ViewToolbar);
    EXPECT_FALSE(Bars().ToolBand()->isVisible());
    EXPECT_GE(container->height(), fullHeight + bandHeight) << "the view did not grow at once";
    m_frame->OnCommand(ViewStatusBar);
    EXPECT_FALSE(Bars().StatusBar()->isVisible());
    EXPECT_GE(container->height(), fullHeight + bandHeight + statusHeight);
    EXPECT_EQ(menuChecks(), std::make_pair(false, false));

    m_frame->OnCommand(ViewToolbar);
    m_frame->OnCommand(ViewStatusBar);
    EXPECT_TRUE(Bars().ToolBand()->isVisible());
    EXPECT_TRUE(Bars().StatusBar()->isVisible());
    EXPECT_EQ(container->height(), fullHeight);
    EXPECT_EQ(menuChecks(), std::make_pair(true, true));

    // Bars hidden behind the commands' back, as a restored layout does: the
    // checks say so, and each command brings its bar back.
    Bars().ToolBand()->hide();
    Bars().StatusBar()->hide();
    EXPECT_EQ(menuChecks(), std::make_pair(false, false));
    m_frame->OnCommand(ViewToolbar);
    m_frame->OnCommand(ViewStatusBar);
    EXPECT_TRUE(Bars().ToolBand()->isVisible());
    EXPECT_TRUE(Bars().StatusBar()->isVisible());
    EXPECT_EQ(menuChecks(), std::make_pair(true, true));
}

TEST_F(MainFrameTest, MenusUsedFromTheKeyboardGiveTheFocusBackToTheView)
{
    // The frame made active passes the focus on to the view.
    MakeFrameActive();
    ASSERT_TRUE(WaitIdle([&] { return ViewHasFocus(); }));
    const SimulationState& state = m_frame->View().m_simulationState;

    // Simulation > Pause by its mnemonics; Enter then runs again.
    Type(Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Menu(4)->isVisible(); }));
    Type(Qt::Key_P);
    EXPECT_EQ(state, SimulationState::Paused);
    EXPECT_TRUE(WaitIdle([&] { return ViewHasFocus(); })) << "the menu bar kept the focus";
    Type(Qt::Key_Return);
    EXPECT_EQ(state, SimulationState::Running);

    // File opened and left with Esc twice, by Alt+F and by F10, which
    // highlights the first item with its prompt; neither Esc stops.
    Type(Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Menu(0)->isVisible(); }));
    Type(Qt::Key_Escape);
    Type(Qt::Key_Escape);
    EXPECT_TRUE(WaitIdle([&] { return ViewHasFocus(); })) << "the menu bar kept the focus";
    Type(Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Menu(0)->isVisible(); })) << "F10 opened no menu";
    EXPECT_EQ(Menu(0)->activeAction(), FindAction(Menu(0)->actions(), FileNew));
    EXPECT_EQ(Bars().StatusText(), "Create a new document");
    Type(Qt::Key_Escape);
    Type(Qt::Key_Escape);
    EXPECT_TRUE(WaitIdle([&] { return ViewHasFocus(); })) << "the menu bar kept the focus";
    EXPECT_EQ(state, SimulationState::Running) << "an Esc that left the menus stopped";
    Type(Qt::Key_Escape);
    EXPECT_EQ(state, SimulationState::Stopped);
}

TEST_F(MainFrameTest, ViewKeysCountOnlyWhileTheFrameHasTheKeyboard)
{
    MakeFrameActive();
    CKinettaView& view = m_frame->View();
    auto held = [&](ViewKey key) { return m_frame->Keys().IsDown(key); };

    // A menu that opens takes the held keys, and the keys typed into it.
    QTest::keyPress(&view, Qt::Key_W);
    ASSERT_TRUE(held(ViewKey::W));
    QMenu* viewMenu = Menu(3);
    Open(viewMenu);
    EXPECT_FALSE(held(ViewKey::W)) << "a key held as the menu opened is still held";
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_T}) {
        QTest::keyPress(viewMenu, key);
        EXPECT_FALSE(held(*ViewKeyFromQtKey(key))) << "a key typed into a menu is held";
        QTest::keyRelease(viewMenu, key);
    }
    Close(viewMenu);
    QTest::keyRelease(&view, Qt::Key_W);

    // So does a dialog.
    WithModal([&] { m_frame->OnCommand(AppAbout); },
              [&](QWidget* about) {
                  QTest::keyPress(about, Qt::Key_T);
                  EXPECT_FALSE(held(ViewKey::T)) << "a key typed into a dialog is held";
                  QTest::keyRelease(about, Qt::Key_T);
              });

    // Switching to another program lets go of the held keys: their
    // releases go to that program.
    MakeFrameActive();
    QTest::keyPress(&view, Qt::Key_Left);
    ASSERT_TRUE(held(ViewKey::Left));
    const auto other = ActivateForeignXWindow();
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return QGuiApplication::applicationState() != Qt::ApplicationActive; }));
    QTest::qWait(30);
    EXPECT_FALSE(held(ViewKey::Left)) << "a key stays held after switching away";
    MakeFrameActive();
    EXPECT_FALSE(held(ViewKey::Left));
}

TEST_F(MainFrameTest, NarrowBandsOfferTheirHiddenCommandsBehindChevrons)
{
    EXPECT_EQ(Bars().MenuBand()->objectName(), "menuBarBand");
    EXPECT_EQ(Bars().ToolBand()->objectName(), "toolBarBand");
    EXPECT_EQ(m_frame->toolBarArea(Bars().MenuBand()), Qt::TopToolBarArea);
    EXPECT_EQ(m_frame->toolBarArea(Bars().ToolBand()), Qt::TopToolBarArea);
    EXPECT_TRUE(m_frame->toolBarBreak(Bars().ToolBand()));

    // As narrow as the window goes: the least view, 160 px wide.
    m_frame->resize(130, 400);
    QTest::qWait(100);
    const int narrow = m_frame->width();
    ASSERT_LE(narrow, 170);
    auto* toolChevron =
        Bars().ToolBand()->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
    auto* menuChevron =
        Bars().MenuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
    ASSERT_NE(toolChevron, nullptr);
    ASSERT_NE(menuChevron, nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return toolChevron->isVisible() && menuChevron->isVisible(); }));

    // The toolbar's chevron lists the hidden buttons by their tooltip text;
    // choosing Pause pauses as its button would.
    QStringList listed;
    QString aboutPrompt;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions())
            if (!action->isSeparator())
                listed << action->text();
        // Its items prompt in the status bar like any menu's.
        menu->setActiveAction(FindAction(menu->actions(), AppAbout));
        aboutPrompt = Bars().StatusText();
        menu->setActiveAction(FindAction(menu->actions(), SimulationPause));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(toolChevron, Qt::LeftButton);
    EXPECT_TRUE(listed.contains("About")) << listed.join(',').toStdString();
    EXPECT_EQ(aboutPrompt, "Display program information, version number and copyright");
    EXPECT_FALSE(listed.contains("New"));
    EXPECT_EQ(m_frame->View().m_simulationState, SimulationState::Paused);
    EXPECT_EQ(CheckedSimulationCommands(Bars().ToolActions()),
              std::vector<CommandId>{SimulationPause});

    // The menu bar's chevron holds the menus that no longer fit.
    ASSERT_NE(menuChevron->menu(), nullptr);
    QStringList menus;
    for (QAction* action : menuChevron->menu()->actions())
        if (action->menu() != nullptr)
            menus << action->text();
    EXPECT_TRUE(menus.contains("&Help")) << menus.join(',').toStdString();

    // Prompts far wider than the frame are cut, never widen it.
    QMenu* file = Menu(0);
    Open(file);
    for (QAction* item : file->actions()) {
        if (item->isSeparator())
            continue;
        file->setActiveAction(item);
        QTest::qWait(30);
        EXPECT_EQ(m_frame->width(), narrow) << Bars().StatusText().toStdString();
    }
    EXPECT_EQ(Bars().StatusText(), "Quit the application; prompts to save documents");
    Close(file);
    QTest::qWait(50);
    EXPECT_EQ(m_frame->width(), narrow);
}

}  // namespace
