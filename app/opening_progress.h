#pragma once
// What the frame shows while a world file opens: "Opening big.bullet… 40 %"
// in the status bar, with a Cancel button beside it. The open runs on a
// thread of its own (CKinettaView::BeginOpening) and the window's ordinary
// loop goes on meanwhile: this only polls the view's open while it shows.

#include <QtCore/QObject>
#include <QtCore/QString>

#include <functional>

struct OpeningProgress;
class CKinettaView;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;

// The status bar's words for an open's progress.
QString OpeningText(const QString& name, const OpeningProgress& progress);

class COpeningProgress : public QObject {
public:
    // Adds its widgets, hidden, to the bar. cancel runs on the button.
    COpeningProgress(QStatusBar& bar, CKinettaView& view, std::function<void()> cancel);

    // Shows the view's open until Hide, with a busy cursor.
    void Show();
    void Hide();

private:
    void Look();

    CKinettaView& m_view;
    QString m_name;
    QLabel* m_text = nullptr;          // children of the status bar
    QPushButton* m_cancel = nullptr;
    QTimer* m_poll = nullptr;          // a child of this object
    bool m_shown = false;
};
