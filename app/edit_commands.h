#pragma once
// The Edit commands on the world's bodies: Undo, Redo, Cut, Copy, Paste,
// Delete, Select All and Duplicate. Copy puts the selected bodies on the
// system clipboard as one Bullet world, with the joints among them and a
// line of text beside it; Paste reads whatever the
// clipboard holds as untrusted input. What they did, or why they could not,
// goes to the status bar.

#include <QtCore/QObject>
#include <QtCore/QString>

#include <functional>

class CKinettaView;
class QMainWindow;
class QMimeData;

class CEditCommands : public QObject {
public:
    // showMessage puts a line in the status bar. The view must outlive this.
    CEditCommands(QMainWindow& frame, CKinettaView& view,
                  std::function<void(const QString&)> showMessage);

    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    void Delete();
    // Every body that can move.
    void SelectAll();
    // A copy of the selection beside it (Ctrl+D), selected.
    void Duplicate();

    // For the commands' enabled states.
    bool HasSelection() const;
    bool CanUndo() const;
    bool CanRedo() const;

    // What Copy puts on the clipboard for the selected bodies; null without one.
    QMimeData* CopySelection(QString* failure) const;
    // Pastes what the data holds; false, with a message shown, when it held
    // nothing Kinetta can paste.
    bool PasteFrom(const QMimeData* data);

private:
    // While the view opens a file, says so and returns true.
    bool RefuseWhileOpening() const;
    void Say(const QString& text) const;

    CKinettaView& m_view;
    std::function<void(const QString&)> m_showMessage;
};
