#include "view/still_layer.h"

#include "common/kinetta_assert.h"

#include <cstring>

#ifndef GL_FRAMEBUFFER
#define GL_FRAMEBUFFER 0x8D40
#define GL_READ_FRAMEBUFFER 0x8CA8
#define GL_DRAW_FRAMEBUFFER 0x8CA9
#define GL_RENDERBUFFER 0x8D41
#define GL_COLOR_ATTACHMENT0 0x8CE0
#define GL_DEPTH_ATTACHMENT 0x8D00
#define GL_DEPTH_STENCIL_ATTACHMENT 0x821A
#define GL_FRAMEBUFFER_COMPLETE 0x8CD5
#define GL_DRAW_FRAMEBUFFER_BINDING 0x8CA6
#define GL_READ_FRAMEBUFFER_BINDING 0x8CAA
#define GL_DEPTH24_STENCIL8 0x88F0
#endif
#ifndef GL_PIXEL_PACK_BUFFER
#define GL_PIXEL_PACK_BUFFER 0x88EB
#define GL_PIXEL_PACK_BUFFER_BINDING 0x88ED
#endif
#ifndef GL_DEPTH_COMPONENT24
#define GL_DEPTH_COMPONENT16 0x81A5
#define GL_DEPTH_COMPONENT24 0x81A6
#define GL_DEPTH_COMPONENT32 0x81A7
#endif

bool StillLayer::Body::operator==(const Body& other) const
{
    return object == other.object && shape == other.shape && index == other.index &&
           std::memcmp(matrix, other.matrix, sizeof(matrix)) == 0;
}

bool StillLayer::Key::operator==(const Key& other) const
{
    return drawnBy == other.drawnBy && style == other.style && viewport == other.viewport &&
           projection == other.projection && modelview == other.modelview &&
           lights == other.lights && restingChanges == other.restingChanges &&
           bodies == other.bodies;
}

StillLayer::~StillLayer()
{
    Release();
}

bool StillLayer::Holds(const btCollisionObject& object, const btCollisionObject* singledOut)
{
    return &object != singledOut && !object.isActive();
}

void StillLayer::Release()
{
    m_target.Release();
    m_valid = false;
}

bool StillLayer::Allocate(int width, int height)
{
    // The frame's depth as it is: a depth copy needs both sides alike.
    GLint depthBits = 0, stencilBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    const GLenum depthFormat = stencilBits > 0   ? GL_DEPTH24_STENCIL8
                               : depthBits > 24 ? GL_DEPTH_COMPONENT32
                               : depthBits > 16 ? GL_DEPTH_COMPONENT24
                                                : GL_DEPTH_COMPONENT16;
    const bool made = m_target.Bind(width, height, depthFormat);
    m_procs.bindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(m_frameDraw));
    m_procs.bindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(m_frameRead));
    if (!made)
        Release();
    return made;
}

bool StillLayer::Copy(bool intoFrame)
{
    const std::array<int, 4>& v = m_key.viewport;
    // Errors from before are not ours to judge the copy by.
    while (glGetError() != GL_NO_ERROR) {
    }
    const GLuint ourBuffer = m_target.Framebuffer();
    m_procs.bindFramebuffer(GL_READ_FRAMEBUFFER, intoFrame ? ourBuffer : GLuint(m_frameRead));
    m_procs.bindFramebuffer(GL_DRAW_FRAMEBUFFER, intoFrame ? GLuint(m_frameDraw) : ourBuffer);
    const GLint frame[4] = {v[0], v[1], v[0] + v[2], v[1] + v[3]};
    const GLint ours[4] = {0, 0, v[2], v[3]};
    const GLint* from = intoFrame ? ours : frame;
    const GLint* to = intoFrame ? frame : ours;
    // The copy is clipped by the scissor box like any drawing.
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    m_procs.blitFramebuffer(from[0], from[1], from[2], from[3], to[0], to[1], to[2], to[3],
                            GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    m_procs.bindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(m_frameDraw));
    m_procs.bindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(m_frameRead));
    return glGetError() == GL_NO_ERROR;
}

