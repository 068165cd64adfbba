#pragma once
// The about box: the program's icon, name, version and copyright in a small
// fixed dialog laid out in dialog units of its own font, centred over its
// owner. OK accepts; Esc and the close box cancel.

#include <QtWidgets/QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* owner);

    // Pixels of a rectangle given in dialog units: a horizontal unit is a
    // quarter of the font's average character width, a vertical unit an
    // eighth of its height.
    static QRect DialogUnitsToPixels(const QFontMetrics& metrics, const QRect& units);

    // Where the text goes: its box in pixels, widened to hold its longest
    // line unbroken, centred under the icon and kept inside room.
    static QRect TextPlacement(const QFontMetrics& metrics, const QRect& box, const QRect& icon,
                               const QRect& room);

    // The copyright and version lines shown under the icon.
    static QString AboutText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QGroupBox* m_frame = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_text = nullptr;
    QPushButton* m_ok = nullptr;
};
