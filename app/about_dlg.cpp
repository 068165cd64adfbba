#include "app/about_dlg.h"

#include "app/frame_images.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QShowEvent>
#include <QtGui/QWindow>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include <algorithm>

namespace {

constexpr int kIconPixels = 32;

// Dialog units, as x, y, width, height.
constexpr QRect kClientUnits(0, 0, 187, 102);
constexpr QRect kGroupUnits(7, 7, 115, 88);
constexpr QPoint kIconUnits(55, 26);
constexpr QRect kTextUnits(25, 57, 78, 32);
constexpr QRect kOkUnits(130, 81, 50, 14);

}  // namespace

QRect CAboutDlg::DialogUnitsToPixels(const QFontMetrics& metrics, const QRect& units)
{
    // The average width is taken over the alphabet, rounded as dialog
    // templates have always done it.
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = (alphabet / 26 + 1) / 2;
    const int baseY = metrics.height();
    auto x = [baseX](int v) { return (v * baseX + 2) / 4; };
    auto y = [baseY](int v) { return (v * baseY + 4) / 8; };
    return QRect(x(units.x()), y(units.y()), x(units.width()), y(units.height()));
}

QRect CAboutDlg::TextPlacement(const QFontMetrics& metrics, const QRect& box, const QRect& icon,
                               const QRect& room)
{
    // Wide fonts do not fit the name and version into the box: it grows
    // as far as the group box allows rather than break the line.
    int width = box.width();
    for (const QString& line : AboutText().split(QLatin1Char('\n')))
        width = std::max(width, metrics.horizontalAdvance(line) + 2);
    width = std::min(width, room.width());
    // Centred under the icon, so that both read as one block.
    int left = icon.center().x() + 1 - width / 2;
    left = std::clamp(left, room.left(), room.right() + 1 - width);
    return QRect(left, box.top(), width, box.height());
}

QString CAboutDlg::AboutText()
{
    return QStringLiteral("Kinetta Application v1.0\n\nCopyright (C) 2026");
}

CAboutDlg::CAboutDlg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    const QFontMetrics metrics(font());
    auto pixels = [&metrics](const QRect& units) { return DialogUnitsToPixels(metrics, units); };

    setFixedSize(pixels(kClientUnits).size());

    m_frame = new QGroupBox(this);
    m_frame->setGeometry(pixels(kGroupUnits));

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("aboutIcon"));
    m_icon->setPixmap(ProgramIcon().pixmap(kIconPixels, kIconPixels));
    m_icon->setGeometry(
        QRect(pixels(QRect(kIconUnits, QSize())).topLeft(), QSize(kIconPixels, kIconPixels)));

    m_text = new QLabel(AboutText(), this);
    m_text->setObjectName(QStringLiteral("aboutText"));
    m_text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_text->setGeometry(TextPlacement(metrics, pixels(kTextUnits), m_icon->geometry(),
                                      m_frame->geometry().marginsRemoved(QMargins(4, 0, 4, 0))));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(pixels(kOkUnits));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || parentWidget() == nullptr)
        return;
    // Centred over the owner's window, frames included. Before the window
    // manager has framed the dialog, its frame is taken to be the owner's.
    const QWidget* owner = parentWidget()->window();
    QMargins margins = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    if (margins.isNull() && owner->windowHandle() != nullptr)
        margins = owner->windowHandle()->frameMargins();
    const QRect outer = owner->frameGeometry();
    const QSize framed = size().grownBy(margins);
    const QPoint frameTopLeft(outer.x() + (outer.width() - framed.width()) / 2,
                              outer.y() + (outer.height() - framed.height()) / 2);
    // Placed by its client area: window managers keep that where it is
    // when they add their frame.
    setGeometry(QRect(frameTopLeft + QPoint(margins.left(), margins.top()), size()));
}
