#pragma once
// A multibody world: a robot on a moving base with one link of each joint
// type Kinetta reads, and a pendulum on a fixed base. Like the sample world
// it is compiled in both precisions, so that the tests can open a double file
// and expect the same multibodies.

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <BulletDynamics/Featherstone/btMultiBodyConstraintSolver.h>
#include <BulletDynamics/Featherstone/btMultiBodyDynamicsWorld.h>
#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>
#include <btBulletDynamicsCommon.h>

#include <memory>
#include <vector>

struct MultiBodySample {
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher{&configuration};
    btDbvtBroadphase broadphase;
    btMultiBodyConstraintSolver solver;
    btMultiBodyDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
    btBoxShape box{btVector3(0.1, 0.2, 0.3)};
    btSphereShape ball{0.25};
    std::unique_ptr<btMultiBody> robot;     // links: revolute, prismatic, spherical, fixed
    std::unique_ptr<btMultiBody> pendulum;  // fixed base, one revolute link
    std::vector<std::unique_ptr<btMultiBodyLinkCollider>> colliders;

    MultiBodySample()
    {
        robot = std::make_unique<btMultiBody>(4, 2, btVector3(0.1, 0.2, 0.3), false, false);
        robot->setBaseName("robot");
        robot->setBasePos(btVector3(1, 2, 3));
        robot->setWorldToBaseRot(btQuaternion(btVector3(0, 0, 1), 0.5));
        const btQuaternion tilt(btVector3(1, 0, 0), 0.2);
        const btVector3 down(0, -1, 0), halfDown(0, -0.5, 0);
        robot->setupRevolute(0, 1.5, btVector3(1, 1.1, 1.2), -1, tilt, btVector3(0, 0, 1), down, halfDown, true);
        robot->setupPrismatic(1, 1.25, btVector3(2, 2, 2), 0, btQuaternion::getIdentity(), btVector3(0, 1, 0),
                              down, halfDown, true);
        robot->setupSpherical(2, 1.0, btVector3(3, 3, 3), 1, tilt.inverse(), down, halfDown, true);
        robot->setupFixed(3, 0.5, btVector3(4, 4, 4), 0, btQuaternion::getIdentity(), btVector3(1, 0, 0),
                          btVector3(0.5, 0, 0));
        btMultibodyLink& arm = robot->getLink(0);
        arm.m_linkName = "arm";
        arm.m_jointDamping = 0.11;
        arm.m_jointFriction = 0.22;
        arm.m_jointLowerLimit = -1;
        arm.m_jointUpperLimit = 1;
        arm.m_jointMaxForce = 5;
        arm.m_jointMaxVelocity = 6;
        robot->finalizeMultiDof();
        robot->setJointPos(0, 0.3);
        robot->setJointPos(1, 0.1);
        const btScalar turn[4] = {0.1, 0.2, 0.3, btSqrt(1 - 0.14)};
        robot->setJointPosMultiDof(2, turn);
        robot->setBaseVel(btVector3(0.5, 0, 0));
        robot->setBaseOmega(btVector3(0, 0.25, 0));
        robot->setJointVel(0, 0.7);
        robot->setJointVel(1, -0.2);
        const btScalar spin[3] = {0.4, 0.5, 0.6};
        robot->setJointVelMultiDof(2, spin);
        world.addMultiBody(robot.get());
        Collide(*robot, -1, &box, 0.33, 0.44);
        for (int i = 0; i < 4; ++i) Collide(*robot, i, i % 2 ? &box : static_cast<btCollisionShape*>(&ball), 0.1 * i, 0);

        // Bullet's files mark a fixed base by mass 0.
        pendulum = std::make_unique<btMultiBody>(1, 0, btVector3(0, 0, 0), true, false);
        pendulum->setBasePos(btVector3(0, 5, 0));
        pendulum->setupRevolute(0, 1, btVector3(0.1, 0.1, 0.1), -1, btQuaternion::getIdentity(),
                                btVector3(1, 0, 0), btVector3(0, 0, 0), btVector3(0, -2, 0));
        pendulum->finalizeMultiDof();
        pendulum->setJointPos(0, 0.4);
        world.addMultiBody(pendulum.get());
        Collide(*pendulum, 0, &ball, 0.5, 0.1);
    }

    ~MultiBodySample()
    {
        for (auto& c : colliders) world.removeCollisionObject(c.get());
        world.removeMultiBody(pendulum.get());
        world.removeMultiBody(robot.get());
    }

    void Collide(btMultiBody& body, int link, btCollisionShape* shape, btScalar friction, btScalar restitution)
    {
        colliders.push_back(std::make_unique<btMultiBodyLinkCollider>(&body, link));
        btMultiBodyLinkCollider& c = *colliders.back();
        c.setCollisionShape(shape);
        c.setFriction(friction);
        c.setRestitution(restitution);
        world.addCollisionObject(&c);
        if (link < 0) {
            body.setBaseCollider(&c);
        } else {
            body.getLink(link).m_collider = &c;
        }
    }

    // Bullet writes a name only when the serializer knows it.
    void Serialize(btDefaultSerializer& serializer)
    {
        for (const char* name : {robot->getBaseName(), robot->getLink(0).m_linkName}) {
            serializer.registerNameForPointer(name, name);
        }
        world.serialize(&serializer);
    }
};
