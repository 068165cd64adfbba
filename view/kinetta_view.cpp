// The view's life: the scene's set-up and teardown, the tick, Stop and paint.
#include "view/kinetta_view.h"

#include "common/kinetta_assert.h"
#include "drawer/gl_debug_drawer.h"
#include "view/debug_drawing.h"

#include <QtGui/QDropEvent>

#include <chrono>
#include <cmath>
#include <utility>

// The panes choose the drawer's parts through view/debug_drawing.h.
static_assert(debug_drawing::kWireframe == GL_DebugDrawer::kWireframe &&
              debug_drawing::kBoundingBoxes == GL_DebugDrawer::kBoundingBoxes &&
              debug_drawing::kContactPoints == GL_DebugDrawer::kContactPoints &&
              debug_drawing::kConstraints == GL_DebugDrawer::kConstraints &&
              debug_drawing::kAll == GL_DebugDrawer::kAll);

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

CKinettaView::CKinettaView(KeyState& keys) : m_keys(keys) {}

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
    // An open still running reads the scene's shapes: stopped first. This
    // waits only until each thread next looks at its cancel.
    const std::string dropped = m_opening ? m_opening->Path() : std::string();
    const bool wasOpening = m_opening != nullptr;
    CancelOpening();
    m_cancelledOpenings.clear();
    m_scene.Destroy();
    if (wasOpening && m_openingEnded)
        m_openingEnded(dropped, WorldFileResult::Failure(kWorldOpenCancelled));
}

