#include "app/status_pane.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QPainter>
#include <QtWidgets/QStyle>

namespace {
constexpr int kMargin = 2;
}  // namespace

CStatusPane::CStatusPane(const QString& text, QWidget* parent) : QWidget(parent), m_text(text)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void CStatusPane::SetText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    // The size hint follows the text, but nothing may grow for it.
    updateGeometry();
    update();
}

QSize CStatusPane::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(m_text) + 2 * kMargin, minimumSizeHint().height()};
}

QSize CStatusPane::minimumSizeHint() const
{
    return {0, fontMetrics().height() + 2 * kMargin};
}

QRect CStatusPane::TextRect() const
{
    return rect().adjusted(kMargin, 0, -kMargin, 0);
}

void CStatusPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = TextRect();
    const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          shown, foregroundRole());
}
