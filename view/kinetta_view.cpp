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
    if (m_scene.m_world)
        ::ResetSimulation(*m_scene.m_world, m_scene.m_sphereModel, m_scene.m_diceModel);
}

int CKinettaView::AddRestingBodies(int count)
{
    if (!m_scene.m_world)
        return 0;
    return AddRestingThrownBodies(*m_scene.m_world, m_scene.m_sphereModel, m_scene.m_diceModel,
                                  count);
}

bool CKinettaView::OnTick()
{
    ++m_stats.ticks;
    // Without a context the scene was never built: nothing moves or draws.
    if (!m_scene.Built() || m_scene.m_lights.empty())
        return true;

    ApplyCameraKeys(m_keys, m_camera, *m_scene.m_lights.front());

    if (m_simulationState == SimulationState::Running) {
        CDynamicsWorld& world = *m_scene.m_world;
        const CameraPose pose{m_camera.camPos, m_camera.yaw, m_camera.pitch};
        if (m_keys.IsDown(ViewKey::Space))
            m_thrower.TryThrowSphere(world, m_scene.m_sphereModel, pose);
        if (m_keys.IsDown(ViewKey::T))
            m_thrower.TryThrowDice(world, m_scene.m_diceModel, pose);

        const auto start = std::chrono::steady_clock::now();
        StepWorld(world);
        m_stats.stepMilliseconds += MillisecondsSince(start);
        ++m_stats.steps;
    }

    // Drawn now rather than on a later update request: every tick is a frame.
    Paint();
    return true;
}