void CKinettaView::Render()
{
    const auto start = std::chrono::steady_clock::now();
    EditOverlay overlay;
    // Joints show while the world stands, when a user builds with them.
    overlay.jointMarks = m_simulationState != SimulationState::Running;
    if (m_bandFrom) {
        const qreal ratio = devicePixelRatio();
        overlay.band = true;
        overlay.bandX0 = static_cast<float>(m_bandFrom->x() * ratio);
        overlay.bandY0 = static_cast<float>(m_bandFrom->y() * ratio);
        overlay.bandX1 = static_cast<float>(m_cursor.x() * ratio);
        overlay.bandY1 = static_cast<float>(m_cursor.y() * ratio);
    }
    m_renderer.SetOverlay(overlay);
    m_renderer.SetHandles(HandlesToDraw());
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

std::vector<btRigidBody*> CKinettaView::BodiesInBandOf(QPointF from, QPointF to) const
{
    const CDynamicsWorld* world = m_scene.World();
    if (world == nullptr)
        return {};
    ViewProjection projection;
    const ProjectionRecord& record = Projection();
    projection.fovY = record.fovY;
    projection.zNear = record.zNear;
    projection.zFar = record.zFar;
    projection.width = ViewportWidth();
    projection.height = ViewportHeight();
    const qreal ratio = devicePixelRatio();
    const BandRect band{static_cast<float>(from.x() * ratio), static_cast<float>(from.y() * ratio),
                        static_cast<float>(to.x() * ratio), static_cast<float>(to.y() * ratio)};
    return BodiesInBand(*world, BandViewOf(m_camera, projection), band);
}

std::optional<HandleDrawing> CKinettaView::HandlesToDraw() const
{
    const WorldDocument* document = m_scene.Document();
    // Handles arrange a world that stands still.
    if (document == nullptr || m_simulationState == SimulationState::Running)
        return std::nullopt;
    const std::optional<HandleFrame> frame =
        HandlesFor(document->HandledBodies(), -m_camera.camPos);
    if (!frame)
        return std::nullopt;
    HandleDrawing drawing{frame->centre, frame->length, kRingRadius, kArrowStart};
    if (const HandleDrag& drag = document->Handles(); drag.Active()) {
        // Where the drag began: the frame itself follows the bodies.
        (drag.Part().kind == HandleKind::Arrow ? drawing.activeArrow : drawing.activeRing) =
            drag.Part().axis;
    }
    return drawing;
}

void CKinettaView::LetGo()
{
    m_bandFrom.reset();
    m_leftHeld = false;
    m_turnFrom.reset();
    if (WorldDocument* document = m_scene.Document())
        document->Release();
}

void CKinettaView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && m_opening) {
        if (m_refused)
            m_refused();
    } else if (event->button() == Qt::LeftButton) {
        m_leftHeld = true;
        m_cursor = event->position();
        WorldDocument* document = m_scene.Document();
        const auto ray = RayAt(m_cursor);
        if (!ray || document == nullptr)
            return;
        const Qt::KeyboardModifiers keys = event->modifiers();
        // The handles first: they are drawn over the bodies, and Ctrl held
        // on them snaps rather than toggles.
        if (HandlesToDraw() && document->PressHandleAt(*ray, -m_camera.camPos,
                                                       document->HandledBodies(),
                                                       m_simulationState))
            return;
        if (keys & Qt::ControlModifier)
            document->PressAt(*ray, m_simulationState, WorldDocument::PressMode::Toggle);
        else if ((keys & Qt::ShiftModifier) && !PickBody(document->World(), *ray))
            m_bandFrom = m_cursor;
        else
            document->PressAt(*ray, m_simulationState);
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
    if (m_leftHeld && m_bandFrom) {
        m_cursor = event->position();
    } else if (m_leftHeld) {
        m_cursor = event->position();
        WorldDocument* document = m_scene.Document();
        const auto ray = RayAt(m_cursor);
        if (ray && document && document->Handles().Active())
            document->DragHandleTo(*ray, event->modifiers() & Qt::ControlModifier);
        else if (ray && document)
            document->DragTo(*ray);
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
        WorldDocument* document = m_scene.Document();
        if (m_bandFrom && document != nullptr)
            document->Selection().SelectAll(BodiesInBandOf(*m_bandFrom, event->position()));
        m_bandFrom.reset();
        if (document != nullptr)
            document->Release();
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

bool CKinettaView::event(QEvent* event)
{
    switch (event->type()) {
        // A desktop's drag source finds the view's own native window under
        // the pointer and talks to it, not to the frame around it.
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QMimeData* data = drop->mimeData();
            // X11 hands the files over while the drag moves; the drop that
            // comes through the view's container may carry none of them.
            if (event->type() != QEvent::Drop)
                m_draggedUrls = data != nullptr ? data->urls() : QList<QUrl>();
            QMimeData remembered;
            if (event->type() == QEvent::Drop && (data == nullptr || data->urls().isEmpty())) {
                remembered.setUrls(m_draggedUrls);
                data = &remembered;
            }
            // Anything unwanted keeps the no-drop cursor.
            if (!m_drops.wanted || !m_drops.wanted(*data)) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            if (event->type() == QEvent::Drop && m_drops.take)
                m_drops.take(*data);
            return true;
        }
        case QEvent::DragLeave:
            m_draggedUrls.clear();
            return true;
        default:
            break;
    }
    return COGLWindowImpl::event(event);
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
    if (WorldDocument* document = m_scene.Document())
        document->ResetSimulation();
}

const WorldHistory* CKinettaView::History() const
{
    const WorldDocument* document = m_scene.Document();
    return document != nullptr ? &document->Timeline() : nullptr;
}

bool CKinettaView::ShowStep(std::int64_t step)
{
    WorldDocument* document = m_scene.Document();
    if (document == nullptr || m_simulationState != SimulationState::Paused ||
        document->Timeline().Empty())
        return false;
    LetGo();
    ForgetDrawnMotion();
    const bool shown = document->ShowMoment(step);
    NoteHistory();
    return shown;
}

bool CKinettaView::ShowMomentAt(double seconds)
{
    return ShowStep(std::llround(seconds / double(kFixedTimeStep)));
}

bool CKinettaView::MoveThroughHistory(std::int64_t steps)
{
    const WorldHistory* history = History();
    return history != nullptr && ShowStep(history->ShownStep() + steps);
}

void CKinettaView::RunOnFromShownMoment()
{
    WorldDocument* document = m_scene.Document();
    if (document == nullptr || !document->Timeline().Rewound())
        return;
    LetGo();
    ForgetDrawnMotion();
    // Untimed: the re-steps to the shown moment are no step of the user's.
    document->Timeline().RunOn(document->World());
}

void CKinettaView::NoteHistory()
{
    if (const WorldHistory* history = History()) {
        m_stats.shownSeconds = history->ShownSeconds();
        m_stats.historySeconds = history->KeptSeconds();
    }
}

void CKinettaView::StepOnce()
{
    RunOnFromShownMoment();
    const TickOutcome outcome = StepSceneOnce(m_scene, &m_slowMotion, m_stepClock);
    if (outcome.stepped) {
        m_stats.stepMilliseconds += outcome.stepMilliseconds;
        m_stats.lastStepMilliseconds = outcome.stepMilliseconds;
        ++m_stats.steps;
        m_fallen += m_scene.Document()->TakeOutFallen();
    }
    NoteHistory();
}

std::optional<double> CKinettaView::TakeSlowStepPause()
{
    return std::exchange(m_slowStepPause, std::nullopt);
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
    WorldDocument* document = m_scene.Document();
    if (document == nullptr)
        return WorldFileResult::Failure("the 3D view could not be set up");
    LetGo();
    ForgetDrawnMotion();
    m_slowSteps.Forget();
    return document->OpenWorld(path);
}

bool CKinettaView::BeginOpening(const std::string& path, const WorldFileOpenOptions& options)
{
    if (m_opening || !m_scene.Built())
        return false;
    m_opening = std::make_unique<WorldFileOpening>(path, m_scene.Document()->ShapeLookup(), options);
    return true;
}

void CKinettaView::CancelOpening()
{
    if (!m_opening)
        return;
    m_opening->Cancel();
    m_cancelledOpenings.push_back(std::move(m_opening));
}

void CKinettaView::TakeFinishedOpening()
{
    // Cancelled opens whose threads have ended go without a wait.
    std::erase_if(m_cancelledOpenings, [](const auto& opening) { return opening->Finished(); });
    if (!m_opening || !m_opening->Finished())
        return;
    const std::string path = m_opening->Path();
    OpenedWorldFile opened = m_opening->Take();
    m_opening.reset();
    if (opened.result.ok) {
        LetGo();
        ForgetDrawnMotion();
        m_slowSteps.Forget();
        m_scene.Document()->TakeWorld(std::move(opened.world));
    }
    if (m_openingEnded)
        m_openingEnded(path, opened.result);
}

WorldFileResult CKinettaView::SaveWorld(const std::string& path)
{
    WorldDocument* document = m_scene.Document();
    if (document == nullptr)
        return WorldFileResult::Failure("the 3D view could not be set up");
    return document->SaveWorld(path);
}

void CKinettaView::NewWorld()
{
    LetGo();
    ForgetDrawnMotion();
    m_slowSteps.Forget();
    if (WorldDocument* document = m_scene.Document())
        document->NewWorld();
}

bool CKinettaView::OnTick()
{
    ++m_stats.ticks;
    TakeFinishedOpening();
    // A hold belongs to the state it began in: Start or Pause lets go.
    WorldDocument* document = m_scene.Document();
    if (document && document->Drag().Active() && document->Drag().State() != m_simulationState)
        LetGo();
    if (m_simulationState == SimulationState::Running)
        RunOnFromShownMoment();
    if (document && document->Handles().Active() &&
        document->Handles().State() != m_simulationState)
        LetGo();
    const CameraState cameraBefore = m_camera;
    const TickOutcome outcome = TickScene(m_scene, m_keys, m_simulationState, m_camera, m_thrower,
                                              &m_slowMotion, m_stepClock);
    // Walking or turning with a body held carries it along.
    if (m_leftHeld && document && document->Drag().Active() &&
        (m_camera.camPos != cameraBefore.camPos || m_camera.yaw != cameraBefore.yaw ||
         m_camera.pitch != cameraBefore.pitch)) {
        if (const auto ray = RayAt(m_cursor))
            document->DragTo(*ray);
    }
    if (outcome.stepped) {
        m_stats.stepMilliseconds += outcome.stepMilliseconds;
        m_stats.lastStepMilliseconds = outcome.stepMilliseconds;
        ++m_stats.steps;
        m_fallen += m_scene.Document()->TakeOutFallen();
        // Paused before the next tick: the window answers between slow steps.
        if (const auto seconds = m_slowSteps.AfterStep(outcome.stepMilliseconds / 1000.0)) {
            m_simulationState = SimulationState::Paused;
            m_slowStepPause = seconds;
        }
    }
    NoteHistory();
    // Without a context the scene was never built: nothing to draw.
    if (m_scene.Built()) {
        // Drawn now rather than on a later update request: every tick is a frame.
        Paint();
    }
    return true;
}
