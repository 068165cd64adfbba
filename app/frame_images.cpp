#include "app/frame_images.h"

#include "app/frame_resources.h"
#include "glw/resources.h"

#include <QtGui/QImage>
#include <QtGui/QPixmap>

#include <strings.h>

#include <vector>

namespace {

constexpr std::uint32_t kToolbarStripId = 128;
constexpr std::uint32_t kInsertStripId = 129;
constexpr std::uint32_t kProgramIconId = 128;

// All embedded images of one type and id; an icon holds one per size.
std::vector<QImage> EmbeddedImages(const char* type, std::uint32_t id)
{
    std::vector<QImage> images;
    const glw::ResourceModule& module = glw::ExecutableModule();
    for (std::size_t i = 0; i < module.count; ++i) {
        const glw::ResourceEntry& entry = module.entries[i];
        if (entry.id != id || strcasecmp(entry.type, type) != 0)
            continue;
        QImage image;
        if (image.loadFromData(entry.data, static_cast<int>(entry.size), "PNG"))
            images.push_back(image);
    }
    return images;
}

// Every embedded size of the toolbar strip: one image per pixel density,
// each a whole multiple of the strip's size at density 1.
const std::vector<QImage>& ToolbarStrips()
{
    static const std::vector<QImage> strips = EmbeddedImages("BITMAP", kToolbarStripId);
    return strips;
}

const std::vector<QImage>& InsertStrips()
{
    static const std::vector<QImage> strips = EmbeddedImages("BITMAP", kInsertStripId);
    return strips;
}

QIcon StripImage(const std::vector<QImage>& strips, int index)
{
    QIcon icon;
    if (index < 0)
        return icon;
    for (const QImage& strip : strips) {
        const int scale = strip.height() / kToolbarImageHeight;
        if (scale < 1 || strip.height() != scale * kToolbarImageHeight)
            continue;
        const QRect cell(index * kToolbarImageWidth * scale, 0, kToolbarImageWidth * scale,
                         kToolbarImageHeight * scale);
        if (strip.rect().contains(cell))
            icon.addPixmap(QPixmap::fromImage(strip.copy(cell)));
    }
    return icon;
}

}  // namespace

QIcon ToolbarImage(int index)
{
    return StripImage(ToolbarStrips(), index);
}

QIcon InsertImage(int index)
{
    return StripImage(InsertStrips(), index);
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const QImage& image : EmbeddedImages("ICON", kProgramIconId))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}
