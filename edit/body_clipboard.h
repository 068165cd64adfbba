#pragma once
// Bodies through the clipboard, without the clipboard itself (the frame holds
// that): Copy turns a body into the bytes a Save of that body alone would
// write, Paste adds the bodies of such bytes in front of the eye. The bytes
// may come from anywhere, so Paste reads them exactly as File › Open reads a
// file: in the separate reader process, with its limits and checks.

#include "physics/simulation_control.h"
#include "physics/throw_aim.h"
#include "worlds/world_file.h"
#include "worlds/world_file_result.h"

#include <btBulletDynamicsCommon.h>

#include <string>
#include <string_view>
#include <vector>

class WorldDocument;

inline constexpr const char* kBulletMimeType = "application/x-bullet";

struct CopiedBody {
    WorldFileResult result;
    std::string bytes;        // a one-body .bullet file
    std::string description;  // one line for the text beside it
};

CopiedBody CopyBody(const WorldDocument& document, const btRigidBody& body);
// Several bodies as one world, in their places, with the joints among them
// and those that tie one of them to the world.
CopiedBody CopyBodies(const WorldDocument& document, const std::vector<btRigidBody*>& bodies);

// "Die, 2 kg, at (1.00, 0.50, -3.00)".
std::string DescribeBody(const btRigidBody& body);

struct PastedBodies {
    WorldFileResult result;  // on failure the world is as it was
    int count = 0;
};

// Adds the bodies at rest in front of the eye, raised until they are clear
// of every body already there, and pushes the edit that undoes it. Made
// while Stopped they are start bodies; while running, Stop removes them.
PastedBodies PasteBodies(WorldDocument& document, std::string_view bytes, const CameraPose& eye,
                         SimulationState state, const WorldFileOpenOptions& options = {});

// Copies of the bodies, with the joints among them, placed beside them
// (clear of every body there), selected, as one edit named Duplicate.
PastedBodies DuplicateBodies(WorldDocument& document, const std::vector<btRigidBody*>& bodies,
                             SimulationState state, const WorldFileOpenOptions& options = {});

// Where a group of bodies whose bounds are [min, max] goes: centred at
// `target`, then raised a step at a time until its bounds touch no body of
// the world. Returns the offset to move the group by. What only reaches
// `resting` metres up into its bottom (a floor it stands on) is no obstacle.
btVector3 ClearPlacement(const btCollisionWorld& world, const btVector3& min, const btVector3& max,
                         const btVector3& target, float resting = 0);
