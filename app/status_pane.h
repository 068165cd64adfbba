#pragma once
// The status bar's text pane. It cuts a text too long for it with an
// ellipsis instead of asking for its width: a long prompt must never make
// the frame wider.

#include <QtWidgets/QWidget>

class CStatusPane : public QWidget {
public:
    explicit CStatusPane(const QString& text, QWidget* parent);

    // The whole text, whatever part of it shows.
    const QString& Text() const { return m_text; }
    void SetText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextRect() const;

    QString m_text;
};
