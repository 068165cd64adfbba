#pragma once
// The File commands on world files: New, Open, Save and Save As. They keep
// the frame's title naming the open file, say in a message box why a file
// could not be opened or saved, and note in the status bar what an opened
// file held that the world leaves out.

#include "app/recent_files.h"
#include "worlds/world_file.h"

#include <QtCore/QObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <string>

class CKinettaView;
class COpeningProgress;
class QLabel;
class QMainWindow;

// "slope.bullet – Kinetta" while a file is open, "Kinetta" otherwise. The
// path is the file's name as the system holds it (bytes).
QString WorldTitle(const std::string& path);

// The status bar's refusal of a command that would change the world while
// the view's open runs ("Kinetta is still opening big.bullet; Esc cancels
// it"); empty when no open runs.
QString StillOpeningText(const CKinettaView& view);

class CWorldCommands : public QObject {
public:
    // worldChanged runs after the world was replaced, for the frame to bring
    // its command states up to date; say puts a line in the status bar. The
    // view calls back into this object when an open ends, also as its window
    // goes: its window must go first (the frame's does, in OnDestroy).
    CWorldCommands(QMainWindow& frame, CKinettaView& view, std::function<void()> worldChanged,
                   std::function<void(const QString&)> say = {});

    void New();
    // Ask for a file with the Bullet file dialog, then open or save it.
    void Open();
    void Save();

    // Without a dialog. The file is read on a thread of its own and this
    // returns at once: the window's loop goes on, the status bar shows the
    // progress, and the tick that finds it finished takes the world. ended
    // then runs once with whether the world is the file's now: after the
    // message box of a failure, or at once on a cancel (CancelOpening, Esc,
    // the status bar's Cancel, New, closing the window), which puts a line
    // in the status bar instead of a box. False when the open could not
    // begin; ended has then run already. One open at a time: another one
    // asked for meanwhile is refused with a line in the status bar.
    bool OpenFile(const std::string& path, std::function<void(bool)> ended = {});
    bool Opening() const;
    // Marks the open cancelled and returns at once.
    void CancelOpening();
    // While an open runs, says so in the status bar and returns true: the
    // commands that change the world ask this first.
    bool RefuseWhileOpening();
    // The reader and its limits for later opens; the program's own by default.
    void SetOpenOptions(WorldFileOpenOptions options) { m_openOptions = std::move(options); }
    // Saving over a file that held more than the world took from it first
    // asks, naming what would be lost, with Save As as the default answer.
    bool SaveFile(const std::string& path);
    // The file named on the command line: opened as OpenFile would, once the
    // loop runs, so that the window shows the start scene at once; the
    // message box of a failure waits until the window is up. then runs once
    // the open has ended, whatever came of it.
    void OpenAtStart(const std::string& path, std::function<void()> then = {});

    // Opens the recent file at index (from 0). A file no longer there is
    // taken off the list, with a message box that says so.
    bool OpenRecent(int index);
    const CRecentFiles& Recent() const { return m_recent; }
    // Runs, with the menu texts, whenever the recent files change, and once
    // at once.
    void ShowRecentWith(std::function<void(const QStringList&)> show);

    // The open file; empty while the world is the start scene.
    const std::string& FilePath() const { return m_path; }
    // What the status bar says the last open left out; empty when nothing.
    QString Note() const;

private:
    enum class Failures { ShowAtOnce, ShowOncePlaced };
    bool Open(const std::string& path, Failures failures, std::function<void(bool)> ended);
    // The view's open has ended (the tick took its world) or was dropped
    // with the window.
    void Ended(const std::string& path, const WorldFileResult& result);
    void CancelSaying(const QString& text);
    void EndPending(bool opened);
    void ShowFailureOncePlaced(const std::string& path, const std::string& reason);
    void Say(const QString& text) const;
    void ShowFailure(const char* verb, const std::string& path, const std::string& reason);
    void SetFile(const std::string& path);
    void SetNote(const std::string& note);
    // Whether saving may go ahead onto path; false when the user turned to
    // Save As (which has saved, or not) or cancelled. *saved says which.
    bool MayOverwriteLeftOut(const std::string& path, bool* saved);
    void Remember(const std::string& path);
    void ShowRecent();

    QMainWindow& m_frame;
    CKinettaView& m_view;
    std::function<void()> m_worldChanged;
    std::function<void(const QString&)> m_say;
    QLabel* m_note = nullptr;  // a child of the status bar
    COpeningProgress* m_progress = nullptr;  // a child of the status bar
    WorldFileOpenOptions m_openOptions;
    // The open running, as asked for.
    Failures m_pendingFailures = Failures::ShowAtOnce;
    std::function<void(bool)> m_pendingEnded;
    std::string m_path;
    // The file whose open left something out, and what: saving over it
    // would lose that. Empty when no such file is at stake.
    std::string m_leftOutPath;
    std::string m_leftOut;
    CRecentFiles m_recent = CRecentFiles::Load();
    std::function<void(const QStringList&)> m_showRecent;
};
