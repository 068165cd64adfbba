// The File commands on world files as the user meets them in the real frame:
// the dialogs they show, the title, and the message boxes of files that
// cannot be opened or saved, after which the world is as it was.

#include "app/world_commands.h"
#include "app/main_frame.h"
#include "physics/scene_content.h"
#include "worlds/world_file_writer.h"

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <BulletDynamics/Featherstone/btMultiBodyConstraintSolver.h>
#include <BulletDynamics/Featherstone/btMultiBodyDynamicsWorld.h>

#include "edit/body_edits.h"
#include <QtGui/QClipboard>
#include <gtest/gtest.h>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QMimeData>
#include <QtCore/QPointer>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtCore/QUrl>
#include <QtGui/QAction>
#include <QtGui/QDropEvent>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListView>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <csignal>
#include <cerrno>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Step = std::function<void(QWidget*)>;

// Runs run() and hands each modal window that opens meanwhile, in turn, to
// the next step; a step that leaves its window open has it rejected. Fails
// when fewer windows opened than there are steps.
void WithModals(const std::function<void()>& run, std::vector<Step> steps)
{
    std::size_t next = 0;
    QPointer<QWidget> last;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal == last.data())
            return;
        last = modal;
        if (next == steps.size()) {
            ADD_FAILURE() << "an unexpected modal window: " << modal->windowTitle().toStdString();
            static_cast<QDialog*>(modal)->reject();
            return;
        }
        // Run apart from the poll: Qt does not fire a timer again while its
        // handler runs, and a step may open the next modal window.
        QTimer::singleShot(0, modal, [&steps, &last, index = next++, modal] {
            steps[index](modal);
            if (last == modal && modal->isVisible())
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
        });
    });
    poll.start(10);
    run();
    poll.stop();
    EXPECT_EQ(next, steps.size()) << "fewer modal windows opened than expected";
}

// Puts a name into the file dialog's name field and presses Enter.
Step TypeName(const QString& folder, const QString& name)
{
    return [folder, name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr) << "not a file dialog";
        dialog->setDirectory(folder);
        // As a user would, wait for the listing: a file selected in it
        // before then would win over the name typed.
        const auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
        ASSERT_NE(list, nullptr);
        const qsizetype listed =
            QDir(folder).entryList({QStringLiteral("*.bullet")}, QDir::Files).size();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return list->model()->rowCount(list->rootIndex()) == listed; }, 3000));
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        // The field has the focus while a user types, and only then does
        // Qt let go of a file selected in the listing.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                edit->setFocus();
                return edit->hasFocus();
            },
            3000));
        // Set, not typed: typing opens the name completer's popup.
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

// Expects the message box of a failure, text beginning with start.
Step FailureBox(const QString& start)
{
    return [start](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr) << "not a message box: " << modal->windowTitle().toStdString();
        EXPECT_EQ(box->windowTitle(), "Kinetta");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_TRUE(box->text().startsWith(start)) << box->text().toStdString();
        EXPECT_GT(box->text().size(), start.size()) << "no reason given";
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_FALSE(box->isVisible()) << "Esc left the message box open";
    };
}

class WorldCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_frame = CMainFrame::Create();
        ASSERT_NE(m_frame, nullptr);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void TearDown() override { m_frame.reset(); }

    QString Shown() const { return m_frame->windowHandle()->title(); }
    CWorldCommands& World() { return m_frame->World(); }
    // Opens as the user does, and lets the loop run until the open has ended.
    bool OpenAndWait(const std::string& path)
    {
        auto outcome = std::make_shared<std::optional<bool>>();
        World().OpenFile(path, [outcome](bool opened) { *outcome = opened; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return outcome->has_value(); }, 60000));
        return outcome->value_or(false);
    }
    QString In(const char* name) const { return m_folder.filePath(QString::fromUtf8(name)); }
    void Key(Qt::Key key) { QTest::keyClick(&m_frame->View(), key, Qt::ControlModifier); }

    QTemporaryDir m_folder;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST(WorldTitle, NamesTheOpenFileAndShowsBracketsAsTyped)
{
    EXPECT_EQ(WorldTitle(""), "Kinetta");
    EXPECT_EQ(WorldTitle("/home/ada/worlds/slope.bullet"), "slope.bullet \u2013 Kinetta");
    EXPECT_EQ(WorldTitle("slope.bullet"), "slope.bullet \u2013 Kinetta");
    // Qt would drop a lone "[*]" from a title as the unsaved-changes mark.
    EXPECT_EQ(WorldTitle("a/x[*].bullet"), "x[*][*].bullet \u2013 Kinetta");
}

