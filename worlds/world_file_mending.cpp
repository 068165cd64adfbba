#include "worlds/world_file_mending.h"

#include "worlds/world_file_checks.h"

#include <cmath>

namespace {

class RotationMender {
public:
    void Mend(btQuaternion& q)
    {
        for (int i = 0; i < 4; ++i)
            if (!std::isfinite(q[i]))
                return;
        if (q.x() == 0 && q.y() == 0 && q.z() == 0 && q.w() == 0) {
            q = btQuaternion::getIdentity();
            ++m_zero;
            return;
        }
        // A quaternion made from a float matrix is a few ulps off; the
        // checks' tolerance is what counts as "a few".
        if (std::fabs(q.length() - 1) <= kRotationTolerance)
            q.normalize();
    }
    void Mend(float (&xyzw)[4])
    {
        btQuaternion q(xyzw[0], xyzw[1], xyzw[2], xyzw[3]);
        Mend(q);
        for (int i = 0; i < 4; ++i)
            xyzw[i] = q[i];
    }
    std::string Note() const
    {
        if (m_zero == 0)
            return {};
        return std::to_string(m_zero) + (m_zero == 1 ? " rotation" : " rotations") +
               " of length 0 read as no rotation";
    }

private:
    int m_zero = 0;
};

}  // namespace

std::string MendReadRotations(WorldDescription& description)
{
    RotationMender mender;
    for (DescribedShape& shape : description.shapes)
        for (DescribedCompoundChild& child : shape.children)
            mender.Mend(child.transform.rotation);
    for (DescribedBody& body : description.bodies)
        mender.Mend(body.transform.rotation);
    for (DescribedConstraint& c : description.constraints) {
        mender.Mend(c.frameA.rotation);
        mender.Mend(c.frameB.rotation);
    }
    for (DescribedMultiBody& m : description.multiBodies) {
        mender.Mend(m.baseTransform.rotation);
        for (DescribedLink& link : m.links) {
            mender.Mend(link.rotationParentToThis);
            if (link.joint == DescribedJointType::Spherical)
                mender.Mend(link.positions);
        }
    }
    return mender.Note();
}
