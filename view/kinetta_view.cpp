// The view's life: the scene's set-up and teardown, the tick, Stop and paint.
#include "view/kinetta_view.h"

#include "common/kinetta_assert.h"

#include <chrono>

namespace {

glw::GlProc CurrentContextProc(const char* name)
{
    return QOpenGLContext::currentContext()->getProcAddress(name);
}

// A notch of a common wheel, in the eighths of a degree Qt counts.
constexpr int kWheelNotch = 120;
// Key steps walked per notch: a notch moves about as far as a short tap of W.
constexpr float kStepsPerNotch = 4.0f;

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

CKinettaView::CKinettaView(const KeyState& keys) : m_keys(keys) {}

CKinettaView::~CKinettaView()
{
    DestroyWindow();
}

bool CKinettaView::InitScene()
{
    m_scene.Init(&CurrentContextProc);
    return true;
}

void CKinettaView::DestroyScene()
{
    // An open still running reads the scene's shapes: stopped first.
    CancelOpening();
    m_scene.Destroy();
}

void CKinettaView::Render()
{
    const auto start = std::chrono::steady_clock::now();
    m_renderer.Render(m_scene, m_camera);
    if (m_frameTap)
        m_frameTap();
    m_stats.lastRenderMilliseconds = MillisecondsSince(start);
    m_stats.renderMilliseconds += m_stats.lastRenderMilliseconds;
    ++m_stats.frames;
}

std::optional<PickRay> CKinettaView::RayAt(QPointF point) const
{
    ViewProjection projection;
    const ProjectionRecord& record = Projection();
    projection.fovY = record.fovY;
    projection.zNear = record.zNear;
    projection.zFar = record.zFar;
    const qreal ratio = devicePixelRatio();
    projection.width = ViewportWidth();
    projection.height = ViewportHeight();
    return RayThroughPixel(m_camera, projection, static_cast<float>(point.x() * ratio),
                           static_cast<float>(point.y() * ratio));
}

void CKinettaView::LetGo()
{
    m_leftHeld = false;
    m_turnFrom.reset();
    m_scene.Release();
}

void CKinettaView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        m_leftHeld = true;
        m_cursor = event->position();
        if (const auto ray = RayAt(m_cursor))
            m_scene.PressAt(*ray, m_simulationState);
    } else if (event->button() == Qt::RightButton) {
        m_turnFrom = event->position();
    }
}

void CKinettaView::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    // A release that never came (the mouse was taken away) lets go now.
    if (m_leftHeld && !(event->buttons() & Qt::LeftButton))
        LetGo();
    if (m_turnFrom && !(event->buttons() & Qt::RightButton))
        m_turnFrom.reset();
    if (m_leftHeld) {
        m_cursor = event->position();
        if (const auto ray = RayAt(m_cursor))
            m_scene.DragTo(*ray);
    }
    if (m_turnFrom) {
        const QPointF moved = event->position() - *m_turnFrom;
        TurnCamera(m_camera, static_cast<float>(moved.x()), static_cast<float>(moved.y()));
        m_turnFrom = event->position();
    }
}

void CKinettaView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton) {
        m_leftHeld = false;
        m_scene.Release();
    } else if (event->button() == Qt::RightButton) {
        m_turnFrom.reset();
    }
}

void CKinettaView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    // Fine-grained wheels and touchpads send parts of a notch.
    m_wheelEighths += event->angleDelta().y();
    const int notches = m_wheelEighths / kWheelNotch;
    m_wheelEighths -= notches * kWheelNotch;
    if (notches != 0)
        WalkCamera(m_camera, notches * kStepsPerNotch);
}

void CKinettaView::focusOutEvent(QFocusEvent* event)
{
    LetGo();
    COGLWindowImpl::focusOutEvent(event);
}

void CKinettaView::hideEvent(QHideEvent* event)
{
    LetGo();
    COGLWindowImpl::hideEvent(event);
}

void CKinettaView::ForgetDrawnMotion()
{
    if (CDynamicsWorld* world = m_scene.World())
        m_slowMotion.Forget(*world);
}

void CKinettaView::ResetSimulation()
{
    LetGo();
    ForgetDrawnMotion();
    m_scene.ResetSimulation();
}

void CKinettaView::StepOnce()
{
    const TickOutcome outcome = StepSceneOnce(m_scene, &m_slowMotion);
    if (outcome.stepped) {
        m_stats.stepMilliseconds += outcome.stepMilliseconds;
        m_stats.lastStepMilliseconds = outcome.stepMilliseconds;
        ++m_stats.steps;
    }
}

void CKinettaView::SetSpeed(SimulationSpeed speed)
{
    ForgetDrawnMotion();
    m_slowMotion.SetSpeed(speed);
}

int CKinettaView::AddRestingBodies(int count)
{
    return m_scene.AddRestingBodies(count);
}

WorldFileResult CKinettaView::OpenWorld(const std::string& path)
{
    LetGo();
    ForgetDrawnMotion();
    return m_scene.OpenWorld(path);
}

bool CKinettaView::BeginOpening(const std::string& path, const WorldFileOpenOptions& options)
{
    if (m_opening || !m_scene.Built())
        return false;
    m_opening = std::make_unique<WorldFileOpening>(path, m_scene.ShapeLookup(), options);
    return true;
}

WorldFileResult CKinettaView::FinishOpening()
{
    KINETTA_ASSERT(m_opening && m_opening->Finished(), "finish an opening once it has finished");
    OpenedWorldFile opened = m_opening->Take();
    m_opening.reset();
    if (!opened.result.ok)
        return opened.result;
    LetGo();
    ForgetDrawnMotion();
    m_scene.TakeWorld(std::move(opened.world));
    return opened.result;
}

WorldFileResult CKinettaView::SaveWorld(const std::string& path)
{
    return m_scene.SaveWorld(path);
}

void CKinettaView::NewWorld()
{
    LetGo();
    ForgetDrawnMotion();
    m_scene.NewWorld();
}

bool CKinettaView::OnTick()
{
    ++m_stats.ticks;
    // A hold belongs to the state it began in: Start or Pause lets go.
    if (m_scene.Drag().Active() && m_scene.Drag().State() != m_simulationState)
        LetGo();
    const CameraState cameraBefore = m_camera;
    const TickOutcome outcome = TickScene(m_scene, m_keys, m_simulationState, m_camera, m_thrower,
                                              &m_slowMotion);
    // Walking or turning with a body held carries it along.
    if (m_leftHeld && m_scene.Drag().Active() &&
        (m_camera.camPos != cameraBefore.camPos || m_camera.yaw != cameraBefore.yaw ||
         m_camera.pitch != cameraBefore.pitch)) {
        if (const auto ray = RayAt(m_cursor))
            m_scene.DragTo(*ray);
    }
    if (outcome.stepped) {
        m_stats.stepMilliseconds += outcome.stepMilliseconds;
        m_stats.lastStepMilliseconds = outcome.stepMilliseconds;
        ++m_stats.steps;
    }
    // Without a context the scene was never built: nothing to draw.
    if (m_scene.Built()) {
        // Drawn now rather than on a later update request: every tick is a frame.
        Paint();
    }
    return true;
}
