#include "app/opening_progress.h"

#include "view/kinetta_view.h"

#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStatusBar>

#include <filesystem>

namespace {
// Often enough for the percentage to move smoothly, seldom enough to cost nothing.
constexpr int kPollMilliseconds = 50;
}  // namespace

QString OpeningText(const QString& name, const OpeningProgress& progress)
{
    const QString opening = QStringLiteral("Opening %1\u2026").arg(name);
    switch (progress.phase) {
        case OpeningPhase::Reading:
            return QStringLiteral("%1 %2 %").arg(opening).arg(progress.percent);
        case OpeningPhase::Decoding:
            return QStringLiteral("%1 decoding").arg(opening);
        case OpeningPhase::Building:
        case OpeningPhase::Finished:
            return QStringLiteral("%1 building the world").arg(opening);
    }
    return opening;
}

COpeningProgress::COpeningProgress(QStatusBar& bar, CKinettaView& view,
                                   std::function<void()> cancel)
    : QObject(&bar), m_view(view)
{
    m_text = new QLabel(&bar);
    m_text->setObjectName(QStringLiteral("openingProgress"));
    m_text->setTextFormat(Qt::PlainText);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), &bar);
    m_cancel->setObjectName(QStringLiteral("openingCancel"));
    m_cancel->setToolTip(QStringLiteral("Stop opening the file (Esc); the world stays as it is"));
    // The view keeps the keyboard: Esc must still reach the frame.
    m_cancel->setFocusPolicy(Qt::NoFocus);
    m_cancel->setFlat(true);
    bar.addPermanentWidget(m_text);
    bar.addPermanentWidget(m_cancel);
    m_text->hide();
    m_cancel->hide();
    connect(m_cancel, &QPushButton::clicked, this, [cancel = std::move(cancel)] { cancel(); });
    m_poll = new QTimer(this);
    connect(m_poll, &QTimer::timeout, this, [this] { Look(); });
}

void COpeningProgress::Show()
{
    const WorldFileOpening* opening = m_view.Opening();
    if (opening == nullptr || m_shown)
        return;
    m_name = QFile::decodeName(
        QByteArray::fromStdString(std::filesystem::path(opening->Path()).filename().string()));
    m_shown = true;
    Look();
    // Busy, yet everything answers: the arrow with a spinner.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_text->show();
    m_cancel->show();
    m_poll->start(kPollMilliseconds);
}

void COpeningProgress::Look()
{
    if (const WorldFileOpening* opening = m_view.Opening())
        m_text->setText(OpeningText(m_name, opening->Progress()));
}

void COpeningProgress::Hide()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_poll->stop();
    QApplication::restoreOverrideCursor();
    m_text->hide();
    m_cancel->hide();
}
