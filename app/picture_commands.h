#pragma once
// File › Export Picture, Print, Print Preview and Print Setup. Each draws the
// view's picture anew, off the window, at the size its file or page needs:
// the same scene, camera, light and selection outline as on the screen.

#include "media/picture.h"

#include <QtCore/QObject>
#include <QtCore/QRectF>
#include <QtCore/QString>
#include <QtGui/QImage>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CKinettaView;
class QMainWindow;
class QPainter;
class QPrinter;

// The view's picture at width x height, drawn with the view's context;
// nothing, with *error set, when it cannot be drawn.
std::optional<RgbaPicture> DrawViewPicture(CKinettaView& view, int width, int height,
                                           std::string* error);

QImage ToImage(const RgbaPicture& picture);

// "tower.bullet" for an open file, "Kinetta" for the start scene.
QString PictureCaptionName(const std::string& worldPath);

// Where a picture of the aspect goes on a page of paintRect (device units):
// as large as fits above a caption line of captionHeight, centred.
QRectF PictureRectOnPage(const QRectF& paintRect, double aspect, double captionHeight);

class CPictureCommands : public QObject {
public:
    // worldPath names the open file (empty for the start scene); say puts a
    // line in the status bar. The view must outlive this object.
    CPictureCommands(QMainWindow& frame, CKinettaView& view,
                     std::function<std::string()> worldPath,
                     std::function<void(const QString&)> say);
    ~CPictureCommands() override;

    // With dialogs: the size and the file; the print dialog; the preview;
    // the page setup. Failures show a message box that says why.
    void ExportPicture();
    void Print();
    void PrintPreview();
    void PrintSetup();

    // Without dialogs. The PNG carries the world's name and the simulated
    // time; false, with *error set, when it could not be written.
    bool ExportPictureTo(const std::string& path, int width, int height, std::string* error);
    // One page: the picture fitted with its aspect kept, drawn at the
    // printer's resolution up to 600 dpi, and a caption with the world's
    // name and the date. Where the picture went, in page pixels; nothing
    // when it could not be drawn.
    std::optional<QRectF> PrintTo(QPrinter& printer, std::string* error);

    // The world starts again (Stop, New, Open): its simulated time is 0.
    void RestartClock();

    // The printer that Print Setup and the print dialog set up, kept for
    // the next print.
    QPrinter& Printer();

private:
    void ShowFailure(const QString& what, const std::string& reason);

    QMainWindow& m_frame;
    CKinettaView& m_view;
    std::function<std::string()> m_worldPath;
    std::function<void(const QString&)> m_say;
    std::unique_ptr<QPrinter> m_printer;
    std::uint64_t m_clockStart = 0;  // the view's step count when the world started
};
