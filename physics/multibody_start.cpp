#include "physics/multibody_start.h"

#include "common/kinetta_assert.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

MultiBodyStart CurrentState(const btMultiBody& body)
{
    MultiBodyStart state;
    state.base = body.getBaseWorldTransform();
    state.baseLinearVelocity = body.getBaseVel();
    state.baseAngularVelocity = body.getBaseOmega();
    for (int i = 0; i < body.getNumLinks(); ++i) {
        const btMultibodyLink& link = body.getLink(i);
        const btScalar* q = body.getJointPosMultiDof(i);
        const btScalar* qdot = body.getJointVelMultiDof(i);
        state.jointPositions.insert(state.jointPositions.end(), q, q + link.m_posVarCount);
        state.jointVelocities.insert(state.jointVelocities.end(), qdot, qdot + link.m_dofCount);
    }
    return state;
}

void RestoreState(btMultiBody& body, const MultiBodyStart& state)
{
    KINETTA_ASSERT(int(state.jointPositions.size()) == body.getNumPosVars() &&
                       int(state.jointVelocities.size()) == body.getNumDofs(),
                   "restore a multibody only from a state recorded for it");
    body.setBaseWorldTransform(state.base);
    body.setInterpolateBaseWorldTransform(state.base);
    body.setBaseVel(state.baseLinearVelocity);
    body.setBaseOmega(state.baseAngularVelocity);
    std::size_t position = 0;
    std::size_t velocity = 0;
    for (int i = 0; i < body.getNumLinks(); ++i) {
        const btMultibodyLink& link = body.getLink(i);
        body.setJointPosMultiDof(i, state.jointPositions.data() + position);
        body.setJointVelMultiDof(i, state.jointVelocities.data() + velocity);
        position += std::size_t(link.m_posVarCount);
        velocity += std::size_t(link.m_dofCount);
    }
    body.clearForcesAndTorques();
    body.clearConstraintForces();
    body.wakeUp();

    // The links' frames follow from the joints; the colliders follow them.
    btAlignedObjectArray<btQuaternion> worldToLocal;
    btAlignedObjectArray<btVector3> localOrigin;
    body.forwardKinematics(worldToLocal, localOrigin);
    body.updateCollisionObjectWorldTransforms(worldToLocal, localOrigin);
    const auto settle = [](btMultiBodyLinkCollider* collider) {
        if (collider == nullptr) return;
        collider->setInterpolationWorldTransform(collider->getWorldTransform());
        collider->setInterpolationLinearVelocity(btVector3(0, 0, 0));
        collider->setInterpolationAngularVelocity(btVector3(0, 0, 0));
        collider->forceActivationState(ACTIVE_TAG);
        collider->setDeactivationTime(0);
    };
    settle(body.getBaseCollider());
    for (int i = 0; i < body.getNumLinks(); ++i) settle(body.getLinkCollider(i));
}