TEST_F(WorldCommandsTest, SaveAddsTheSuffixNamesTheFileAndStartsFromItNextTime)
{
    EXPECT_EQ(Shown(), "Kinetta");
    // A name typed without the suffix gets it.
    WithModals([&] { Key(Qt::Key_S); }, {TypeName(m_folder.path(), QStringLiteral("slope"))});
    ASSERT_TRUE(QFile::exists(In("slope.bullet")));
    EXPECT_FALSE(QFile::exists(In("slope")));
    EXPECT_EQ(World().FilePath(), QFile::encodeName(In("slope.bullet")).toStdString());
    EXPECT_EQ(Shown(), "slope.bullet \u2013 Kinetta");

    // Save As shows the same dialog, on the open file; another suffix than
    // .bullet is part of the name. The title follows the new name.
    WithModals([&] { EXPECT_TRUE(m_frame->OnCommand(CommandId::FileSaveAs)); },
               {[&](QWidget* modal) {
                   auto* dialog = qobject_cast<QFileDialog*>(modal);
                   ASSERT_NE(dialog, nullptr);
                   EXPECT_EQ(dialog->selectedFiles(), QStringList{In("slope.bullet")});
                   TypeName(m_folder.path(), QStringLiteral("slope.v2"))(modal);
               }});
    EXPECT_TRUE(QFile::exists(In("slope.v2.bullet")));
    EXPECT_EQ(Shown(), "slope.v2.bullet \u2013 Kinetta");

    // Once the world has a name, Ctrl+S writes it there without a dialog.
    ASSERT_TRUE(QFile::remove(In("slope.v2.bullet")));
    WithModals([&] { Key(Qt::Key_S); }, {});
    EXPECT_TRUE(QFile::exists(In("slope.v2.bullet")));

    // Typing the old name without its suffix still asks before replacing
    // slope.bullet; No keeps it and the dialog open, so nothing is written.
    const QDateTime written = QFileInfo(In("slope.bullet")).lastModified();
    WithModals([&] { EXPECT_TRUE(m_frame->OnCommand(CommandId::FileSaveAs)); },
               {TypeName(m_folder.path(), QStringLiteral("slope")),
                [&](QWidget* modal) {
                    auto* question = qobject_cast<QMessageBox*>(modal);
                    ASSERT_NE(question, nullptr) << "no question before replacing the file";
                    EXPECT_TRUE(question->text().contains("slope.bullet"))
                        << question->text().toStdString();
                    question->button(QMessageBox::No)->click();
                },
                [&](QWidget* modal) {
                    EXPECT_NE(qobject_cast<QFileDialog*>(modal), nullptr)
                        << "No closed the file dialog too";
                }});
    EXPECT_EQ(QFileInfo(In("slope.bullet")).lastModified(), written);
    EXPECT_EQ(Shown(), "slope.v2.bullet \u2013 Kinetta");
}

