#pragma once
// The user's world: the dynamics world with its bodies, what Stop puts back,
// the selection, the held body, the edit history, and opening and saving.
// No drawing: the shapes of the scene's own kinds belong to whoever draws
// them (some are meshes), and the document only looks them up.

#include "edit/body_drag.h"
#include "edit/body_selection.h"
#include "edit/body_shelf.h"
#include "edit/document_joints.h"
#include "edit/edit_history.h"
#include "edit/world_history.h"
#include "edit/kept_shapes.h"
#include "edit/picking.h"
#include "edit/transform_handles.h"
#include "physics/body_kind.h"
#include "physics/dynamics_world.h"
#include "physics/simulation_control.h"
#include "physics/world_bodies.h"
#include "worlds/world_file.h"
#include "worlds/world_file_result.h"

#include <btBulletDynamicsCommon.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The scene's own shape for each kind of body, owned elsewhere; null for
// Other. They must outlive the document.
struct KindShapes {
    std::array<btCollisionShape*, kBodyKindCount> byKind{};

    btCollisionShape* For(BodyKind kind) const { return byKind[std::size_t(kind)]; }
};

class WorldDocument {
public:
    // A new world holding the 241 start bodies, with the scene's settings.
    explicit WorldDocument(KindShapes shapes);
    // Lets go, forgets the history and the selection, then every body goes.
    ~WorldDocument();
    WorldDocument(const WorldDocument&) = delete;
    WorldDocument& operator=(const WorldDocument&) = delete;

    // Told of each shape an opened or pasted file brought just before it is
    // deleted, for whatever keeps something made from it (the drawer's hulls).
    void OnShapeGone(std::function<void(const btCollisionShape&)> gone)
    {
        m_shapeGone = std::move(gone);
    }

    CDynamicsWorld& World() { return *m_world; }
    const CDynamicsWorld& World() const { return *m_world; }
    const KindShapes& Shapes() const { return m_shapes; }
    int BodyCount() const;
    // Bodies that can move and are awake: 0 once a world has come to rest.
    int AwakeCount() const;

    // The user's edits to this world. Stop, New, opening a world and the
    // document's end clear it before they change the world.
    EditHistory& History() { return m_history; }
    const EditHistory& History() const { return m_history; }
    // What the running world did, step by step (edit/world_history.h).
    // Cleared with the edit history, after it.
    WorldHistory& Timeline() { return m_timeline; }
    const WorldHistory& Timeline() const { return m_timeline; }
    // One fixed step of the world, kept in the history; from a shown
    // earlier moment the world first runs on from it.
    void Step();
    // Shows the world as it was at a kept step (the nearest one): lets go
    // first, and forgets the selection of a body not yet thrown then.
    // False when nothing is kept.
    bool ShowMoment(std::int64_t step);
    // The picked body. It ends when its body leaves the world through the
    // document (Stop, New, Open, the end); whoever else takes a body out tells it.
    BodySelection& Selection() { return m_selection; }
    const BodySelection& Selection() const { return m_selection; }

    // The mouse. A press selects the nearest drawn body on the ray, or clears
    // the selection on a miss, and holds the body unless it cannot move:
    // true when a hold began. The hold follows the cursor's rays until it is
    // let go; Stop, New and Open let go first, and so does the
    // selection forgetting the held body. A carried body's move (Paused or
    // Stopped) becomes one edit in the history.
    // A press on a body already selected keeps the others selected and
    // carries them with it; with Toggle (Ctrl held) a press adds or removes
    // the body it hits and holds nothing.
    enum class PressMode { Replace, Toggle };
    bool PressAt(const PickRay& ray, SimulationState state, PressMode mode = PressMode::Replace);
    // Ctrl+A: every body that can move.
    void SelectAllMovable();
    // The joints a user made or pasted, and the body that stands for the world.
    DocumentJoints& Joints() { return m_joints; }
    void DragTo(const PickRay& ray);
    void Release();
    const BodyDrag& Drag() const { return m_drag; }
    // The move and turn handles (edit/transform_handles.h) of `bodies`, for
    // an eye at `eye`: a press on one begins its drag (true), which Release
    // ends as one edit, as it ends a hold. The view tries this before PressAt.
    bool PressHandleAt(const PickRay& ray, const btVector3& eye,
                       std::vector<btRigidBody*> bodies, SimulationState state);
    void DragHandleTo(const PickRay& ray, bool snap);
    // The bodies the handles move and turn: the selection.
    std::vector<btRigidBody*> HandledBodies() const;
    const HandleDrag& Handles() const { return m_handleDrag; }

