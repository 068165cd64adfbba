#pragma once
// The edits a user makes to bodies, as undoable Edits (view/edit_history.h).
// An edit made while Stopped changes the world's start too: Stop and Start
// then begin from it. One made while Running or Paused changes only the
// running world, and Stop goes back to the start as it was.

#include "physics/simulation_control.h"
#include "edit/edit_history.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <string_view>
#include <vector>

class WorldDocument;

// What a body placed by hand does with the motion it had.
enum class PlacedMotion { Stop, Keep };

// Puts the body at the transform, awake, and at rest unless its motion is
// kept; when moveStart, Stop brings it back there too.
void PlaceBody(btCollisionWorld& world, btRigidBody& body, const btTransform& where,
               bool moveStart, PlacedMotion motion = PlacedMotion::Stop);

// A body moved from one place to another (a drag that has ended): the move
// has been made already; Undo puts it back, Redo moves it again. Its motion
// is the world's, not the move's: neither touches its velocities.
std::unique_ptr<Edit> MakeMoveEdit(btCollisionWorld& world, btRigidBody& body,
                                   const btTransform& before, const btTransform& after,
                                   SimulationState state);

// Several bodies moved together (a carried selection), as one edit.
struct BodyMove {
    btRigidBody* body;
    btTransform before;
    btTransform after;
};
std::unique_ptr<Edit> MakeMoveEdit(btCollisionWorld& world, std::vector<BodyMove> moves,
                                   SimulationState state);

// Bodies that have just been added (a paste): Undo takes them out, Redo puts
// them back. Made while Stopped, they are part of the start either way.
std::unique_ptr<Edit> MakeAddEdit(WorldDocument& document, std::vector<btRigidBody*> added,
                                  SimulationState state, std::string_view name = "Paste");

// Takes the body out of the world now (a delete or a cut) and returns the
// edit that puts it back on Undo and takes it out again on Redo. A body
// leaves with the joints that hold it, and comes back with them.
std::unique_ptr<Edit> RemoveBody(WorldDocument& document, btRigidBody& body, SimulationState state,
                                 std::string_view name = "Delete");
// The same for several bodies at once, as one edit.
std::unique_ptr<Edit> RemoveBodies(WorldDocument& document, std::vector<btRigidBody*> bodies,
                                   SimulationState state, std::string_view name = "Delete");
