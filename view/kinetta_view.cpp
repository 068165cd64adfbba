// The view's life outside set-up and drawing: construction, the tick and Stop.
#include "view/kinetta_view.h"

#include <chrono>

CKinettaView::CKinettaView(const KeyState& keys) : m_keys(keys) {}

CKinettaView::~CKinettaView()
{
    DestroyWindow();
}

void CKinettaView::ResetSimulation()
{
    if (m_world)
        ::ResetSimulation(*m_world, m_sphereModel, m_diceModel);
}

bool CKinettaView::OnTick()
{
    ++m_stats.ticks;
    // Qt builds the scene when the window is first shown, which may come
    // after the frame's timer has started.
    if (!m_world || m_lights.empty())
        return true;

    ApplyCameraKeys(m_keys, m_camera, *m_lights.front());

    if (m_simulationState == SimulationState::Running) {
        const CameraPose pose{m_camera.camPos, m_camera.yaw, m_camera.pitch};
        if (m_keys.IsDown(ViewKey::Space))
            m_thrower.TryThrowSphere(*m_world, m_sphereModel, pose);
        if (m_keys.IsDown(ViewKey::T))
            m_thrower.TryThrowDice(*m_world, m_diceModel, pose);

        const auto start = std::chrono::steady_clock::now();
        StepWorld(*m_world);
        m_stats.stepMilliseconds +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        ++m_stats.steps;
    }

    update();
    return true;
}
