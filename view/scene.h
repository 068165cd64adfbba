#pragma once
// Everything the view steps and draws: the lights, the textures, the shapes
// and body models, and the dynamics world with its bodies. Built in a current
// OpenGL context and torn down in one, in a fixed order. Plain C++ with no
// window, so that tests and benchmarks build it in an off-screen context.

#include "drawer/gl_shape_drawer.h"
#include "glw/gl_procs.h"
#include "glw/model.h"
#include "models/box_model.h"
#include "models/cylinder_model.h"
#include "models/dice_model.h"
#include "models/sphere_model.h"
#include "physics/body_kind.h"
#include "physics/dynamics_world.h"
#include "physics/simulation_control.h"
#include "physics/world_bodies.h"
#include "view/body_drag.h"
#include "view/body_selection.h"
#include "view/body_shelf.h"
#include "view/edit_history.h"
#include "view/gl_objects.h"
#include "view/light_record.h"
#include "view/picking.h"
#include "view/resting_batches.h"
#include "worlds/world_file.h"
#include "worlds/world_file_result.h"

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
    Scene();
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

    // Null, or empty, until Init.
    CDynamicsWorld* World() const;
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

    // The user's edits to this world. Stop, New, opening a world and
    // Destroy clear it before they change the world.
    EditHistory& History() { return m_history; }
    const EditHistory& History() const { return m_history; }
    // The picked body. It ends when its body leaves the world through the
    // scene (Stop, New, Open, Destroy); whoever else takes a body out tells it.
    BodySelection& Selection() { return m_selection; }
    const BodySelection& Selection() const { return m_selection; }

    // The mouse. A press selects the nearest drawn body on the ray, or clears
    // the selection on a miss, and holds the body unless it cannot move:
    // true when a hold began. The hold follows the cursor's rays until it is
    // let go; Stop, New, Open and Destroy let go first, and so does the
    // selection forgetting the held body. A carried body's move (Paused or
    // Stopped) becomes one edit in the history.
    bool PressAt(const PickRay& ray, SimulationState state);
    void DragTo(const PickRay& ray);
    void Release();
    const BodyDrag& Drag() const { return m_drag; }

    // Edits to bodies (view/body_edits.h) take them out of the world and put
    // them back through these; view/body_shelf.h says who owns what. A start
    // body taken out while the world runs comes back at Stop; one taken out
    // while Stopped is gone from the start.
    void TakeOut(btRigidBody& body, SimulationState state);
    void PutBack(btRigidBody& body);
    // Called by an edit that goes while it holds the body out.
    void ReleaseOut(const btRigidBody* body);
    // Adds, at rest, a copy of every body of a world read from elsewhere (the
    // clipboard), moved by `offset`, with the scene's shapes and kinds where
    // the file names them; other shapes stay with the source, which the
    // scene then keeps until the world is emptied. Added while Stopped they
    // are start bodies; added while the world runs, Stop removes them.
    std::vector<btRigidBody*> AddCopies(std::unique_ptr<LoadedWorld> source,
                                        const btVector3& offset, SimulationState state);

    // Stop: every body back where it started, thrown bodies gone.
    void ResetSimulation();
    // Bodies that fell far below the world (physics/fallen_bodies.h) leave
    // the running world as Stop takes thrown ones: a thrown body goes, a
    // start body comes back at Stop. The edit history goes with them, as
    // its edits may name them. Answers how many left.
    int TakeOutFallen();
    // Balls and dice at rest around the tower, for measuring a busy scene.
    int AddRestingBodies(int count);
    // Back to the built-in start scene: whatever the world holds goes, the
    // world's settings are the scene's again and the 241 start bodies come
    // back. The camera and the lights stay as they are.
    void NewWorld();

    // World files. A body whose shape the file names after one of the scene's
    // kinds ("kinetta.can") gets the scene's shape and that kind; any other
    // body keeps the file's shape and draws through the shape drawer. A file
    // that cannot be opened leaves the world exactly as it was.
    WorldFileResult OpenWorld(const std::string& path, const WorldFileOpenOptions& options = {});
    WorldFileResult SaveWorld(const std::string& path);
    // The name a world file gives each shape of the world as it is now.
    ShapeNameLookup ShapeNamer() const;
    // Replaces every body and constraint of the world with the opened ones,
    // which Stop then puts back where the file had them.
    void TakeWorld(std::unique_ptr<LoadedWorld> opened);
    // The scene's own shape for a name a world file gives, or null.
    btCollisionShape* ShapeNamed(std::string_view name) const;
    // The same answers, from a copy that reads nothing of the scene, for a
    // world file opened on another thread; valid while the scene is built.
    SceneShapeLookup ShapeLookup() const;

private:
    // What Init makes. Members go in the reverse of their order here: the
    // quadric and marker first, then the bodies, the textures, the lights,
    // the shapes and models, the world, and the shape drawer last, so that
    // nothing outlives what it uses.
    struct Content {
        std::unique_ptr<GL_ShapeDrawer> shapeDrawer;
        std::unique_ptr<CDynamicsWorld> world;
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
        // Keep the shapes of pasted bodies that are not the scene's own.
        std::vector<std::unique_ptr<LoadedWorld>> pastedSources;
        std::optional<WorldBodies> bodies;
        std::optional<BodyShelf> shelf;  // goes before the bodies it may hold
        OwnedDisplayList lightMarkerList;
        OwnedQuadric quadric;
        // Copies of the meshes, gone first.
        std::unique_ptr<RestingBatches> restingBatches;
    };

    static void LoadTextures(Content& content);
    // Every body and constraint gone, with the hulls of an opened world's
    // shapes, and the world's settings the scene's again.
    static void EmptyWorld(Content& content);
    void CreateModels(Content& content);

    // Outlives the content: the models give their buffers back through it.
    glw::GlProcs m_glProcs;
    std::unique_ptr<Content> m_content;
    // Its edits name the content's bodies: cleared before the content goes.
    EditHistory m_history;
    BodySelection m_selection;
    // Holds a body of the content: let go before the content changes.
    BodyDrag m_drag;
};
