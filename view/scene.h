#pragma once
// Everything the view steps and draws: the lights, the textures, the shapes
// and body models, and the dynamics world with its bodies. Built in a current
// OpenGL context and torn down in one, in a fixed order. Plain C++ with no
// window, so that tests and benchmarks build it in an off-screen context.

#include "drawer/gl_shape_drawer.h"
#include "glw/model.h"
#include "models/box_model.h"
#include "models/cylinder_model.h"
#include "models/dice_model.h"
#include "models/sphere_model.h"
#include "physics/dynamics_world.h"
#include "view/light_record.h"

#include <btBulletDynamicsCommon.h>

#include <GL/glu.h>

#include <array>
#include <memory>
#include <vector>

class Scene {
public:
    Scene() = default;
    // Destroy() must have run, with the context current, before this.
    ~Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Builds the scene in the current context: OpenGL state and lights,
    // textures, meshes and models, the world and its 241 start bodies.
    // lookup finds that context's entry points.
    void Init(glw::GlProcLookup lookup);
    // Bodies first, then textures, lights, shapes, the world and the shape
    // drawer; safe to call more than once and before Init.
    void Destroy();

    bool Built() const { return m_world != nullptr; }
    // The entry points of the scene's context, for whatever draws the scene.
    const glw::GlProcs& Procs() const { return m_glProcs; }
    int BodyCount() const { return m_world ? m_world->getNumCollisionObjects() : 0; }

    // What the scene owns. The frame renderer and the tick read these;
    // nothing outside the scene creates or deletes them.
    std::vector<std::unique_ptr<LightRecord>> m_lights;  // [0] is the one the keys move
    GLUquadric* m_quadric = nullptr;
    GLuint m_lightMarkerList = 0;  // the marker sphere, compiled once
    // Draws the bodies whose shapes have no row of their own; made after the
    // models, deleted after everything else.
    std::unique_ptr<GL_ShapeDrawer> m_shapeDrawer;
    std::unique_ptr<CDynamicsWorld> m_world;

    // Texture names; materials only refer to them.
    GLuint m_diceTexture = 0;
    GLuint m_groundTexture = 0;
    GLuint m_cylinderTexture = 0;
    GLuint m_extraTexture = 0;  // loaded and kept, drawn by nothing
    GLuint m_boxTexture = 0;

    // Shapes and models outlive every body that uses them.
    btCollisionShape* m_groundShape = nullptr;
    btCollisionShape* m_wallShape = nullptr;
    btCollisionShape* m_coneShape = nullptr;
    models::CylinderModel* m_cylinderModel = nullptr;
    models::BoxModel* m_boxModel = nullptr;
    models::SphereModel* m_sphereModel = nullptr;
    models::DiceModel* m_diceModel = nullptr;
    glw::Material m_groundSurface;

private:
    glw::GlProcs m_glProcs;

    void LoadTextures();
    void DeleteTextures();
    void CreateModels();
    void CreateShapes();
    void DeleteShapes();
    std::array<glw::Model*, 4> Meshes();
};