TEST_F(WorldCommandsTest, FailuresSayWhyInABoxAndChangeNothing)
{
    ASSERT_TRUE(World().SaveFile(QFile::encodeName(In("kept.bullet")).toStdString()));
    QFile garbage(In("garbage.bullet"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("not a world at all");
    garbage.close();
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("folder.bullet")));

    CKinettaView& view = m_frame->View();
    const int bodies = view.BodyCount();
    const QString title = Shown();
    const std::string file = World().FilePath();
    const std::uint64_t stepsBefore = view.Stats().steps;
    std::uint64_t stepsDuringBox = 0;

    const QString missing = In("no such folder/<b>world</b>.bullet");
    const std::vector<QString> unopenable = {missing, In("garbage.bullet"), In("folder.bullet")};
    for (const QString& path : unopenable) {
        SCOPED_TRACE(path.toStdString());
        WithModals([&] { EXPECT_FALSE(OpenAndWait(QFile::encodeName(path).toStdString())); },
                   {[&](QWidget* modal) {
                       // The world keeps running under the box.
                       const auto steps = view.Stats().steps;
                       QTest::qWait(100);
                       stepsDuringBox = std::max(stepsDuringBox, view.Stats().steps - steps);
                       FailureBox("Kinetta could not open " + path + ": ")(modal);
                   }});
    }
    // A folder, a folder that does not exist and, where permissions bind
    // (not for root; the end-to-end test mounts one read-only), a read-only one.
    std::vector<QString> unsavable = {In("folder.bullet"), missing};
    if (geteuid() != 0) {
        ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("locked")));
        ASSERT_TRUE(QFile::setPermissions(In("locked"), QFile::ReadOwner | QFile::ExeOwner));
        unsavable.push_back(In("locked/world.bullet"));
    }
    for (const QString& path : unsavable) {
        SCOPED_TRACE(path.toStdString());
        WithModals([&] { EXPECT_FALSE(World().SaveFile(QFile::encodeName(path).toStdString())); },
                   {FailureBox("Kinetta could not save " + path + ": ")});
    }
    EXPECT_GT(stepsDuringBox, 0) << "the simulation stopped under the message box";
    EXPECT_GT(view.Stats().steps, stepsBefore);
    EXPECT_EQ(view.BodyCount(), bodies);
    EXPECT_EQ(view.m_simulationState, SimulationState::Running);
    EXPECT_EQ(Shown(), title);
    EXPECT_EQ(World().FilePath(), file);
}

// Saving over a file whose open left something out asks first, names what
// would be lost and offers Save As as the default; only Overwrite replaces it.
TEST_F(WorldCommandsTest, SavingOverAFileThatHeldMoreAsksFirst)
{
    const std::string robot = QFile::encodeName(In("robot.bullet")).toStdString();
    {
        btDefaultCollisionConfiguration configuration;
        btCollisionDispatcher dispatcher(&configuration);
        btDbvtBroadphase broadphase;
        btMultiBodyConstraintSolver solver;
        btMultiBodyDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);
        btEmptyShape unknown;
        btRigidBody lost(1, nullptr, &unknown, btVector3(1, 1, 1));
        world.addRigidBody(&lost);
        btSphereShape sphere(0.5f);
        btRigidBody ball(1, nullptr, &sphere, btVector3(1, 1, 1));
        world.addRigidBody(&ball);
        ASSERT_TRUE(SaveWorldFile(world, robot).ok);
        world.removeRigidBody(&ball);
        world.removeRigidBody(&lost);
    }
    auto bytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray original = bytes(In("robot.bullet"));
    ASSERT_TRUE(OpenAndWait(robot));
    ASSERT_EQ(World().Note(), "left out 1 body of a shape Kinetta cannot simulate");

    // Asked; Enter takes the default, Save As, whose dialog saves a copy.
    auto question = [](const char* press) {
        return [press](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr) << "not a message box";
            EXPECT_TRUE(box->text().contains("left out 1 body of a shape Kinetta cannot simulate"))
                << box->text().toStdString();
            ASSERT_NE(box->defaultButton(), nullptr);
            EXPECT_TRUE(box->defaultButton()->text().contains("Save")) << "Save As is not the default";
            if (QString(press) == "Enter") {
                QTest::keyClick(box, Qt::Key_Return);
                return;
            }
            for (QAbstractButton* button : box->buttons()) {
                if (button->text().remove('&') == press) button->click();
            }
        };
    };
    WithModals([&] { EXPECT_TRUE(World().SaveFile(robot)); },
               {question("Enter"), TypeName(m_folder.path(), QStringLiteral("copy.bullet"))});
    EXPECT_EQ(bytes(In("robot.bullet")), original);
    EXPECT_TRUE(QFile::exists(In("copy.bullet")));
    EXPECT_EQ(World().FilePath(), QFile::encodeName(In("copy.bullet")).toStdString());

    // Cancel keeps the file; Overwrite replaces it, and then nothing is at stake.
    WithModals([&] { EXPECT_FALSE(World().SaveFile(robot)); }, {question("Cancel")});
    EXPECT_EQ(bytes(In("robot.bullet")), original);
    WithModals([&] { EXPECT_TRUE(World().SaveFile(robot)); }, {question("Overwrite")});
    EXPECT_NE(bytes(In("robot.bullet")), original);
    WithModals([&] { EXPECT_TRUE(World().SaveFile(robot)); }, {});
}

}  // namespace

