#include "app/world_commands.h"

#include "app/busy_cursor.h"

#include "app/bullet_file_dialog.h"
#include "app/opening_progress.h"
#include "common/kinetta_assert.h"
#include "view/kinetta_view.h"

#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtGui/QWindow>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>

#include <filesystem>
#include <utility>

namespace {

// How long a start-up message waits for the frame to be placed: 3 s at most.
constexpr int kPlacedPollMilliseconds = 20;
constexpr int kPlacedTries = 150;

QString DisplayName(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string SystemName(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

}  // namespace

QString StillOpeningText(const CKinettaView& view)
{
    const WorldFileOpening* running = view.Opening();
    if (running == nullptr)
        return {};
    return QStringLiteral("Kinetta is still opening %1; Esc cancels it")
        .arg(DisplayName(std::filesystem::path(running->Path()).filename().string()));
}

QString WorldTitle(const std::string& path)
{
    const QString program = QStringLiteral("Kinetta");
    if (path.empty())
        return program;
    QString name = DisplayName(std::filesystem::path(path).filename().string());
    // Qt reads "[*]" in a title as the unsaved-changes mark; doubled, it is text.
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return name + QStringLiteral(" \u2013 ") + program;
}

CWorldCommands::CWorldCommands(QMainWindow& frame, CKinettaView& view,
                               std::function<void()> worldChanged,
                               std::function<void(const QString&)> say)
    : QObject(&frame),
      m_frame(frame),
      m_view(view),
      m_worldChanged(std::move(worldChanged)),
      m_say(std::move(say))
{
    m_note = new QLabel(frame.statusBar());
    m_note->setObjectName(QStringLiteral("worldNote"));
    m_note->hide();
    frame.statusBar()->addPermanentWidget(m_note);
    m_progress = new COpeningProgress(*frame.statusBar(), view, [this] { CancelOpening(); });
    m_view.OnOpeningEnded(
        [this](const std::string& path, const WorldFileResult& result) { Ended(path, result); });
    m_view.OnRefusedWhileOpening([this] { RefuseWhileOpening(); });
}

bool CWorldCommands::Opening() const
{
    return m_view.Opening() != nullptr;
}

void CWorldCommands::CancelOpening()
{
    if (const WorldFileOpening* running = m_view.Opening())
        CancelSaying(QStringLiteral("Opening %1 cancelled; the world is as it was")
                         .arg(DisplayName(std::filesystem::path(running->Path()).filename().string())));
}

void CWorldCommands::CancelSaying(const QString& text)
{
    m_view.CancelOpening();
    m_progress->Hide();
    Say(text);
    EndPending(false);
}

bool CWorldCommands::RefuseWhileOpening()
{
    const QString refusal = StillOpeningText(m_view);
    if (refusal.isEmpty())
        return false;
    Say(refusal);
    return true;
}

void CWorldCommands::EndPending(bool opened)
{
    if (std::function<void(bool)> ended = std::exchange(m_pendingEnded, {}))
        ended(opened);
}

QString CWorldCommands::Note() const
{
    return m_note->text();
}

void CWorldCommands::New()
{
    // The user asked for the start scene: an open still running would
    // replace it a moment later.
    if (const WorldFileOpening* running = m_view.Opening())
        CancelSaying(QStringLiteral("Opening %1 cancelled for New")
                         .arg(DisplayName(std::filesystem::path(running->Path()).filename().string())));
    m_view.NewWorld();
    m_leftOutPath.clear();
    SetFile({});
    SetNote({});
    if (m_worldChanged)
        m_worldChanged();
}

void CWorldCommands::Open()
{
    // Refused before the dialog shows: a file chosen would only be refused.
    if (RefuseWhileOpening())
        return;
    if (const std::optional<QString> chosen =
            RunBulletFileDialog(&m_frame, QFileDialog::AcceptOpen))
        OpenFile(SystemName(*chosen));
}

void CWorldCommands::Save()
{
    if (RefuseWhileOpening())
        return;
    if (const std::optional<QString> chosen =
            RunBulletFileDialog(&m_frame, QFileDialog::AcceptSave, DisplayName(m_path)))
        SaveFile(SystemName(*chosen));
}

bool CWorldCommands::OpenFile(const std::string& path, std::function<void(bool)> ended)
{
    return Open(path, Failures::ShowAtOnce, std::move(ended));
}

bool CWorldCommands::Open(const std::string& path, Failures failures,
                          std::function<void(bool)> ended)
{
    // Refused rather than put in its place: a second file dropped or chosen
    // by mistake must not throw away a long open near its end, and
    // cancelling it is one key away.
    if (RefuseWhileOpening() || !m_view.BeginOpening(path, m_openOptions)) {
        if (!Opening())
            ShowFailure("open", path, "the 3D view could not be set up");
        if (ended)
            ended(false);
        return false;
    }
    m_pendingFailures = failures;
    m_pendingEnded = std::move(ended);
    m_progress->Show();
    if (m_worldChanged)
        m_worldChanged();  // the commands that change the world grey out
    return true;
}

void CWorldCommands::Ended(const std::string& path, const WorldFileResult& result)
{
    m_progress->Hide();
    if (result.ok) {
        SetFile(path);
        SetNote(result.StatusNote());
        m_leftOutPath = result.note.empty() ? std::string() : m_path;
        m_leftOut = result.note;
        Remember(m_path);
        if (m_worldChanged)
            m_worldChanged();
        EndPending(true);
        return;
    }
    if (m_worldChanged)
        m_worldChanged();
    // Dropped with the window: nothing to say.
    if (result.error == kWorldOpenCancelled) {
        EndPending(false);
        return;
    }
    if (m_pendingFailures == Failures::ShowOncePlaced) {
        ShowFailureOncePlaced(path, result.error);
        EndPending(false);
        return;
    }
    // Not from inside the tick that found it: the box turns a loop of its
    // own, and the tick's caller must not run again within it.
    QTimer::singleShot(0, this, [this, path, error = result.error] {
        ShowFailure("open", path, error);
        EndPending(false);
    });
}

bool CWorldCommands::MayOverwriteLeftOut(const std::string& path, bool* saved)
{
    *saved = false;
    std::error_code error;
    if (m_leftOutPath.empty() || !std::filesystem::equivalent(path, m_leftOutPath, error))
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Kinetta"),
                    QStringLiteral("%1 holds more than this world: when it was opened, Kinetta %2. "
                                   "Saving over it loses that for good.")
                        .arg(DisplayName(path), QString::fromStdString(m_leftOut)),
                    QMessageBox::Cancel, &m_frame);
    box.setTextFormat(Qt::PlainText);
    QAbstractButton* saveAs = box.addButton(QStringLiteral("Save &As..."), QMessageBox::AcceptRole);
    QAbstractButton* overwrite =
        box.addButton(QStringLiteral("&Overwrite"), QMessageBox::DestructiveRole);
    box.setDefaultButton(static_cast<QPushButton*>(saveAs));
    box.exec();
    if (box.clickedButton() == overwrite)
        return true;
    if (box.clickedButton() == saveAs) {
        if (const std::optional<QString> chosen =
                RunBulletFileDialog(&m_frame, QFileDialog::AcceptSave, DisplayName(path)))
            *saved = SaveFile(SystemName(*chosen));
    }
    return false;
}

bool CWorldCommands::SaveFile(const std::string& path)
{
    if (RefuseWhileOpening())
        return false;
    if (bool saved = false; !MayOverwriteLeftOut(path, &saved))
        return saved;
    WorldFileResult result;
    {
        BusyCursor busy;
        result = m_view.SaveWorld(path);
    }
    if (!result.ok) {
        ShowFailure("save", path, result.error);
        return false;
    }
    // What the old file held beyond the world is gone with it.
    std::error_code error;
    if (!m_leftOutPath.empty() && std::filesystem::equivalent(path, m_leftOutPath, error))
        m_leftOutPath.clear();
    SetFile(path);
    Remember(m_path);
    return true;
}

bool CWorldCommands::OpenRecent(int index)
{
    if (RefuseWhileOpening())
        return false;
    if (index < 0 || index >= static_cast<int>(m_recent.Paths().size()))
        return false;
    const std::string path = m_recent.Paths()[static_cast<std::size_t>(index)];
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        m_recent.Remove(path);
        m_recent.Save();
        ShowRecent();
        ShowFailure("open", path, "it is no longer there; it has been taken off the recent files");
        return false;
    }
    return OpenFile(path);
}

