// A real main window with two toolbar bands and a status bar, saved through
// the user's settings file (in a private XDG_CONFIG_HOME) and restored into a
// new window, as on the next start.

#include "app/sstate/layout_blobs.h"
#include "app/sstate/qt_window_layout.h"
#include "app/sstate/settings_text.h"
#include "app/sstate/stg_registry.h"

#include <gtest/gtest.h>
#include <QtCore/QCoreApplication>
#include <QtCore/QDataStream>
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QToolBar>

#include <array>
#include <cstdlib>
#include <memory>

namespace sstate {
namespace {

constexpr std::uint32_t kMenuBand = 60160;
constexpr std::uint32_t kToolBand = 60161;
const QRect kCreated(30, 40, 560, 380);

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// A frame as the program creates it: the menu band, the toolbar band on a
// row of its own, the status bar; the layout restore posted behind creation.
struct TestFrame {
    std::unique_ptr<QMainWindow> window = std::make_unique<QMainWindow>();
    QToolBar* menuBand = new QToolBar(QStringLiteral("Menu"));
    QToolBar* toolBand = new QToolBar(QStringLiteral("Toolbar"));
    CWindowStateMgr manager;

    TestFrame()
    {
        window->setWindowTitle(QStringLiteral("Kinetta"));
        window->setCentralWidget(new QWidget);
        for (const char* menu : {"&File", "&Edit", "&View", "&Simulation", "&Help"})
            menuBand->addAction(QString::fromLatin1(menu));
        for (const char* button : {"New", "Open", "Save", "Start", "Pause", "Stop"})
            toolBand->addAction(QString::fromLatin1(button));
        window->addToolBar(menuBand);
        window->addToolBarBreak();
        window->addToolBar(toolBand);
        window->statusBar()->showMessage(QStringLiteral("Ready"));
        window->setGeometry(kCreated);
        PostRestoreLayout(manager, {window.get(),
                                    {{kMenuBand, menuBand}, {kToolBand, toolBand}},
                                    {kMenuBand},
                                    window->statusBar()});
        window->show();
        Settle();
    }

    bool ToolBandAboveMenuBand()
    {
        // Shown for the check, as a user would show it to look.
        const bool hidden = toolBand->isHidden();
        toolBand->show();
        Settle();
        const bool above = toolBand->geometry().bottom() < menuBand->geometry().top();
        toolBand->setHidden(hidden);
        return above;
    }

    void ExpectDefaultLayout(const char* why)
    {
        SCOPED_TRACE(why);
        EXPECT_EQ(window->geometry(), kCreated);
        EXPECT_FALSE(window->isMaximized());
        EXPECT_FALSE(window->statusBar()->isHidden());
        EXPECT_FALSE(toolBand->isHidden());
        EXPECT_FALSE(ToolBandAboveMenuBand());
        EXPECT_LT(menuBand->geometry().bottom(), toolBand->geometry().top());
    }
};

QString SettingsFile(const QString& configHome)
{
    return configHome + QStringLiteral("/Kinetta/Kinetta.conf");
}

template <std::size_t N>
QByteArray Blob(const std::array<std::uint8_t, N>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(N));
}

// A type whose every decoding from a settings file is counted.
struct DecodeProbe {
    qint32 value = 0;
};
int g_probeDecodes = 0;
QDataStream& operator<<(QDataStream& out, const DecodeProbe& probe)
{
    return out << probe.value;
}
QDataStream& operator>>(QDataStream& in, DecodeProbe& probe)
{
    ++g_probeDecodes;
    return in >> probe.value;
}

QByteArray FileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& text, const QDateTime& modified)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.flush();
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