namespace {

// The texts of the File menu's items between Export Picture and Print.
QStringList RecentItems(CMainFrame& frame)
{
    QStringList texts;
    bool below = false;
    for (QAction* item : frame.Bars().Menus().at(0)->actions()) {
        if (CommandOf(*item) == ToInt(CommandId::FilePrint))
            break;
        if (below)
            texts.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        below = below || CommandOf(*item) == ToInt(CommandId::FileExportPicture);
    }
    return texts;
}

}  // namespace

TEST_F(WorldCommandsTest, RecentFilesFollowOpensAndSavesAndAMissingOneGoesWithAMessage)
{
    for (const char* name : {"a.bullet", "b.bullet", "c.bullet", "d.bullet", "e.bullet"})
        ASSERT_TRUE(World().SaveFile(QFile::encodeName(In(name)).toStdString()));
    ASSERT_TRUE(OpenAndWait(QFile::encodeName(In("c.bullet")).toStdString()));
    EXPECT_EQ(RecentItems(*m_frame),
              (QStringList{"-", "&1 c.bullet", "&2 e.bullet", "&3 d.bullet", "&4 b.bullet", "-"}));
    // A new frame reads the same list from the settings file.
    m_frame.reset();
    m_frame = CMainFrame::Create();
    ASSERT_NE(m_frame, nullptr);
    EXPECT_EQ(RecentItems(*m_frame),
              (QStringList{"-", "&1 c.bullet", "&2 e.bullet", "&3 d.bullet", "&4 b.bullet", "-"}));

    ASSERT_TRUE(QFile::remove(In("e.bullet")));
    const int bodies = m_frame->View().BodyCount();
    WithModals(
        [&] { m_frame->OnCommand(static_cast<CommandId>(ToInt(CommandId::FileRecent1) + 1)); },
        {FailureBox(QStringLiteral("Kinetta could not open"))});
    EXPECT_EQ(RecentItems(*m_frame),
              (QStringList{"-", "&1 c.bullet", "&2 d.bullet", "&3 b.bullet", "-"}));
    EXPECT_EQ(m_frame->View().BodyCount(), bodies);
    WithModals([&] { m_frame->OnCommand(CommandId::FileRecent4); }, {});  // no 4th: nothing
    m_frame->OnCommand(static_cast<CommandId>(ToInt(CommandId::FileRecent1) + 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Shown() == "b.bullet \u2013 Kinetta"; }, 10000))
        << Shown().toStdString();
}

