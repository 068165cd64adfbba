#pragma once
// Where a multibody starts: its base's place and velocities and every
// joint's position and velocity, which Stop puts back. Kept in the
// multibody's user pointer, as a rigid body's start is kept in its motion
// state; whoever owns the multibody keeps the record alive as long as it.

#include <BulletDynamics/Featherstone/btMultiBody.h>

#include <vector>

struct MultiBodyStart {
    btTransform base = btTransform::getIdentity();
    btVector3 baseLinearVelocity{0, 0, 0};
    btVector3 baseAngularVelocity{0, 0, 0};
    // Link by link, each link's position variables (a quaternion, x y z w,
    // for a spherical joint), then each link's degrees of freedom.
    std::vector<btScalar> jointPositions;
    std::vector<btScalar> jointVelocities;
};

inline void SetMultiBodyStart(btMultiBody& body, const MultiBodyStart* start)
{
    body.setUserPointer(const_cast<MultiBodyStart*>(start));
}

// Null for a multibody that remembers no start.
inline const MultiBodyStart* StartOf(const btMultiBody& body)
{
    return static_cast<const MultiBodyStart*>(body.getUserPointer());
}

// The multibody's state as it is now, in the record's layout.
MultiBodyStart CurrentState(const btMultiBody& body);

// Puts the multibody in the recorded state, its forces cleared and awake,
// with every collider of it where the new state puts it.
void RestoreState(btMultiBody& body, const MultiBodyStart& state);
