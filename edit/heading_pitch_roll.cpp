#include "edit/heading_pitch_roll.h"

#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

// Where cos(pitch) is this small the heading and roll turn about one axis.
constexpr double kGimbalLock = 1e-5;

}  // namespace

btMatrix3x3 FromHeadingPitchRoll(const btVector3& degrees)
{
    const btQuaternion heading(btVector3(0, 1, 0), btScalar(degrees.x() * kRadiansPerDegree));
    const btQuaternion pitch(btVector3(1, 0, 0), btScalar(degrees.y() * kRadiansPerDegree));
    const btQuaternion roll(btVector3(0, 0, 1), btScalar(degrees.z() * kRadiansPerDegree));
    return btMatrix3x3(heading * pitch * roll);
}

btVector3 HeadingPitchRollOf(const btMatrix3x3& m)
{
    // R = Ry(h) Rx(p) Rz(r) has row 1 = (cp sr, cp cr, -sp) and column 2 =
    // (sh cp, -sp, ch cp).
    const double sinPitch = std::fmax(-1.0, std::fmin(1.0, -double(m[1][2])));
    const double pitch = std::asin(sinPitch);
    double heading, roll;
    if (std::sqrt(double(m[1][0]) * m[1][0] + double(m[1][1]) * m[1][1]) > kGimbalLock) {
        heading = std::atan2(double(m[0][2]), double(m[2][2]));
        roll = std::atan2(double(m[1][0]), double(m[1][1]));
    } else {
        // With roll 0, column 0 is (ch, 0, -sh).
        heading = std::atan2(-double(m[2][0]), double(m[0][0]));
        roll = 0;
    }
    return btVector3(btScalar(heading / kRadiansPerDegree), btScalar(pitch / kRadiansPerDegree),
                     btScalar(roll / kRadiansPerDegree));
}