TEST_F(WorldCommandsTest, ADroppedWorldFileOpensTheFirstOfSeveralAndAnythingElseIsRefused)
{
    ASSERT_TRUE(World().SaveFile(QFile::encodeName(In("dropped.bullet")).toStdString()));
    // The frame, and the view's own native window, which a desktop's drag
    // source finds under the pointer over the view.
    for (QObject* target : {static_cast<QObject*>(m_frame.get()),
                            static_cast<QObject*>(&m_frame->View())}) {
        SCOPED_TRACE(target == m_frame.get() ? "on the frame" : "on the view");
        World().New();
        ASSERT_EQ(Shown(), "Kinetta");
        const auto drag = [&](const QMimeData& data) {
            QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            return enter.isAccepted();
        };
        QMimeData text;
        text.setText(QStringLiteral("just words"));
        QMimeData notAWorld;
        notAWorld.setUrls({QUrl::fromLocalFile(In("notes.txt"))});
        QMimeData remote;
        remote.setUrls({QUrl(QStringLiteral("https://example.org/x.bullet"))});
        for (const QMimeData* refused : {&text, &notAWorld, &remote})
            EXPECT_FALSE(drag(*refused));

        QMimeData two;
        two.setUrls(
            {QUrl::fromLocalFile(In("dropped.bullet")), QUrl::fromLocalFile(In("other.bullet"))});
        ASSERT_TRUE(drag(two));
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return Shown() == "dropped.bullet \u2013 Kinetta"; }, 5000));
        EXPECT_EQ(m_frame->Bars().StatusText(),
                  "Opened dropped.bullet, the first of 2 dropped files");
    }
}

namespace {

// A stand-in for the reader that takes the first half of the file, starts a
// child in its process group, notes both ids and waits until it is killed.
std::string WriteStuckReader(const QString& folder, qint64 fileBytes)
{
    const QString script = folder + QStringLiteral("/stuck-reader");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QStringLiteral("#!/bin/sh\n"
                              "dd bs=%1 count=1 status=none of=/dev/null\n"
                              "sleep 600 &\n"
                              "echo $$ $! > '%2/pids.tmp' && mv '%2/pids.tmp' '%2/pids'\n"
                              "wait\n")
                   .arg(fileBytes / 2)
                   .arg(folder)
                   .toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFile::encodeName(script).toStdString();
}

bool ProcessGone(pid_t pid)
{
    // A zombie still answers: only a reaped process is gone.
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

QString ProgressShown(CMainFrame& frame)
{
    const auto* label = frame.findChild<QLabel*>(QStringLiteral("openingProgress"));
    return label != nullptr && label->isVisible() ? label->text() : QString();
}

}  // namespace

// While a file opens the window draws, the world steps and the menus open;
// the status bar shows how far the reader has read. A second open is
// refused meanwhile. Esc cancels: the reader and everything in its process
// group are killed and reaped, and the world is as it was.
TEST_F(WorldCommandsTest, OpeningLeavesTheWindowLiveAndEscCancelsItKillingTheReadersGroup)
{
    const std::string path = QFile::encodeName(In("big.bullet")).toStdString();
    ASSERT_TRUE(World().SaveFile(path));
    World().New();
    WorldFileOpenOptions stuck;
    stuck.readerPath = WriteStuckReader(m_folder.path(), QFileInfo(In("big.bullet")).size());
    World().SetOpenOptions(stuck);
    CKinettaView& view = m_frame->View();
    ASSERT_TRUE(view.AddRestingBodies(3) == 3);
    const int bodies = view.BodyCount();
    pid_t reader = 0, child = 0;
    // Past the first frames, which compile the drawing's code and are slow.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.Stats().frames > 10; }, 10000));

    const auto whileOpening = [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(In("pids")); }, 10000));
        QFile pids(In("pids"));
        ASSERT_TRUE(pids.open(QIODevice::ReadOnly));
        const QList<QByteArray> ids = pids.readAll().trimmed().split(' ');
        ASSERT_EQ(ids.size(), 2);
        reader = ids[0].toInt();
        child = ids[1].toInt();
        // Half the file read: 49 or 50, as its size rounds.
        const QRegularExpression half(QStringLiteral("^Opening big\\.bullet\u2026 (49|50) %$"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return half.match(ProgressShown(*m_frame)).hasMatch(); },
                                    5000))
            << ProgressShown(*m_frame).toStdString();

        const ViewStats before = view.Stats();
        QMenu* file = m_frame->Bars().Menus().at(0);
        file->popup(m_frame->mapToGlobal(QPoint(20, 20)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }, 2000)) << "no menu";
        QTest::qWait(500);
        file->close();
        // The bar says Ready once the menu has closed: before the next line.
        QTest::qWait(50);
        EXPECT_GE(view.Stats().steps - before.steps, 3u) << "the simulation stood still";
        EXPECT_GE(view.Stats().frames - before.frames, 3u) << "the window stopped drawing";

        EXPECT_FALSE(World().OpenFile(path));
        EXPECT_TRUE(m_frame->Bars().StatusText().startsWith("Kinetta is still opening big.bullet"))
            << m_frame->Bars().StatusText().toStdString();
    };
    QTimer::singleShot(0, [&] {
        whileOpening();
        QTest::keyClick(&view, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !World().Opening(); }, 2000)) << "Esc went unheard";
        World().CancelOpening();
    });
    EXPECT_FALSE(OpenAndWait(path));

    ASSERT_NE(reader, 0);
    // Esc returned at once; the open's thread kills and reaps the reader.
    EXPECT_TRUE(QTest::qWaitFor([&] { return ProcessGone(reader); }, 3000))
        << "the reader was left running or unreaped";
    // Its child is killed with the group; its new parent reaps it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return ProcessGone(child); }, 3000));
    EXPECT_TRUE(::kill(-reader, 0) != 0 && errno == ESRCH) << "a process is left in its group";
    EXPECT_EQ(m_frame->Bars().StatusText(), "Opening big.bullet cancelled; the world is as it was");
    EXPECT_TRUE(ProgressShown(*m_frame).isEmpty());
    EXPECT_EQ(view.BodyCount(), bodies);
    EXPECT_EQ(view.m_simulationState, SimulationState::Running) << "Esc stopped the world too";
    EXPECT_EQ(Shown(), "Kinetta");
    EXPECT_EQ(World().FilePath(), "");
}