    // Edits to bodies (edit/body_edits.h) take them out of the world and put
    // them back through these; edit/body_shelf.h says who owns what. A start
    // body taken out while the world runs comes back at Stop; one taken out
    // while Stopped is gone from the start.
    void TakeOut(btRigidBody& body, SimulationState state);
    void PutBack(btRigidBody& body);
    // Called by an edit that goes while it holds the body out.
    void ReleaseOut(const btRigidBody* body);
    // Adds, at rest, a copy of every body of a world read from elsewhere (the
    // clipboard), moved by `offset`, with the scene's shapes and kinds where
    // the file names them and its shape is the kind's own; other shapes stay
    // with the source, which the document then keeps until the world is
    // emptied. Added while Stopped they are start bodies; added while the
    // world runs, Stop removes them. The source's joints among its bodies,
    // and to the world, join the copies.
    std::vector<btRigidBody*> AddCopies(std::unique_ptr<LoadedWorld> source,
                                        const btVector3& offset, SimulationState state);
    // A shape the document made for a body of its own (an inserted body, a
    // new size), kept as edit/kept_shapes.h says.
    btCollisionShape* KeepShape(std::unique_ptr<btCollisionShape> shape);
    const KeptShapes& Kept() const { return m_keptShapes; }

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
    // world's settings are the scene's again and the 241 start bodies come back.
    void NewWorld();

    // World files. A body whose shape the file names after one of the scene's
    // kinds ("kinetta.can") gets the scene's shape and that kind; any other
    // body keeps the file's shape. A file that cannot be opened leaves the
    // world exactly as it was.
    WorldFileResult OpenWorld(const std::string& path, const WorldFileOpenOptions& options = {});
    WorldFileResult SaveWorld(const std::string& path);
    // The name a world file gives each shape of the world as it is now.
    ShapeNameLookup ShapeNamer() const;
    // Replaces every body and constraint of the world with the opened ones,
    // which Stop then puts back where the file had them.
    void TakeWorld(std::unique_ptr<LoadedWorld> opened);
    // The scene's own shape for a name a world file gives, or null.
    btCollisionShape* ShapeNamed(std::string_view name) const;
    // The same answers, from a copy that reads nothing of the document, for
    // a world file opened on another thread; valid while the shapes live.
    SceneShapeLookup ShapeLookup() const;

private:
    // Every body and constraint gone, with an opened or pasted world's own
    // shapes, and the world's settings the scene's again.
    void EmptyWorld();

    const KindShapes m_shapes;
    std::function<void(const btCollisionShape&)> m_shapeGone;
    // Members go in the reverse of their order here: the hold, the
    // selection and the history first (they name bodies), then the shelf,
    // the bodies, the pasted files' shapes and the world last.
    std::unique_ptr<CDynamicsWorld> m_world;
    // Keep the shapes of pasted bodies that are not the scene's own.
    std::vector<std::unique_ptr<LoadedWorld>> m_pastedSources;
    // Shapes of inserted and resized bodies: they go after those bodies.
    KeptShapes m_keptShapes;
    WorldBodies m_bodies;
    BodyShelf m_shelf;  // goes before the bodies it may hold
    DocumentJoints m_joints;  // emptied before the bodies they join
    EditHistory m_history;
    WorldHistory m_timeline;  // cleared by hand before the world empties
    BodySelection m_selection;
    // Holds a body of the world: let go before the world changes.
    BodyDrag m_drag;
    HandleDrag m_handleDrag;  // the same for a handle's bodies
};
