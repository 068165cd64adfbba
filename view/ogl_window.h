#pragma once
// The window base of the 3D view: one OpenGL context, a perspective
// projection kept in step with the window size, and four hooks of the
// derived view (T) called at fixed points of the window's life:
//   InitScene    once, with the context current, before the first paint;
//   Render       on every paint, after a pending projection change;
//   DestroyScene once, with the context current, before the context goes;
//   OnTick       from outside (the frame's timer).

#include <QtGui/QSurfaceFormat>
#include <QtOpenGLWidgets/QOpenGLWidget>

#include <GL/gl.h>
#include <GL/glu.h>

#include <optional>

// The context every view asks for. Set as the default format before the
// application object exists. Swap interval 0: a display's refresh must never
// throttle the 10 ms tick.
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
class COGLWindowImpl : public QOpenGLWidget {
public:
    explicit COGLWindowImpl(QWidget* parent = nullptr) : QOpenGLWidget(parent)
    {
        setFocusPolicy(Qt::StrongFocus);
        // Every paint draws the whole frame; nothing needs erasing first.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // The derived view's destructor must call DestroyWindow(): by the time
    // this destructor runs, the derived scene is gone.
    ~COGLWindowImpl() override = default;

    // Tears the scene down with the context current. Safe to call more than
    // once, and before the scene was ever built.
    void DestroyWindow()
    {
        if (!m_sceneBuilt)
            return;
        m_sceneBuilt = false;
        makeCurrent();
        static_cast<T*>(this)->DestroyScene();
        doneCurrent();
    }

    bool SceneBuilt() const { return m_sceneBuilt; }
    const ProjectionRecord& Projection() const { return m_projection; }

protected:
    void initializeGL() override
    {
        // Qt calls this again if the widget moves to another top-level window;
        // the scene is built only once per window life.
        if (m_sceneBuilt)
            return;
        m_sceneBuilt = true;
        static_cast<T*>(this)->InitScene();
    }

    void resizeGL(int, int) override { m_projection.projectionDirty = 1; }

    void paintGL() override
    {
        if (m_projection.projectionDirty)
            ApplyProjection();
        static_cast<T*>(this)->Render();
    }

    void ApplyProjection()
    {
        const qreal ratio = devicePixelRatioF();
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
        m_projection.projectionDirty = 0;
    }

private:
    ProjectionRecord m_projection;
    bool m_sceneBuilt = false;
};
