#pragma once
// The world document paired with its drawing: the lights, the textures, the
// shapes and body models the document's kinds use, and the drawers. Built in
// a current OpenGL context and torn down in one, in a fixed order: the
// document's bodies use the meshes as their shapes, so one owner makes both
// and ends the document first. Plain C++ with no window, so that tests and
// benchmarks build it in an off-screen context.

#include "drawer/gl_shape_drawer.h"
#include "glw/gl_procs.h"
#include "glw/model.h"
#include "models/box_model.h"
#include "models/cylinder_model.h"
#include "models/dice_model.h"
#include "models/sphere_model.h"
#include "edit/world_document.h"
#include "physics/body_kind.h"
#include "view/gl_objects.h"
#include "view/light_record.h"
#include "view/resting_batches.h"

#include <btBulletDynamicsCommon.h>

#include <GL/glu.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SceneTextureNames {
    GLuint dice = 0;
    GLuint ground = 0;
    GLuint cylinder = 0;
    GLuint extra = 0;  // loaded and kept, drawn by nothing
    GLuint box = 0;
};

class Scene {
public:
    Scene() = default;
    // Destroy() must have run, with the context current, before this
    // (checked): without the context, textures and buffers cannot be given back.
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Builds the scene in the current context: OpenGL state and lights,
    // textures, meshes and models, the world and its 241 start bodies. If
    // anything fails part way, what was made is released and the scene
    // stays unbuilt.
    // lookup finds that context's entry points.
    void Init(glw::GlProcLookup lookup);
    // Bodies first, then textures, lights, shapes, the world and the shape
    // drawer; safe to call more than once and before Init.
    void Destroy();

    bool Built() const { return m_content != nullptr; }
    // The entry points of the scene's context, for whatever draws the scene.
    const glw::GlProcs& Procs() const { return m_glProcs; }
    int BodyCount() const;
    // Bodies that can move and are awake: 0 once a world has come to rest.
    int AwakeCount() const;

    // The document's world and selection, for drawing; null, or empty, until Init.
    CDynamicsWorld* World() const;
    const BodySelection& Selection() const;
    const std::vector<std::unique_ptr<LightRecord>>& Lights() const;
    LightRecord* MovableLight() const;  // the first light, which the keys move
    GLUquadric* Quadric() const;
    GLuint LightMarkerList() const;  // the marker sphere, compiled once; may be 0
    // The batches of resting bodies that drawing keeps in step; null until Init.
    RestingBatches* Batches() const;
    GL_ShapeDrawer* ShapeDrawer() const;
    SceneTextureNames Textures() const;
    const glw::Material* GroundSurface() const;

    // The scene's own shape for each kind of body (null for Other).
    btCollisionShape* ShapeFor(BodyKind kind) const;
    btCollisionShape* ConeShape() const;
    models::CylinderModel* CanModel() const;
    models::BoxModel* DominoModel() const;
    models::SphereModel* BallModel() const;
    models::DiceModel* DieModel() const;

    // The user's world; null until Init.
    WorldDocument* Document() const;

    // Balls and dice at rest around the tower, for measuring a busy scene.
    int AddRestingBodies(int count);

private:
    // What Init makes. Members go in the reverse of their order here: the
    // quadric and marker first, then the bodies, the textures, the lights,
    // the shapes and models, the world, and the shape drawer last, so that
    // nothing outlives what it uses.
    struct Content {
        std::unique_ptr<GL_ShapeDrawer> shapeDrawer;
        // Shapes and models, deleted ground first and dice last.
        OwnedModel<models::DiceModel> dieModel;
        OwnedModel<models::BoxModel> dominoModel;
        OwnedModel<models::SphereModel> ballModel;
        std::unique_ptr<btConeShape> coneShape;
        OwnedModel<models::CylinderModel> canModel;
        std::unique_ptr<btBoxShape> wallShape;
        std::unique_ptr<btBoxShape> groundShape;
        std::vector<std::unique_ptr<LightRecord>> lights;
        // Deleted ground, cylinder, dice, extra, box.
        OwnedTexture boxTexture;
        OwnedTexture extraTexture;
        OwnedTexture diceTexture;
        OwnedTexture cylinderTexture;
        OwnedTexture groundTexture;
        glw::Material groundSurface;  // names the ground texture, owns nothing
        // Its bodies use the shapes and models above: it goes before them.
        std::optional<WorldDocument> document;
        OwnedDisplayList lightMarkerList;
        OwnedQuadric quadric;
        // Copies of the meshes, gone first.
        std::unique_ptr<RestingBatches> restingBatches;
    };

    static void LoadTextures(Content& content);
    void CreateModels(Content& content);

    // Outlives the content: the models give their buffers back through it.
    glw::GlProcs m_glProcs;
    std::unique_ptr<Content> m_content;
};
