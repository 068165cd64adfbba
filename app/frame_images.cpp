#include "app/frame_images.h"

#include "app/frame_resources.h"
#include "glw/resources.h"

#include <QtGui/QImage>
#include <QtGui/QPixmap>

#include <strings.h>

#include <vector>

namespace {

constexpr std::uint32_t kToolbarStripId = 128;
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

const QImage& ToolbarStrip()
{
    static const QImage strip = [] {
        std::vector<QImage> images = EmbeddedImages("BITMAP", kToolbarStripId);
        return images.empty() ? QImage() : images.front();
    }();
    return strip;
}

}  // namespace

QIcon ToolbarImage(int index)
{
    const QImage& strip = ToolbarStrip();
    const QRect cell(index * kToolbarImageWidth, 0, kToolbarImageWidth, kToolbarImageHeight);
    if (index < 0 || !strip.rect().contains(cell))
        return {};
    return QIcon(QPixmap::fromImage(strip.copy(cell)));
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (const QImage& image : EmbeddedImages("ICON", kProgramIconId))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}