void CWorldCommands::ShowRecentWith(std::function<void(const QStringList&)> show)
{
    m_showRecent = std::move(show);
    ShowRecent();
}

void CWorldCommands::Remember(const std::string& path)
{
    m_recent.Add(path);
    // A list that cannot be kept still shows for this run.
    m_recent.Save();
    ShowRecent();
}

void CWorldCommands::ShowRecent()
{
    if (!m_showRecent)
        return;
    QStringList texts;
    for (std::size_t i = 0; i < m_recent.Paths().size(); ++i)
        texts.append(RecentMenuText(static_cast<int>(i), m_recent.Paths()[i]));
    m_showRecent(texts);
}

void CWorldCommands::OpenAtStart(const std::string& path, std::function<void()> then)
{
    // Once the loop runs: the frame shows first, with the start scene.
    QTimer::singleShot(0, this, [this, path, then = std::move(then)] {
        Open(path, Failures::ShowOncePlaced, [then](bool) {
            if (then)
                then();
        });
    });
}

void CWorldCommands::ShowFailureOncePlaced(const std::string& path, const std::string& reason)
{
    // Shown once the frame is on the screen where the window manager put
    // it: a box centred on a frame not yet placed lands beside it.
    auto* wait = new QTimer(this);
    connect(wait, &QTimer::timeout, this, [this, wait, path, reason, tries = 0]() mutable {
        const QWindow* window = m_frame.windowHandle();
        if ((window == nullptr || !window->isExposed()) && ++tries < kPlacedTries)
            return;
        wait->stop();
        wait->deleteLater();
        ShowFailure("open", path, reason);
    });
    wait->start(kPlacedPollMilliseconds);
}

void CWorldCommands::Say(const QString& text) const
{
    if (m_say)
        m_say(text);
}

void CWorldCommands::ShowFailure(const char* verb, const std::string& path,
                                 const std::string& reason)
{
    KINETTA_ASSERT(!reason.empty(), "give every failed WorldFileResult the reason it failed");
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("Kinetta"),
        QStringLiteral("Kinetta could not %1 %2: %3")
            .arg(QLatin1StringView(verb), DisplayName(path), QString::fromStdString(reason)),
        QMessageBox::Ok, &m_frame);
    // A file's name is never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void CWorldCommands::SetFile(const std::string& path)
{
    // Absolute, so that the save dialog finds it whatever folder it starts in.
    std::error_code error;
    const std::filesystem::path absolute =
        path.empty() ? std::filesystem::path() : std::filesystem::absolute(path, error);
    m_path = error ? path : absolute.string();
    m_frame.setWindowTitle(WorldTitle(m_path));
}

void CWorldCommands::SetNote(const std::string& note)
{
    m_note->setText(QString::fromStdString(note));
    m_note->setVisible(!note.empty());
}
