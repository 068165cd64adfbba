#pragma once
// What the world holds, as the Tree pane lists it: the bodies grouped by
// kind with their counts, each named by kind and number ("Can 37") unless its
// file named it, and marked when asleep, and the constraints as a group of
// their own. A plain snapshot, taken a few times a second rather than kept in
// step per body.

#include "physics/body_kind.h"

#include <btBulletDynamicsCommon.h>

#include <array>
#include <string>
#include <vector>

struct WorldTreeBody {
    const btCollisionObject* body = nullptr;
    std::string name;  // "Can 37": the kind and its number among its kind
    bool asleep = false;
};

struct WorldTreeGroup {
    BodyKind kind = BodyKind::Other;
    std::string title;  // "Cans"
    std::vector<WorldTreeBody> bodies;
};

struct WorldTree {
    // Ground, Walls, Cans, Dominoes, Dice, Balls, Other: always all seven.
    std::array<WorldTreeGroup, kBodyKindCount> groups;
    std::vector<std::string> constraints;  // "Hinge 2: Can 3 – Can 4"
    std::vector<const btTypedConstraint*> constraintObjects;  // beside their names
    int bodyCount = 0;
    int awakeCount = 0;  // dynamic bodies not asleep
};

// The group title of a kind ("Dice"); a body is named by BodyNounOf ("Die").
const char* GroupTitleOf(BodyKind kind);

// Reuses the snapshot's storage: at thousands of bodies, taking it a few
// times a second must stay cheap.
void TakeWorldTree(const btDynamicsWorld& world, WorldTree& tree);

// The tree's name of one body of the world ("Can 37"), or empty when the
// world does not hold it.
std::string BodyNameIn(const btDynamicsWorld& world, const btCollisionObject* body);
