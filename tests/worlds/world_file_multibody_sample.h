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

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
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

// A two-legged robot on wheels, written as one exporter of Bullet's own
// examples wrote its robot: a moving base whose rotation is stored as
// (0, 0, 0, 0), fifteen links (legs and feet fixed, wheels and the head
// turning, a sliding gripper pole with two turning fingers), and each link's
// collider stored as a plain collision object named after its link, not as a
// link collider. It stands on a static ground box whose top is at y = 0.
struct StandingRobotSample {
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher{&configuration};
    btDbvtBroadphase broadphase;
    btMultiBodyConstraintSolver solver;
    btMultiBodyDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};
    btBoxShape groundShape{btVector3(10, 0.5, 10)};
    btBoxShape body{btVector3(0.2, 0.3, 0.2)};
    btBoxShape leg{btVector3(0.05, 0.4, 0.1)};
    btBoxShape foot{btVector3(0.06, 0.05, 0.3)};
    btSphereShape wheel{0.1};
    btBoxShape pole{btVector3(0.02, 0.02, 0.1)};
    btBoxShape finger{btVector3(0.01, 0.03, 0.05)};
    btSphereShape head{0.15};
    btBoxShape eye{btVector3(0.04, 0.04, 0.04)};
    std::unique_ptr<btRigidBody> ground;
    std::unique_ptr<btMultiBody> robot;
    std::vector<std::string> names;
    std::vector<std::unique_ptr<btCollisionObject>> colliders;  // the base's, then each link's

    static constexpr int kLinks = 15;

    StandingRobotSample()
    {
        ground = std::make_unique<btRigidBody>(0, nullptr, &groundShape);
        ground->setWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(0, -0.5, 0)));
        world.addRigidBody(ground.get());

        names = {"base_link",        "right_leg",    "right_base",   "right_front_wheel",
                 "right_back_wheel", "left_leg",     "left_base",    "left_front_wheel",
                 "left_back_wheel",  "gripper_pole", "left_gripper", "left_tip",
                 "right_gripper",    "right_tip",    "head",         "box"};
        robot = std::make_unique<btMultiBody>(kLinks, 10, Inertia(body, 10), false, false);
        robot->setBaseName(names[0].c_str());
        robot->setBasePos(btVector3(0, 1.0, 0));
        const btQuaternion none = btQuaternion::getIdentity();
        const btVector3 across(1, 0, 0), up(0, 1, 0), forward(0, 0, 1);
        int link = 0;
        for (const btScalar side : {btScalar(0.25), btScalar(-0.25)}) {
            const int legLink = link;
            Fixed(link++, leg, 1, -1, btVector3(side, 0.1, 0), btVector3(0, -0.35, 0));
            const int footLink = link;
            Fixed(link++, foot, 0.5, legLink, btVector3(0, -0.4, 0), btVector3(0, -0.05, 0));
            for (const btScalar end : {btScalar(0.2), btScalar(-0.2)})
                Turning(link++, wheel, 0.5, footLink, across, btVector3(0, -0.05, end),
                        btVector3(0, 0, 0));
        }
        const int poleLink = link;
        robot->setupPrismatic(link++, 0.2, Inertia(pole, 0.2), -1, none, forward,
                              btVector3(0, 0.1, 0.2), btVector3(0, 0, 0.1), true);
        for (const btScalar side : {btScalar(0.03), btScalar(-0.03)}) {
            const int fingerLink = link;
            Turning(link++, finger, 0.05, poleLink, up, btVector3(side, 0, 0.1),
                    btVector3(0, 0, 0.05));
            Fixed(link++, finger, 0.02, fingerLink, btVector3(0, 0, 0.05), btVector3(0, 0, 0.05));
        }
        const int headLink = link;
        Turning(link++, head, 1, -1, up, btVector3(0, 0.3, 0), btVector3(0, 0.15, 0));
        Fixed(link++, eye, 0.1, headLink, btVector3(0, 0.05, 0.15), btVector3(0, 0, 0.04));
        for (int i = 0; i < kLinks; ++i)
            robot->getLink(i).m_linkName = names[size_t(i + 1)].c_str();
        robot->finalizeMultiDof();
        world.addMultiBody(robot.get());

        // Plain objects where the links' colliders would be, at the links' places.
        btAlignedObjectArray<btQuaternion> turns;
        btAlignedObjectArray<btVector3> places;
        robot->forwardKinematics(turns, places);
        btCollisionShape* shapes[kLinks + 1] = {&body,   &leg,    &foot,  &wheel, &wheel,  &leg,
                                                &foot,   &wheel,  &wheel, &pole,  &finger, &finger,
                                                &finger, &finger, &head,  &eye};
        for (int part = -1; part < kLinks; ++part) {
            auto object = std::make_unique<btCollisionObject>();
            object->setCollisionShape(shapes[part + 1]);
            object->setFriction(0.8);
            object->setWorldTransform(part < 0 ? robot->getBaseWorldTransform()
                                               : robot->getLink(part).m_cachedWorldTransform);
            world.addCollisionObject(object.get());
            colliders.push_back(std::move(object));
        }
    }

    ~StandingRobotSample()
    {
        for (auto& c : colliders)
            world.removeCollisionObject(c.get());
        world.removeMultiBody(robot.get());
        world.removeRigidBody(ground.get());
    }

    static btVector3 Inertia(const btCollisionShape& shape, btScalar mass)
    {
        btVector3 inertia;
        shape.calculateLocalInertia(mass, inertia);
        return inertia;
    }

    void Fixed(int link, const btCollisionShape& shape, btScalar mass, int parent,
               const btVector3& toJoint, const btVector3& fromJoint)
    {
        robot->setupFixed(link, mass, Inertia(shape, mass), parent, btQuaternion::getIdentity(),
                          toJoint, fromJoint);
    }

    void Turning(int link, const btCollisionShape& shape, btScalar mass, int parent,
                 const btVector3& axis, const btVector3& toJoint, const btVector3& fromJoint)
    {
        robot->setupRevolute(link, mass, Inertia(shape, mass), parent, btQuaternion::getIdentity(),
                             axis, toJoint, fromJoint, true);
    }

    // The file's bytes, the base's rotation stored as given.
    std::vector<char> Bytes(const float (&storedRotation)[4] = {0, 0, 0, 0})
    {
        btDefaultSerializer serializer;
        serializer.registerNameForPointer(robot->getBaseName(), robot->getBaseName());
        for (int i = 0; i < kLinks; ++i)
            serializer.registerNameForPointer(robot->getLink(i).m_linkName,
                                              robot->getLink(i).m_linkName);
        for (size_t i = 0; i < colliders.size(); ++i)
            serializer.registerNameForPointer(colliders[i].get(), names[i].c_str());
        world.serialize(&serializer);
        const auto* start = reinterpret_cast<const char*>(serializer.getBufferPointer());
        std::vector<char> bytes(start, start + serializer.getCurrentBufferSize());
        // After the file's header, chunks of a head (btChunk) and a record.
        for (size_t at = 12; at + sizeof(btChunk) <= bytes.size();) {
            btChunk head;
            std::memcpy(&head, &bytes[at], sizeof head);
            if (head.m_chunkCode == BT_MULTIBODY_CODE) {
                const size_t rotation =
                    at + sizeof head + offsetof(btMultiBodyData, m_baseWorldOrientation);
                std::memcpy(&bytes[rotation], storedRotation, sizeof storedRotation);
            }
            at += sizeof head + size_t(head.m_length);
        }
        return bytes;
    }
};
