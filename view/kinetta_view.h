#pragma once
// The 3D view: a native OpenGL window that owns the scene, moves the camera
// and steps the world on every tick, and draws a frame on every paint.

#include "physics/body_thrower.h"
#include "physics/simulation_control.h"
#include "worlds/world_file_result.h"
#include "view/camera_control.h"
#include "view/frame_renderer.h"
#include "view/key_state.h"
#include "view/ogl_window.h"
#include "view/scene.h"
#include "view/scene_tick.h"
#include "view/view_stats.h"

#include <string>

class CKinettaView : public COGLWindowImpl<CKinettaView> {
public:
    // keys is polled on every tick and must outlive the view.
    explicit CKinettaView(const KeyState& keys);
    ~CKinettaView() override;

    // The window-base hooks.
    bool InitScene();
    void Render();
    void DestroyScene();
    bool OnTick();

    // Stop: start bodies back in place, thrown bodies gone.
    void ResetSimulation();

    // World files. Opening replaces the world; when it fails the world is
    // exactly as it was. New goes back to the start scene. The camera and
    // the lights stay.
    WorldFileResult OpenWorld(const std::string& path);
    WorldFileResult SaveWorld(const std::string& path);
    void NewWorld();

    // Balls and dice at rest around the tower, for measuring a busy scene.
    int AddRestingBodies(int count);

    int BodyCount() const { return m_scene.BodyCount(); }
    const ViewStats& Stats() const { return m_stats; }

    // Read and written by the frame's Simulation commands.
    SimulationState m_simulationState = SimulationState::Running;

private:
    const KeyState& m_keys;
    CameraState m_camera;
    Scene m_scene;
    FrameRenderer m_renderer;
    BodyThrower m_thrower;
    ViewStats m_stats;
};