// While a file opens, what would change the world is refused with the line
// Open gives, and greyed in the menus: the opened world would replace the
// change without a word. Open refuses before its dialog shows. The camera,
// Run and Pause stay; New cancels the open and says so.
TEST_F(WorldCommandsTest, WhileOpeningWhatChangesTheWorldIsRefusedAndNewSaysItCancelled)
{
    const std::string path = QFile::encodeName(In("slow.bullet")).toStdString();
    ASSERT_TRUE(World().SaveFile(path));
    WorldFileOpenOptions stuck;
    stuck.readerPath = WriteStuckReader(m_folder.path(), QFileInfo(In("slow.bullet")).size());
    World().SetOpenOptions(stuck);
    CKinettaView& view = m_frame->View();
    WorldDocument& document = *view.DocumentIfBuilt();
    btRigidBody* can = btRigidBody::upcast(document.World().getCollisionObjectArray()[9]);
    document.History().Push(RemoveBody(document, *can, SimulationState::Running, "Delete"));
    ASSERT_TRUE(document.History().Undo());
    document.Selection().Select(can);
    QApplication::clipboard()->setMimeData(m_frame->Edit().CopySelection(nullptr));
    const int bodies = view.BodyCount();

    ASSERT_TRUE(World().OpenFile(path));
    ASSERT_TRUE(World().Opening());
    const QString refusal = QStringLiteral("Kinetta is still opening slow.bullet; Esc cancels it");
    const std::pair<CommandId, const char*> refused[] = {
        {CommandId::EditPaste, "Paste"}, {CommandId::EditCut, "Cut"},
        {CommandId::EditClear, "Delete"}, {CommandId::EditRedo, "Redo"},
        {CommandId::SimulationStep, "Step"}, {CommandId::FileOpen, "Open"},
        {CommandId::FileSave, "Save"}, {CommandId::FileRecent1, "a recent file"}};
    for (const auto& [id, name] : refused) {
        SCOPED_TRACE(name);
        m_frame->Bars().ShowMessage(QString());
        // No dialog may show: an unexpected one fails the test.
        WithModals([&] { m_frame->OnCommand(id); }, {});
        EXPECT_EQ(m_frame->Bars().StatusText(), refusal);
        EXPECT_EQ(view.BodyCount(), bodies);
        EXPECT_EQ(document.Selection().Body(), can);
    }
    EXPECT_TRUE(document.History().CanRedo()) << "Redo ran";
    EXPECT_EQ(view.m_simulationState, SimulationState::Running) << "Step paused the world";
    m_frame->OnCommand(CommandId::SimulationPause);
    EXPECT_EQ(view.m_simulationState, SimulationState::Paused) << "Pause stays live";
    m_frame->OnCommand(CommandId::SimulationStart);

    QMenu* edit = m_frame->Bars().Menus().at(1);
    edit->popup(m_frame->mapToGlobal(QPoint(60, 20)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->isVisible(); }, 2000));
    for (QAction* action : edit->actions()) {
        const int id = CommandOf(*action);
        if (id == ToInt(CommandId::EditPaste) || id == ToInt(CommandId::EditClear)) {
            EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
        }
        if (id == ToInt(CommandId::EditCopy)) {
            EXPECT_TRUE(action->isEnabled()) << "Copy changes nothing";
        }
    }
    edit->close();
    QTest::qWait(50);

    World().New();
    EXPECT_FALSE(World().Opening());
    EXPECT_EQ(m_frame->Bars().StatusText(), "Opening slow.bullet cancelled for New");
    EXPECT_EQ(view.BodyCount(), kStartBodyCount);
    EXPECT_EQ(Shown(), "Kinetta");
}

