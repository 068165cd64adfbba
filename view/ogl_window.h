#pragma once
// The window base of the 3D view: a native OpenGL window with one context, a
// perspective projection kept in step with the window size, and four hooks of
// the derived view (T) called at fixed points of the window's life:
//   InitScene    once, with the context current, when the window is created;
//   Render       on every paint, after a pending projection change;
//   DestroyScene once, with the context current, before the context goes;
//   OnTick       from outside (the frame's timer).
//
// A native window rather than a QOpenGLWidget: the widget renders into an
// off-screen buffer that Qt then composes into the window, which costs as much
// as drawing the scene on a software renderer. Here the frame is swapped
// straight to the window. Painting is synchronous (Paint): QWindow's update
// requests wait on a 5 ms timer of Qt's, and every tick must show its frame.
//
// On Wayland the window is a subsurface of the frame's surface, and Qt 6.4
// sends it no expose event when it first appears: a view that waited for one
// stayed blank for good. Until Qt has once called the window exposed, it
// therefore draws whenever it and the frame around it are shown.

#include "common/kinetta_assert.h"

#include <QtGui/QExposeEvent>
#include <QtGui/QOpenGLContext>
#include <QtGui/QSurfaceFormat>
#include <QtGui/QWindow>

#include <GL/gl.h>
#include <GL/glu.h>

#include <memory>
#include <optional>

// The context every view asks for. Swap interval 0: a display's refresh must
// never throttle the 10 ms tick.
inline QSurfaceFormat ViewSurfaceFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(0);
    return format;
}

// Width over height, divided with a fraction; nothing for an area with no
// height (or a negative one), which has no aspect ratio.
inline std::optional<float> AspectRatio(int width, int height)
{
    if (height <= 0 || width < 0)
        return std::nullopt;
    return static_cast<float>(static_cast<double>(width) / height);
}

struct ProjectionRecord {
    int projectionDirty = 1;
    float fovY = 30.0f;
    float zNear = 1.0f;
    float zFar = 100.0f;
};

template <class T>
class COGLWindowImpl : public QWindow {
public:
    COGLWindowImpl()
    {
        setSurfaceType(QSurface::OpenGLSurface);
        setFormat(ViewSurfaceFormat());
    }

    // The derived view's destructor must call DestroyWindow() (checked): by
    // the time this destructor runs, the derived scene is gone.
    ~COGLWindowImpl() override
    {
        KINETTA_ASSERT(m_context == nullptr,
                       "call DestroyWindow() in the derived view's destructor");
    }

    // Creates the native window and its context and builds the scene. False
    // when no context could be had; the view then stays empty and black.
    bool CreateWindowAndScene()
    {
        if (m_context)
            return true;
        create();
        auto context = std::make_unique<QOpenGLContext>();
        context->setFormat(requestedFormat());
        if (!context->create() || !context->makeCurrent(this))
            return false;
        m_context = std::move(context);
        m_sceneBuilt = true;
        static_cast<T*>(this)->InitScene();
        m_context->doneCurrent();
        return true;
    }

    // Tears the scene down with the context current, then drops the context.
    // Safe to call more than once, and before the scene was ever built.
    void DestroyWindow()
    {
        if (!m_context)
            return;
        if (m_sceneBuilt && m_context->makeCurrent(this)) {
            static_cast<T*>(this)->DestroyScene();
            m_context->doneCurrent();
        }
        m_sceneBuilt = false;
        m_context.reset();
    }

    // Draws and presents one frame now, if the window can be seen.
    void Paint()
    {
        if (!m_sceneBuilt || !CanBeSeen() || !m_context->makeCurrent(this))
            return;
        if (m_projection.projectionDirty)
            ApplyProjection();
        static_cast<T*>(this)->Render();
        m_context->swapBuffers(this);
        m_context->doneCurrent();
    }

    // Runs work with the view's context current, for drawing off the window
    // (pictures, print); false, without running it, before the scene is built.
    template <class Work>
    bool WithContext(Work&& work)
    {
        if (!m_sceneBuilt || !m_context->makeCurrent(this))
            return false;
        work();
        m_context->doneCurrent();
        return true;
    }

    bool SceneBuilt() const { return m_sceneBuilt; }
    const ProjectionRecord& Projection() const { return m_projection; }
    // The viewport the last frame was drawn with, in device pixels; 0 x 0
    // before the first.
    int ViewportWidth() const { return m_viewportWidth; }
    int ViewportHeight() const { return m_viewportHeight; }

protected:
    void exposeEvent(QExposeEvent*) override { Paint(); }

    // A shown-again window starts with unknown exposure, as at first.
    void hideEvent(QHideEvent*) override { m_exposedSinceShown = false; }

    void resizeEvent(QResizeEvent*) override
    {
        m_projection.projectionDirty = 1;
        Paint();
    }

    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest) {
            Paint();
            return true;
        }
        return QWindow::event(event);
    }

    void ApplyProjection()
    {
        const qreal ratio = devicePixelRatio();
        const int width = static_cast<int>(this->width() * ratio);
        const int height = static_cast<int>(this->height() * ratio);
        // A window with no height keeps the previous projection until it has
        // one again.
        const std::optional<float> aspect = AspectRatio(width, height);
        if (!aspect)
            return;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(m_projection.fovY, *aspect, m_projection.zNear, m_projection.zFar);
        glViewport(0, 0, width, height);
        glMatrixMode(GL_MODELVIEW);
        m_viewportWidth = width;
        m_viewportHeight = height;
        m_projection.projectionDirty = 0;
    }

private:
    bool CanBeSeen()
    {
        if (isExposed()) {
            m_exposedSinceShown = true;
            return true;
        }
        // Once Qt has tracked the exposure, a window it calls hidden is.
        if (m_exposedSinceShown || !isVisible())
            return false;
        const QWindow* frame = parent();
        return frame == nullptr || frame->isExposed();
    }

    std::unique_ptr<QOpenGLContext> m_context;
    ProjectionRecord m_projection;
    int m_viewportWidth = 0;
    int m_viewportHeight = 0;
    bool m_sceneBuilt = false;
    bool m_exposedSinceShown = false;
};
