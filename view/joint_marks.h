#pragma once
// The marks that show where joints are: a small cross at each joint's pivot
// and a stick along its axis, through a debug drawer, the selected joint in
// a colour of its own. Drawn while the world stands (Stopped or Paused) or
// with debug drawing on, so that a user can see what holds what.

#include <LinearMath/btIDebugDraw.h>
#include <btBulletDynamicsCommon.h>

inline const btVector3 kJointColour(0.1f, 0.9f, 0.9f);
inline const btVector3 kSelectedJointColour(1.0f, 0.6f, 0.0f);

// Reports the lines of every joint Kinetta can edit in the world, but not
// `skip` (the mouse's spring); answers how many joints it marked.
int AddJointMarks(btIDebugDraw& drawer, btDynamicsWorld& world, const btTypedConstraint* selected,
                  const btTypedConstraint* skip);
