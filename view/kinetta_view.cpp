// The view's life: the scene's set-up and teardown, the tick, Stop and paint.
#include "view/kinetta_view.h"

#include <chrono>

namespace {

glw::GlProc CurrentContextProc(const char* name)
{
    return QOpenGLContext::currentContext()->getProcAddress(name);
}

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
    m_scene.Destroy();
}

void CKinettaView::Render()
{
    const auto start = std::chrono::steady_clock::now();
    m_renderer.Render(m_scene, m_camera);
    m_stats.renderMilliseconds += MillisecondsSince(start);
    ++m_stats.frames;
}

void CKinettaView::ResetSimulation()
{
    m_scene.ResetSimulation();
}

int CKinettaView::AddRestingBodies(int count)
{
    return m_scene.AddRestingBodies(count);
}

WorldFileResult CKinettaView::OpenWorld(const std::string& path)
{
    return m_scene.OpenWorld(path);
}

WorldFileResult CKinettaView::SaveWorld(const std::string& path)
{
    return m_scene.SaveWorld(path);
}

void CKinettaView::NewWorld()
{
    m_scene.NewWorld();
}

bool CKinettaView::OnTick()
{
    ++m_stats.ticks;
    const TickOutcome outcome = TickScene(m_scene, m_keys, m_simulationState, m_camera, m_thrower);
    if (outcome.stepped) {
        m_stats.stepMilliseconds += outcome.stepMilliseconds;
        ++m_stats.steps;
    }
    // Without a context the scene was never built: nothing to draw.
    if (m_scene.Built()) {
        // Drawn now rather than on a later update request: every tick is a frame.
        Paint();
    }
    return true;
}
