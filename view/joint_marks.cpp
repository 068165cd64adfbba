#include "view/joint_marks.h"

#include "edit/body_joints.h"

namespace {

constexpr btScalar kCross = 0.15f;  // half a cross's arm, metres
constexpr btScalar kStick = 0.6f;   // the axis's stick each way

}  // namespace

int AddJointMarks(btIDebugDraw& drawer, btDynamicsWorld& world, const btTypedConstraint* selected,
                  const btTypedConstraint* skip)
{
    int marked = 0;
    for (int i = 0; i < world.getNumConstraints(); ++i) {
        const btTypedConstraint& joint = *world.getConstraint(i);
        const std::optional<JointType> type = JointTypeOf(joint);
        if (&joint == skip || !type)
            continue;
        const JointSettings at = ReadJointSettings(joint);
        const btVector3& colour = &joint == selected ? kSelectedJointColour : kJointColour;
        for (int axis = 0; axis < 3; ++axis) {
            btVector3 arm(0, 0, 0);
            arm[axis] = kCross;
            drawer.drawLine(at.pivot - arm, at.pivot + arm, colour);
        }
        // A point joint has no axis.
        if (*type != JointType::Point)
            drawer.drawLine(at.pivot - at.axis * kStick, at.pivot + at.axis * kStick, colour);
        ++marked;
    }
    return marked;
}