bool StillLayer::Begin(const Key& key, StillLayerKeeping keeping)
{
    KINETTA_ASSERT(!m_drawing, "call StillLayer::End after a Begin that returned false");
    KINETTA_ASSERT(glw::HasCurrentContext(), "begin a frame with the scene's context current");
    if (keeping == StillLayerKeeping::Off || m_unusable || !m_procs.HasFramebuffers() ||
        key.viewport[2] <= 0 || key.viewport[3] <= 0) {
        m_valid = false;
        return false;
    }
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &m_frameDraw);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &m_frameRead);
    const bool sameKey = keeping == m_keeping && key == m_key;
    if (m_valid && sameKey && Copy(true)) {
        ++m_reuses;
        m_changedLastFrame = false;
        return true;
    }
    m_valid = false;
    m_key = key;
    m_keeping = keeping;
    // Changed again, as while the camera turns: the next frame will not
    // match this one either, so keeping it would only cost a copy. The first
    // frame that matches the one before it keeps the layer again.
    const bool changedTwice = !sameKey && m_changedLastFrame;
    m_changedLastFrame = !sameKey;
    if (changedTwice)
        return false;
    if (!Allocate(key.viewport[2], key.viewport[3])) {
        m_unusable = true;
        return false;
    }
    m_drawing = true;
    // Mesa draws into the window system's framebuffer upside down and turns
    // it over, and into framebuffer objects the right way up: the two place
    // edges and seams a pixel apart here and there. The layer is drawn into
    // our buffer only where the frame is a framebuffer object too, so that a
    // kept frame is the frame drawn in full.
    m_drawsIntoOurs = keeping == StillLayerKeeping::Framebuffer && m_frameDraw != 0;
    if (m_drawsIntoOurs) {
        m_procs.bindFramebuffer(GL_FRAMEBUFFER, m_target.Framebuffer());
        // Our buffer starts at its own origin.
        glViewport(0, 0, key.viewport[2], key.viewport[3]);
    }
    return false;
}

void StillLayer::End()
{
    if (!m_drawing)
        return;
    m_drawing = false;
    ++m_redraws;
    const bool intoFrame = m_drawsIntoOurs;
    if (intoFrame) {
        const std::array<int, 4>& v = m_key.viewport;
        glViewport(v[0], v[1], v[2], v[3]);
    }
    // The window system's buffer can lag behind its window: Mesa learns a
    // new size only at a swap, so a frame drawn just after the window first
    // shows or grows covers only part of its viewport. Kept, that part
    // would stand for the whole picture, with nothing (depth 0) around it.
    const bool fromWindow = !intoFrame && m_frameRead == 0;
    if (fromWindow)
        ClearOurDepth(0.0f);
    if (!Copy(intoFrame)) {
        // The context cannot copy between these buffers (depth formats or
        // samples that differ): drawn in full from now on.
        m_unusable = true;
        Release();
        return;
    }
    m_valid = !fromWindow || OurFarCornerWasCopied();
}

void StillLayer::ClearOurDepth(float depth)
{
    GLboolean depthMask = GL_TRUE;
    GLfloat clearDepth = 1.0f;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    m_procs.bindFramebuffer(GL_DRAW_FRAMEBUFFER, m_target.Framebuffer());
    glDepthMask(GL_TRUE);
    glClearDepth(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(clearDepth);
    glDepthMask(depthMask);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    m_procs.bindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(m_frameDraw));
}

bool StillLayer::OurFarCornerWasCopied()
{
    // Depth 0 lies on the near plane, where nothing the scene draws lies.
    GLint packBuffer = 0;
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &packBuffer);
    if (packBuffer != 0)
        m_procs.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    m_procs.bindFramebuffer(GL_READ_FRAMEBUFFER, m_target.Framebuffer());
    GLfloat depth = 0.0f;
    glReadPixels(m_key.viewport[2] - 1, m_key.viewport[3] - 1, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT,
                 &depth);
    m_procs.bindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(m_frameRead));
    if (packBuffer != 0)
        m_procs.bindBuffer(GL_PIXEL_PACK_BUFFER, GLuint(packBuffer));
    return depth > 0.0f;
}
