#include "view/frame_readback.h"

#include "common/kinetta_assert.h"

#include <GL/glext.h>

#include <cstring>

namespace {

template <typename Function>
void Find(glw::GlProcLookup lookup, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(lookup(name));
}

void ReadInto(int width, int height, void* target)
{
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // The read buffer stays the context's default: the back buffer of a
    // double-buffered window, the frame not yet swapped.
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, target);
    glPopClientAttrib();
}

}  // namespace

FrameReadback::FrameReadback(glw::GlProcLookup lookup)
{
    KINETTA_ASSERT(glw::HasCurrentContext(), "make the window's context current first");
    Find(lookup, m_genBuffers, "glGenBuffers");
    Find(lookup, m_deleteBuffers, "glDeleteBuffers");
    Find(lookup, m_bindBuffer, "glBindBuffer");
    Find(lookup, m_bufferData, "glBufferData");
    Find(lookup, m_mapBuffer, "glMapBuffer");
    Find(lookup, m_unmapBuffer, "glUnmapBuffer");
    m_usesBuffers = m_genBuffers && m_deleteBuffers && m_bindBuffer && m_bufferData &&
                    m_mapBuffer && m_unmapBuffer;
    if (m_usesBuffers)
        for (Pending& pending : m_pending)
            m_genBuffers(1, &pending.buffer);
}

FrameReadback::~FrameReadback()
{
    if (!m_usesBuffers)
        return;
    KINETTA_ASSERT(glw::HasCurrentContext(), "delete the FrameReadback with its context current");
    for (Pending& pending : m_pending)
        m_deleteBuffers(1, &pending.buffer);
}

std::optional<VideoFrame> FrameReadback::Collect(Pending& pending)
{
    if (!pending.started)
        return std::nullopt;
    pending.started = false;
    VideoFrame frame;
    frame.width = pending.width;
    frame.height = pending.height;
    frame.bottomRowFirst = true;
    frame.step = pending.step;
    frame.rgba.resize(std::size_t(frame.width) * frame.height * 4);
    m_bindBuffer(GL_PIXEL_PACK_BUFFER, pending.buffer);
    const void* mapped = m_mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (mapped != nullptr)
        std::memcpy(frame.rgba.data(), mapped, frame.rgba.size());
    m_unmapBuffer(GL_PIXEL_PACK_BUFFER);
    m_bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    if (mapped == nullptr)
        return std::nullopt;
    return frame;
}

std::optional<VideoFrame> FrameReadback::Capture(int width, int height, std::int64_t step)
{
    KINETTA_ASSERT(glw::HasCurrentContext(), "capture with the window's context current");
    if (width <= 0 || height <= 0)
        return std::nullopt;
    if (!m_usesBuffers) {
        VideoFrame frame{width, height, true, {}, step};
        frame.rgba.resize(std::size_t(width) * height * 4);
        ReadInto(width, height, frame.rgba.data());
        return frame;
    }
    Pending& now = m_pending[std::size_t(m_next)];
    m_next ^= 1;
    Pending& before = m_pending[std::size_t(m_next)];
    // Both buffers in flight: the older one is collected after the new read
    // starts, so that read and collection overlap.
    m_bindBuffer(GL_PIXEL_PACK_BUFFER, now.buffer);
    m_bufferData(GL_PIXEL_PACK_BUFFER, std::ptrdiff_t(width) * height * 4, nullptr,
                 GL_STREAM_READ);
    ReadInto(width, height, nullptr);
    m_bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    now = Pending{now.buffer, width, height, step, true};
    return Collect(before);
}

std::optional<VideoFrame> FrameReadback::Drain()
{
    if (!m_usesBuffers)
        return std::nullopt;
    // The one left is the last started: the other was collected with it.
    return Collect(m_pending[std::size_t(m_next ^ 1)]);
}
