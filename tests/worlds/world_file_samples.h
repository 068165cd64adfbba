#pragma once
// A plain Bullet world with every shape and constraint type the world file
// supports, shared shapes, velocities, damping and activation states. It is
// compiled in both precisions: the tests use it as it is, and the double
// precision generator saves it so that the tests can open a double file and
// expect the same world.

#include <btBulletDynamicsCommon.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

struct SampleWorld {
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher{&configuration};
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};

    std::vector<btVector3> meshVertices{{-5, 0, -5}, {5, 0, -5}, {5, 0, 5}, {-5, 0, 5}, {0, 2, 0}};
    std::vector<int> meshIndices{0, 1, 2, 0, 2, 3, 0, 1, 4};
    std::unique_ptr<btTriangleIndexVertexArray> mesh;
    std::vector<std::unique_ptr<btCollisionShape>> shapes;
    std::map<const btCollisionShape*, std::string> names;
    std::vector<std::unique_ptr<btDefaultMotionState>> motionStates;
    std::vector<std::unique_ptr<btRigidBody>> bodies;
    std::vector<std::unique_ptr<btTypedConstraint>> constraints;

    SampleWorld()
    {
        world.setGravity(btVector3(0, btScalar(-9.5), btScalar(0.5)));
        btCollisionShape* plane = Shape(std::make_unique<btStaticPlaneShape>(btVector3(0, 1, 0), -1));
        btCollisionShape* box = Shape(std::make_unique<btBoxShape>(btVector3(0.5, 0.25, 1)), "kinetta.die");
        box->setLocalScaling(btVector3(1, 2, 1.5));
        btCollisionShape* sphere = Shape(std::make_unique<btSphereShape>(0.3), "kinetta.ball");
        btCollisionShape* capsule = Shape(std::make_unique<btCapsuleShapeX>(0.2, 0.6));
        btCollisionShape* cylinder =
            Shape(std::make_unique<btCylinderShapeZ>(btVector3(0.3, 0.3, 0.5)), "kinetta.can");
        cylinder->setMargin(btScalar(0.02));
        btCollisionShape* cone = Shape(std::make_unique<btConeShape>(0.4, 1.0), "a cone: named % oddly");
        const btScalar hullPoints[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0.4, 0.4, 0.4};
        btCollisionShape* hull = Shape(std::make_unique<btConvexHullShape>(hullPoints, 5, 3 * sizeof(btScalar)));
        const btVector3 centres[] = {{0, -0.3, 0}, {0, 0.3, 0}};
        const btScalar radii[] = {0.25, 0.15};
        btCollisionShape* spheres = Shape(std::make_unique<btMultiSphereShape>(centres, radii, 2));
        mesh = std::make_unique<btTriangleIndexVertexArray>(
            3, meshIndices.data(), 3 * int(sizeof(int)), int(meshVertices.size()),
            meshVertices[0].m_floats, int(sizeof(btVector3)));
        btCollisionShape* meshShape = Shape(std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true));
        auto compound = std::make_unique<btCompoundShape>();
        compound->addChildShape(btTransform(btQuaternion(0, 0, 0, 1), btVector3(0, 0.5, 0)), cone);
        compound->addChildShape(btTransform(btQuaternion(btVector3(0, 0, 1), 0.5), btVector3(0.7, 0, 0)),
                                sphere);
        btCollisionShape* compoundShape = Shape(std::move(compound));

        // Body index: shape, mass, position.
        Body(plane, 0, {0, 0, 0});
        Body(box, 2, {1, 1, 0});
        Body(sphere, 0.5, {2, 1, 0});
        Body(capsule, 1, {3, 1, 0});
        Body(cylinder, 1.5, {4, 1, 0});
        Body(cone, 1, {5, 1, 0});
        Body(hull, 0.7, {6, 1, 0});
        Body(spheres, 0.8, {7, 1, 0});
        Body(meshShape, 0, {0, -0.5, 0});
        Body(compoundShape, 3, {8, 1, 0});
        Body(sphere, 0.5, {9, 1, 0});  // shares the ball's shape
        bodies[3]->forceActivationState(ISLAND_SLEEPING);
        bodies[5]->forceActivationState(DISABLE_DEACTIVATION);

        const btTransform frameA(btQuaternion(btVector3(1, 0, 0), 0.3), btVector3(0.1, 0.2, 0.3));
        const btTransform frameB(btQuaternion(btVector3(0, 1, 0), -0.2), btVector3(-0.3, 0, 0.1));
        Joint(std::make_unique<btPoint2PointConstraint>(*bodies[2], *bodies[3], btVector3(0.5, 0, 0),
                                                        btVector3(-0.5, 0, 0)));
        auto hinge = std::make_unique<btHingeConstraint>(*bodies[4], *bodies[5], frameA, frameB);
        hinge->setLimit(-0.5, 0.75);
        Joint(std::move(hinge), true);
        auto cone2 = std::make_unique<btConeTwistConstraint>(*bodies[6], *bodies[7], frameA, frameB);
        cone2->setLimit(0.4, 0.3, 0.2);
        Joint(std::move(cone2));
        auto d6 = std::make_unique<btGeneric6DofConstraint>(*bodies[2], *bodies[9], frameA, frameB, true);
        d6->setLinearLowerLimit(btVector3(-1, -2, -3));
        d6->setLinearUpperLimit(btVector3(1, 2, 3));
        d6->setAngularLowerLimit(btVector3(-0.1, -0.2, -0.3));
        d6->setAngularUpperLimit(btVector3(0.1, 0.2, 0.3));
        Joint(std::move(d6));
        auto spring2 = std::make_unique<btGeneric6DofSpring2Constraint>(*bodies[3], *bodies[4], frameA, frameB);
        spring2->setLinearLowerLimit(btVector3(-0.5, 0, 0));
        spring2->setLinearUpperLimit(btVector3(0.5, 0, 0));
        Joint(std::move(spring2));
        auto slider = std::make_unique<btSliderConstraint>(*bodies[5], *bodies[6], frameA, frameB, true);
        slider->setLowerLinLimit(-0.4);
        slider->setUpperLinLimit(0.6);
        slider->setLowerAngLimit(-0.1);
        slider->setUpperAngLimit(0.2);
        Joint(std::move(slider));
        // One body held by the world itself.
        auto pin = std::make_unique<btHingeConstraint>(*bodies[7], frameA);
        pin->setLimit(-1, 1);
        Joint(std::move(pin));
    }

    ~SampleWorld()
    {
        for (auto& c : constraints) world.removeConstraint(c.get());
        for (auto& b : bodies) world.removeRigidBody(b.get());
    }

    btCollisionShape* Shape(std::unique_ptr<btCollisionShape> shape, const std::string& name = {})
    {
        shapes.push_back(std::move(shape));
        if (!name.empty()) names[shapes.back().get()] = name;
        return shapes.back().get();
    }

    void Body(btCollisionShape* shape, btScalar mass, const btVector3& position)
    {
        int i = int(bodies.size());
        btVector3 inertia(0, 0, 0);
        if (mass > 0) shape->calculateLocalInertia(mass, inertia);
        btTransform start(btQuaternion(btVector3(1, 1, 0).normalized(), btScalar(0.1) * i), position);
        motionStates.push_back(std::make_unique<btDefaultMotionState>(start));
        btRigidBody::btRigidBodyConstructionInfo info(mass, motionStates.back().get(), shape, inertia);
        info.m_friction = btScalar(0.3) + btScalar(0.01) * i;
        info.m_rollingFriction = btScalar(0.02) * i;
        info.m_restitution = btScalar(0.05) * i;
        info.m_linearDamping = btScalar(0.01) * i;
        info.m_angularDamping = btScalar(0.02) * i;
        bodies.push_back(std::make_unique<btRigidBody>(info));
        bodies.back()->setCcdMotionThreshold(btScalar(0.01) * i);
        bodies.back()->setCcdSweptSphereRadius(btScalar(0.03) * i);
        world.addRigidBody(bodies.back().get());
        if (mass > 0) {
            bodies.back()->setLinearVelocity(btVector3(btScalar(i), btScalar(-0.5) * i, btScalar(0.25)));
            bodies.back()->setAngularVelocity(btVector3(btScalar(0.1) * i, 0, btScalar(-0.2)));
        }
    }

    void Joint(std::unique_ptr<btTypedConstraint> constraint, bool disableCollisions = false)
    {
        world.addConstraint(constraint.get(), disableCollisions);
        constraints.push_back(std::move(constraint));
    }

    std::string NameOf(const btCollisionShape* shape) const
    {
        auto found = names.find(shape);
        return found == names.end() ? std::string() : found->second;
    }
};
