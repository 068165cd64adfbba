#pragma once
// The 3D view: owns the scene (lights, shapes, the dynamics world and its
// bodies), moves the camera and steps the world on every tick, and draws a
// frame on every paint.

#include "glw/model.h"
#include "models/box_model.h"
#include "models/cylinder_model.h"
#include "models/dice_model.h"
#include "models/sphere_model.h"
#include "physics/body_thrower.h"
#include "physics/dynamics_world.h"
#include "physics/simulation_control.h"
#include "view/camera_control.h"
#include "view/key_state.h"
#include "view/light_record.h"
#include "view/ogl_window.h"
#include "view/view_stats.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

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

    int BodyCount() const { return m_world ? m_world->getNumCollisionObjects() : 0; }
    const ViewStats& Stats() const { return m_stats; }

    // Read and written by the frame's Simulation commands.
    SimulationState m_simulationState = SimulationState::Running;

private:
    void LoadTextures();
    void DeleteTextures();
    void CreateModels();
    void CreateShapes();
    void DeleteShapes();
    void DrawBody(const btCollisionObject& object);

    const KeyState& m_keys;
    CameraState m_camera;
    std::vector<std::unique_ptr<LightRecord>> m_lights;
    GLUquadric* m_quadric = nullptr;
    std::unique_ptr<CDynamicsWorld> m_world;
    BodyThrower m_thrower;

    // Texture names owned here; materials only refer to them.
    GLuint m_diceTexture = 0;
    GLuint m_groundTexture = 0;
    GLuint m_cylinderTexture = 0;
    GLuint m_extraTexture = 0;  // loaded and kept, drawn by nothing
    GLuint m_boxTexture = 0;

    // Shapes and models are owned here and outlive every body that uses them.
    btCollisionShape* m_groundShape = nullptr;
    btCollisionShape* m_wallShape = nullptr;
    btCollisionShape* m_coneShape = nullptr;
    models::CylinderModel* m_cylinderModel = nullptr;
    models::BoxModel* m_boxModel = nullptr;
    models::SphereModel* m_sphereModel = nullptr;
    models::DiceModel* m_diceModel = nullptr;
    glw::Material m_groundSurface;

    ViewStats m_stats;
};
