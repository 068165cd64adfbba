#pragma once
// What the frame shows while a world file opens: "Opening big.bullet… 40 %"
// in the status bar, with a Cancel button beside it. The open runs on a
// thread of its own (CKinettaView::BeginOpening); meanwhile the loop turns
// here, as under a dialog, so the window draws, the simulation runs and the
// menus open.

#include <QtCore/QObject>
#include <QtCore/QString>

struct OpeningProgress;
class CKinettaView;
class QLabel;
class QPushButton;
class QStatusBar;

// The status bar's words for an open's progress.
QString OpeningText(const QString& name, const OpeningProgress& progress);

class COpeningProgress : public QObject {
public:
    // Adds its widgets, hidden, to the bar.
    explicit COpeningProgress(QStatusBar& bar);

    // Turns the loop until the view's open has finished (true) or is gone:
    // cancelled, by the button or anyone else, or torn down with the scene
    // (false).
    bool WaitFor(CKinettaView& view);

private:
    QLabel* m_text = nullptr;          // children of the status bar
    QPushButton* m_cancel = nullptr;
};
