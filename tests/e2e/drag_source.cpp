// A desktop's file source for drop tests: a small window that starts a drag
// of the files named on its command line when the mouse is pressed in it,
// as a file manager does. Driven by xdotool's pointer.
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QDrag>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>

#include <cstdio>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(QList<QUrl> urls) : m_urls(std::move(urls))
    {
        setText(QStringLiteral("drag me"));
        setWindowTitle(QStringLiteral("drag source"));
        setAlignment(Qt::AlignCenter);
        resize(160, 120);
    }

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        auto* data = new QMimeData;
        data->setUrls(m_urls);
        QDrag drag(this);
        drag.setMimeData(data);
        const Qt::DropAction action = drag.exec(Qt::CopyAction);
        std::printf("drop %s\n", action == Qt::IgnoreAction ? "refused" : "accepted");
        std::fflush(stdout);
    }

private:
    QList<QUrl> m_urls;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i)
        urls.append(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i])));
    DragSource source(urls);
    source.move(0, 0);
    source.show();
    return app.exec();
}
