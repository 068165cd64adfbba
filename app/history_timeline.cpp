#include "app/history_timeline.h"

#include <QtWidgets/QLabel>
#include <QtWidgets/QSlider>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <cmath>

QString TimelineText(const TimelineSpan& span)
{
    if (span.lastStep < span.firstStep || span.stepSeconds <= 0)
        return QStringLiteral("Nothing kept");
    const QString shown = QString::number(double(span.shownStep) * span.stepSeconds, 'f', 2);
    const QString kept =
        QString::number(double(span.lastStep - span.firstStep) * span.stepSeconds, 'f', 2);
    if (span.limitedByMemory)
        return QStringLiteral("At %1 s, %2 s of %3 s kept (memory)")
            .arg(shown, kept, QString::number(span.wantedSeconds, 'g', 4));
    return QStringLiteral("At %1 s, %2 s kept").arg(shown, kept);
}

CHistoryTimeline::CHistoryTimeline(std::function<void(long long)> scrub, QWidget* parent)
    : QWidget(parent), m_scrub(std::move(scrub))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("historySlider"));
    m_slider->setToolTip(QStringLiteral("Drag while paused to see an earlier moment; Start runs "
                                        "on from it (, and . step back and forward)"));
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setRange(0, 0);
    m_slider->setEnabled(false);
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (!m_showing && m_scrub)
            m_scrub(m_firstStep + value);
    });
    layout->addWidget(m_slider);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("historyLabel"));
    layout->addWidget(m_label);
    Show({});
}

void CHistoryTimeline::Show(const TimelineSpan& span)
{
    m_showing = true;
    m_firstStep = span.firstStep;
    // The slider counts steps from the first kept one, so its range stays
    // small however long the world has run.
    const int last = int(std::max(0LL, span.lastStep - span.firstStep));
    m_slider->setRange(0, last);
    const int perSecond = span.stepSeconds > 0 ? int(std::lround(1.0 / span.stepSeconds)) : 1;
    m_slider->setTickInterval(std::max(1, perSecond));
    m_slider->setPageStep(std::max(1, perSecond));
    m_slider->setValue(int(std::clamp(span.shownStep - span.firstStep, 0LL, (long long)last)));
    m_slider->setEnabled(span.scrubbable && last > 0);
    const QString text = TimelineText(span);
    if (m_label->text() != text)
        m_label->setText(text);
    m_showing = false;
}