TEST(WindowStateQtTest, RealWindowLayoutIsSavedToTheSettingsFileAndRestored)
{
    QTemporaryDir configHome;
    ASSERT_TRUE(configHome.isValid());
    // Before the first settings object of the process: Qt reads it once.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    const QString file = SettingsFile(configHome.path());
    // Where Qt's settings of the same name have always been.
    ASSERT_EQ(CStgRegistry::FilePath(), file);
    ASSERT_EQ(QSettings(QStringLiteral("Kinetta"), QStringLiteral("Kinetta")).fileName(), file);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();

    // First run: nothing stored, the default layout, nothing written.
    const QRect moved(50, 60, 600, 420);
    {
        TestFrame first;
        first.ExpectDefaultLayout("first run");
        EXPECT_FALSE(QFile::exists(file)) << "a restore writes nothing";

        // The user moves and resizes the window, puts the toolbar band above
        // the menu band and hides the status bar.
        first.window->setGeometry(moved);
        first.window->removeToolBar(first.menuBand);
        first.window->removeToolBar(first.toolBand);
        first.window->addToolBar(Qt::TopToolBarArea, first.toolBand);
        first.window->addToolBarBreak();
        first.window->addToolBar(Qt::TopToolBarArea, first.menuBand);
        first.toolBand->show();
        first.menuBand->show();
        first.window->statusBar()->hide();
        Settle();
        EXPECT_TRUE(SaveLayout(first.manager));
    }

    {
        QSettings stored(file, QSettings::IniFormat);
        EXPECT_EQ(stored.value("General/SM_CXSCREEN").toString(), QString::number(work.width()));
        EXPECT_EQ(stored.value("General/SM_CYSCREEN").toString(), QString::number(work.height()));
        EXPECT_EQ(stored.value("MainWindow/placement").toByteArray().size(), 44);
        EXPECT_EQ(stored.value("MainWindow/Wnd-0xfffffffe/visible").toString(), "0");
        const QByteArray band0 = stored.value("MainWindow/Wnd-0xffffffff/band0").toByteArray();
        const auto info = DecodeBandInfo(std::span(
            reinterpret_cast<const std::uint8_t*>(band0.constData()), std::size_t(band0.size())));
        ASSERT_TRUE(info);
        EXPECT_EQ(info->wID, kToolBand);
        EXPECT_EQ(stored.value("MainWindow/Wnd-0xffffffff/band1").toByteArray().size(), 80);
    }

    // Next start: all of it comes back. Then maximised with the toolbar band
    // hidden, and closed.
    {
        TestFrame second;
        EXPECT_EQ(second.window->geometry(), moved);
        EXPECT_TRUE(second.window->statusBar()->isHidden());
        EXPECT_FALSE(second.menuBand->isHidden());
        EXPECT_TRUE(second.ToolBandAboveMenuBand());

        second.toolBand->hide();
        second.window->showMaximized();
        Settle();
        EXPECT_TRUE(SaveLayout(second.manager));
    }
    {
        TestFrame third;
        EXPECT_TRUE(third.window->isMaximized());
        EXPECT_EQ(third.window->normalGeometry(), moved);
        EXPECT_TRUE(third.toolBand->isHidden());
        EXPECT_TRUE(third.ToolBandAboveMenuBand()) << "a hidden band keeps its place";
        third.window->showNormal();
        Settle();
    }

    // Values of the wrong type, as a hand-edited file would hold them: a width
    // that is not a number is not used for scaling, a doubled height is, and
    // a list for "visible" shows the status bar.
    {
        const QString scratch = configHome.path() + QStringLiteral("/scratch.conf");
        {
            QSettings damaged(scratch, QSettings::IniFormat);
            damaged.setValue("General/SM_CXSCREEN", "1600 pixels");
            damaged.setValue("General/SM_CYSCREEN", work.height() * 2);
            damaged.setValue("MainWindow/Wnd-0xfffffffe/visible", QStringList{"1", "0"});
            WindowPlacement placement;
            placement.showCmd = 1;
            placement.normalPosition = {100, 200, 500, 600};
            const auto bytes = EncodePlacement(placement);
            damaged.setValue("MainWindow/placement",
                             QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        }
        // Copied in as a file, so that it is read back from the disk as text.
        ASSERT_TRUE(QFile::remove(file));
        ASSERT_TRUE(QFile::copy(scratch, file));
    }
    {
        TestFrame fourth;
        EXPECT_EQ(fourth.window->geometry(), QRect(100, 100, 400, 200));
        EXPECT_FALSE(fourth.window->statusBar()->isHidden());
    }

    // Garbage in the file: the default layout, until the next save.
    {
        QFile garbage(file);
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray noise;
        for (int i = 0; i < 4096; ++i)
            noise.append(char((i * 7919 + 13) % 256));
        noise.append("\n[MainWindow]\nplacement=@ByteArray(\\0\\x1\n[%General\n=\n");
        garbage.write(noise);
    }
    {
        TestFrame fifth;
        fifth.ExpectDefaultLayout("garbage");
        // The next save replaces the damaged file.
        fifth.window->setGeometry(moved);
        Settle();
        EXPECT_TRUE(SaveLayout(fifth.manager));
    }
    EXPECT_EQ(TestFrame().window->geometry(), moved);

    // The settings folder cannot be made: the save fails quietly, the next
    // start gets the default layout.
    ASSERT_TRUE(QDir(configHome.path() + "/Kinetta").removeRecursively());
    {
        QFile blocker(configHome.path() + "/Kinetta");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    {
        TestFrame sixth;
        sixth.window->setGeometry(moved);
        Settle();
        EXPECT_FALSE(SaveLayout(sixth.manager));
    }
    EXPECT_FALSE(QFile::exists(file));
    {
        TestFrame seventh;
        seventh.ExpectDefaultLayout("unwritable folder");
    }
}

// A file as earlier versions wrote it through Qt's INI writer restores, while
// values of other types in a section Kinetta never reads are not decoded
// (one would make Qt run a decoder of the user's choosing, another ask for
// 64 GiB) and are kept as they were by the next save. That save also removes
// temporary files an interrupted save left behind, and nothing else.
TEST(WindowStateQtTest, EarlierFilesRestoreWithoutDecodingForeignValues)
{
    QTemporaryDir configHome;
    ASSERT_TRUE(configHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    const QString file = SettingsFile(configHome.path());
    const QString folder = configHome.path() + QStringLiteral("/Kinetta/");
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    qRegisterMetaType<DecodeProbe>();

    const QRect saved(70, 80, 620, 400);
    {
        QSettings earlier(file, QSettings::IniFormat);
        earlier.setValue("General/SM_CXSCREEN", quint32(work.width()));
        earlier.setValue("General/SM_CYSCREEN", quint32(work.height()));
        WindowPlacement placement;
        placement.showCmd = 1;
        placement.normalPosition = {saved.x(), saved.y(), saved.x() + saved.width(),
                                    saved.y() + saved.height()};
        earlier.setValue("MainWindow/placement", Blob(EncodePlacement(placement)));
        earlier.setValue("MainWindow/Wnd-0xfffffffe/visible", quint32(0));
        BandInfo tool, menu;
        tool.wID = kToolBand;
        tool.cx = 300;
        menu.wID = kMenuBand;
        menu.fStyle = kBandStyleBreak;
        menu.cx = 400;
        earlier.setValue("MainWindow/Wnd-0xffffffff/band0", Blob(EncodeBandInfo(tool)));
        earlier.setValue("MainWindow/Wnd-0xffffffff/band1", Blob(EncodeBandInfo(menu)));
        earlier.setValue("Other/probe", QVariant::fromValue(DecodeProbe{7}));
    }
    ASSERT_EQ(g_probeDecodes, 0);
    // The probe's section alone, to show below that Qt's reader does decode it.
    const QString probeOnly = configHome.path() + QStringLiteral("/probe.conf");
    ASSERT_TRUE(QFile::copy(file, probeOnly));
    const QByteArray foreign = "[Lists]\nhuge=@Variant(\\0\\0\\0\\t\\0\\x7f\\xff\\xff\\xff)\n";
    {
        QFile append(file);
        ASSERT_TRUE(append.open(QIODevice::Append));
        append.write("\n" + foreign);
    }
    QByteArray probeLine;
    for (const QByteArray& line : FileText(file).split('\n')) {
        if (line.startsWith("probe="))
            probeLine = line;
    }
    ASSERT_FALSE(probeLine.isEmpty());

    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-2 * 3600);
    const QStringList stale{"Kinetta.conf.qT3xZb", "Kinetta.conf.a1B2c3"};
    const QStringList kept{"Kinetta.conf.lock", "Kinetta.conf.backup", "Kinetta.conf.Old123",
                           "Kinetta.conf.qT3xZ", "Other.conf.qT3xZb", "Kinetta.conf.qT3xZb.tmp"};
    for (const QString& name : stale + kept)
        WriteFile(folder + name, "[MainWindow]\n", old);
    const QString fresh = folder + QStringLiteral("Kinetta.conf.Fr3shA");
    WriteFile(fresh, "[Main", QDateTime::currentDateTimeUtc());
    ASSERT_TRUE(QFile::link(folder + "Kinetta.conf.backup", folder + "Kinetta.conf.L1nkAb"));

    {
        TestFrame frame;
        EXPECT_EQ(frame.window->geometry(), saved);
        EXPECT_TRUE(frame.window->statusBar()->isHidden());
        EXPECT_TRUE(frame.ToolBandAboveMenuBand());
        EXPECT_TRUE(SaveLayout(frame.manager));
    }
    EXPECT_EQ(g_probeDecodes, 0) << "a value of another type was decoded";

    const QByteArray text = FileText(file);
    EXPECT_TRUE(text.contains(probeLine)) << text.constData();
    EXPECT_TRUE(text.contains(foreign)) << text.constData();
    EXPECT_EQ(TestFrame().window->geometry(), saved);
    for (const QString& name : stale)
        EXPECT_FALSE(QFile::exists(folder + name)) << qPrintable(name);
    for (const QString& name : kept + QStringList{"Kinetta.conf.Fr3shA"})
        EXPECT_TRUE(QFile::exists(folder + name)) << qPrintable(name);
    EXPECT_TRUE(QFileInfo(folder + "Kinetta.conf.L1nkAb").isSymLink()) << "a link is not removed";

    // The probe counts: Qt's own reader decodes the same value.
    EXPECT_EQ(QSettings(probeOnly, QSettings::IniFormat).value("Other/probe").value<DecodeProbe>().value,
              7);
    EXPECT_EQ(g_probeDecodes, 1);
}

// Every byte value, and digits after escapes, read the same through Qt's INI
// reader and through ours, whichever wrote the file.
TEST(WindowStateQtTest, ByteArraysReadTheSameThroughQtAndThroughKinetta)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i)).append("0a;,= F\\\""[i % 9]);
    const std::vector<std::uint8_t> bytes(all.begin(), all.end());

    const QString ours = folder.path() + QStringLiteral("/ours.conf");
    SettingsKey tree;
    tree.Child("General").values["all"] = SettingsValue::FromBytes(bytes);
    tree.Child("MainWindow").Child("Wnd-0xffffffff").values["band0"] = SettingsValue::FromBytes(bytes);
    {
        QFile file(ours);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(WriteSettingsText(tree)));
    }
    QSettings byQt(ours, QSettings::IniFormat);
    EXPECT_EQ(byQt.value("General/all").toByteArray(), all);
    EXPECT_EQ(byQt.value("MainWindow/Wnd-0xffffffff/band0").toByteArray(), all);

    const QString theirs = folder.path() + QStringLiteral("/theirs.conf");
    {
        QSettings qt(theirs, QSettings::IniFormat);
        qt.setValue("General/all", all);
        qt.setValue("General/width", quint32(4294967295u));
    }
    const SettingsKey read = ParseSettingsText(FileText(theirs).toStdString());
    ASSERT_TRUE(read.keys.count("General"));
    EXPECT_EQ(read.keys.at("General")->values.at("all").Bytes(), bytes);
    EXPECT_EQ(read.keys.at("General")->values.at("width").Bytes(),
              (std::vector<std::uint8_t>{0xff, 0xff, 0xff, 0xff}));
}

}  // namespace
}  // namespace sstate
