#pragma once
// Orientation as a user types it: heading about the vertical y axis, pitch
// about x, roll about z, in degrees, applied roll first, then pitch, then
// heading (R = Ry(heading) Rx(pitch) Rz(roll)). A body's own -z is where it
// looks: heading turns it left and right, pitch tips that look up and down,
// roll turns it about that look.

#include <btBulletDynamicsCommon.h>

btMatrix3x3 FromHeadingPitchRoll(const btVector3& degrees);
// Heading and roll in (-180, 180], pitch in [-90, 90]; straight up or down
// the roll is 0 and the heading carries the whole turn.
btVector3 HeadingPitchRollOf(const btMatrix3x3& basis);