// The file named on the command line opens once the window is up, with the
// start scene showing meanwhile; closing the window in the middle of an open
// waits for it to be cancelled before the scene goes.
TEST_F(WorldCommandsTest, TheStartFileOpensAfterTheWindowShowsAndClosingCancelsIt)
{
    const std::string path = QFile::encodeName(In("start.bullet")).toStdString();
    ASSERT_TRUE(World().SaveFile(path));
    m_frame.reset();
    m_frame = CMainFrame::Create();
    ASSERT_NE(m_frame, nullptr);
    WorldFileOpenOptions stuck;
    stuck.readerPath = WriteStuckReader(m_folder.path(), QFileInfo(In("start.bullet")).size());
    World().SetOpenOptions(stuck);
    bool ended = false;
    pid_t reader = 0;
    World().OpenAtStart(path, [&] { ended = true; });
    EXPECT_FALSE(ended);
    // Runs inside the open's wait, as anything the user does meanwhile.
    QTimer::singleShot(0, [&] {
        const auto checks = [&] {
            ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(In("pids")); }, 10000));
            QFile pids(In("pids"));
            ASSERT_TRUE(pids.open(QIODevice::ReadOnly));
            reader = pids.readAll().split(' ').at(0).toInt();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
            EXPECT_FALSE(ended);
            EXPECT_EQ(m_frame->View().BodyCount(), kStartBodyCount) << "the start scene shows meanwhile";
            EXPECT_EQ(Shown(), "Kinetta");
        };
        checks();
        // As closing the window does.
        m_frame->View().DestroyWindow();
    });
    m_frame->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
    ASSERT_GT(reader, 0);
    EXPECT_TRUE(ProcessGone(reader));
    EXPECT_EQ(m_frame->View().SceneIfBuilt(), nullptr);
}
