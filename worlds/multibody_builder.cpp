#include "worlds/multibody_builder.h"

#include "common/kinetta_assert.h"

#include <BulletDynamics/Featherstone/btMultiBodyJointLimitConstraint.h>

#include <string>

namespace {

// Text that Bullet's names may point at: printable, bounded, or none.
std::unique_ptr<std::string> NameOrNone(const std::string& raw)
{
    std::string name;
    for (unsigned char c : raw.substr(0, kMaxBodyNameLength))
        name += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    return name.empty() ? nullptr : std::make_unique<std::string>(std::move(name));
}

// Bullet turns about and slides along unit axes.
btVector3 UnitAxis(const btVector3& axis)
{
    return axis.length2() > 0 ? axis.normalized() : btVector3(1, 0, 0);
}

btQuaternion UnitRotation(const btQuaternion& q)
{
    return q.length2() > 0 ? q.normalized() : btQuaternion::getIdentity();
}

std::unique_ptr<btMultiBodyLinkCollider> MakeCollider(btMultiBody& body, int link,
                                                      const DescribedCollider& described,
                                                      const std::vector<btCollisionShape*>& shapes)
{
    auto collider = std::make_unique<btMultiBodyLinkCollider>(&body, link);
    collider->setCollisionShape(shapes[std::size_t(described.shape)]);
    collider->setFriction(described.friction);
    collider->setRollingFriction(described.rollingFriction);
    collider->setRestitution(described.restitution);
    return collider;
}

void SetUpLink(btMultiBody& body, int i, const DescribedLink& l)
{
    // A joint's parent never collides with its child: they meet at the joint.
    const btQuaternion rotation = UnitRotation(l.rotationParentToThis);
    switch (l.joint) {
    case DescribedJointType::Revolute:
        body.setupRevolute(i, l.mass, l.inertia, l.parent, rotation, UnitAxis(l.axis),
                           l.parentComToPivot, l.pivotToThisCom, true);
        body.setJointPos(i, l.positions[0]);
        return;
    case DescribedJointType::Prismatic:
        body.setupPrismatic(i, l.mass, l.inertia, l.parent, rotation, UnitAxis(l.axis),
                            l.parentComToPivot, l.pivotToThisCom, true);
        body.setJointPos(i, l.positions[0]);
        return;
    case DescribedJointType::Spherical: {
        body.setupSpherical(i, l.mass, l.inertia, l.parent, rotation, l.parentComToPivot,
                            l.pivotToThisCom, true);
        const btQuaternion q = UnitRotation(
            btQuaternion(l.positions[0], l.positions[1], l.positions[2], l.positions[3]));
        const btScalar position[4] = {q.x(), q.y(), q.z(), q.w()};
        body.setJointPosMultiDof(i, position);
        return;
    }
    case DescribedJointType::Fixed:
        body.setupFixed(i, l.mass, l.inertia, l.parent, rotation, l.parentComToPivot,
                        l.pivotToThisCom);
        return;
    }
    KINETTA_ASSERT(false, "give every described joint type a way to be set up");
}

}  // namespace

LoadedWorld::MultiBody BuildMultiBody(const DescribedMultiBody& described,
                                      const std::vector<btCollisionShape*>& shapes)
{
    LoadedWorld::MultiBody made;
    const int linkCount = static_cast<int>(described.links.size());
    // Bullet writes a fixed base as mass 0 and reads mass 0 as fixed, so a
    // fixed base gets no mass: it saves and reopens fixed.
    const bool fixed = described.fixedBase || !(described.baseMass > 0);
    // Never asleep: Bullet puts a multibody to sleep once its speed has been
    // low for two seconds, which stops a gently swinging pendulum in mid-air.
    made.body = std::make_unique<btMultiBody>(linkCount, fixed ? 0.0f : described.baseMass,
                                              fixed ? btVector3(0, 0, 0) : described.baseInertia,
                                              fixed, false);
    btMultiBody& body = *made.body;
    body.setBaseWorldTransform(btTransform(UnitRotation(described.baseTransform.rotation),
                                           described.baseTransform.origin));
    made.baseName = NameOrNone(described.name);
    if (made.baseName) body.setBaseName(made.baseName->c_str());

    for (int i = 0; i < linkCount; ++i) {
        const DescribedLink& l = described.links[std::size_t(i)];
        SetUpLink(body, i, l);
        btMultibodyLink& link = body.getLink(i);
        // Bullet keeps these for the file; its own stepping does not use them.
        link.m_jointDamping = l.damping;
        link.m_jointFriction = l.friction;
        link.m_jointLowerLimit = l.lowerLimit;
        link.m_jointUpperLimit = l.upperLimit;
        link.m_jointMaxForce = l.maxForce;
        link.m_jointMaxVelocity = l.maxVelocity;
        made.linkNames.push_back(NameOrNone(l.name));
        if (made.linkNames.back()) link.m_linkName = made.linkNames.back()->c_str();
    }
    // Velocities live in storage that finalizing makes.
    body.finalizeMultiDof();
    body.setBaseVel(described.baseLinearVelocity);
    body.setBaseOmega(described.baseAngularVelocity);
    for (int i = 0; i < linkCount; ++i) {
        const DescribedLink& l = described.links[std::size_t(i)];
        if (l.joint == DescribedJointType::Revolute || l.joint == DescribedJointType::Prismatic)
            body.setJointVel(i, l.velocities[0]);
        else if (l.joint == DescribedJointType::Spherical)
            body.setJointVelMultiDof(i, l.velocities);
    }

    if (described.baseCollider.shape >= 0) {
        made.colliders.push_back(MakeCollider(body, -1, described.baseCollider, shapes));
        body.setBaseCollider(made.colliders.back().get());
    }
    for (int i = 0; i < linkCount; ++i) {
        const DescribedLink& l = described.links[std::size_t(i)];
        if (l.collider.shape >= 0) {
            made.colliders.push_back(MakeCollider(body, i, l.collider, shapes));
            body.getLink(i).m_collider = made.colliders.back().get();
        }
        // Only one-axis joints have a limit Bullet's limit constraint keeps.
        // Equal bounds are Bullet's unset default (0 and 0), not a joint
        // locked in place, which a fixed joint would say.
        const bool oneAxis =
            l.joint == DescribedJointType::Revolute || l.joint == DescribedJointType::Prismatic;
        if (oneAxis && l.lowerLimit < l.upperLimit) {
            made.limits.push_back(std::make_unique<btMultiBodyJointLimitConstraint>(
                &body, i, l.lowerLimit, l.upperLimit));
        }
    }

    made.start = std::make_unique<MultiBodyStart>(CurrentState(body));
    SetMultiBodyStart(body, made.start.get());
    // Puts the colliders where the joints have the links.
    RestoreState(body, *made.start);
    return made;
}
