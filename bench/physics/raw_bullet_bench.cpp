// The scenes of step_world_bench.cpp built directly on Bullet, without any of
// the project's code, so that StepWorld's overhead can be read off.

#include "body_counters.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <memory>

namespace {

class RawScene {
public:
    RawScene()
        : m_configuration(MakeConstructionInfo()),
          m_dispatcher(&m_configuration),
          m_world(&m_dispatcher, &m_broadphase, &m_solver, &m_configuration),
          m_ground(btVector3(20, 1, 20)),
          m_cylinder(btVector3(0.5f, 0.799f, 0.5f)),
          m_sphere(0.45f),
          m_dice(btVector3(0.5f, 0.5f, 0.5f))
    {
        m_dispatcher.registerCollisionCreateFunc(
            BOX_SHAPE_PROXYTYPE, BOX_SHAPE_PROXYTYPE,
            m_configuration.getCollisionAlgorithmCreateFunc(CONVEX_SHAPE_PROXYTYPE,
                                                            CONVEX_SHAPE_PROXYTYPE));
        m_world.getSolverInfo().m_splitImpulse = 1;
        m_world.getSolverInfo().m_numIterations = 10;
        m_world.getDispatchInfo().m_useContinuous = true;
        m_world.setGravity(btVector3(0, -10, 0));

        Add(&m_ground, 0.0f, btVector3(0, -1, 0));
        const float toRadians = 0.017453292f;
        for (int a = 0; a < 360; a += 10) {
            for (int j = 0; j < 3; ++j) {
                const float angleA = float(a) * toRadians;
                const float angleB = float(a + 5) * toRadians;
                Add(&m_cylinder, 2.0f,
                    btVector3(6 * std::cos(angleA), 0.799f + 3.196f * j, 6 * std::sin(angleA)));
                Add(&m_cylinder, 2.0f,
                    btVector3(6 * std::cos(angleB), 2.397f + 3.196f * j, 6 * std::sin(angleB)));
            }
        }
        for (int k = 0; k < 6; ++k) {
            const float y = 0.799f + 1.598f * k;
            Add(&m_cylinder, 2.0f, btVector3(-10, y, -10));
            Add(&m_cylinder, 2.0f, btVector3(10, y, -10));
            Add(&m_cylinder, 2.0f, btVector3(-10, y, 10));
            Add(&m_cylinder, 2.0f, btVector3(10, y, 10));
        }
    }

    ~RawScene()
    {
        for (int i = m_world.getNumCollisionObjects() - 1; i >= 0; --i) {
            btCollisionObject* object = m_world.getCollisionObjectArray()[i];
            if (btRigidBody* body = btRigidBody::upcast(object)) {
                delete body->getMotionState();
            }
            m_world.removeCollisionObject(object);
            delete object;
        }
    }

    void AddThrownBodies(int count)
    {
        for (int i = 0; i < count; ++i) {
            const btVector3 position(-6.75f + 1.5f * float(i % 10), 12.0f + 1.5f * float(i / 100),
                                     -6.75f + 1.5f * float((i / 10) % 10));
            if (i % 2 == 0) {
                Add(&m_sphere, 0.75f, position);
            } else {
                Add(&m_dice, 2.0f, position);
            }
        }
    }

    const btDiscreteDynamicsWorld& World() const { return m_world; }

    void Step() { m_world.stepSimulation(1.0f / 60, 0); }
    void Step(int count)
    {
        for (int i = 0; i < count; ++i) {
            Step();
        }
    }

private:
    static btDefaultCollisionConstructionInfo MakeConstructionInfo()
    {
        btDefaultCollisionConstructionInfo info;
        info.m_defaultMaxPersistentManifoldPoolSize = 4096;
        info.m_defaultMaxCollisionAlgorithmPoolSize = 4096;
        return info;
    }

    void Add(btCollisionShape* shape, float mass, const btVector3& position)
    {
        btVector3 inertia(0, 0, 0);
        if (mass != 0) {
            shape->calculateLocalInertia(mass, inertia);
        }
        auto* motionState =
            new btDefaultMotionState(btTransform(btQuaternion::getIdentity(), position));
        auto* body = new btRigidBody(
            btRigidBody::btRigidBodyConstructionInfo(mass, motionState, shape, inertia));
        body->setContactProcessingThreshold(BT_LARGE_FLOAT);
        body->setCcdMotionThreshold(0.5f);
        body->setCcdSweptSphereRadius(0);
        m_world.addRigidBody(body);
    }

    btDefaultCollisionConfiguration m_configuration;
    btCollisionDispatcher m_dispatcher;
    btDbvtBroadphase m_broadphase;
    btSequentialImpulseConstraintSolver m_solver;
    btDiscreteDynamicsWorld m_world;
    btBoxShape m_ground;
    btCylinderShape m_cylinder;
    btSphereShape m_sphere;
    btBoxShape m_dice;
};

void RawBullet_Awake(benchmark::State& state)
{
    auto scene = std::make_unique<RawScene>();
    for (auto _ : state) {
        scene->Step();
    }
    CountBodies(state, scene->World());
}
BENCHMARK(RawBullet_Awake)
    ->Iterations(60)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void RawBullet_Settled(benchmark::State& state)
{
    auto scene = std::make_unique<RawScene>();
    scene->Step(300);
    for (auto _ : state) {
        scene->Step();
    }
    CountBodies(state, scene->World());
}
BENCHMARK(RawBullet_Settled)
    ->Iterations(300)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void RawBullet_With500Thrown(benchmark::State& state)
{
    auto scene = std::make_unique<RawScene>();
    scene->AddThrownBodies(500);
    scene->Step(120);
    for (auto _ : state) {
        scene->Step();
    }
    CountBodies(state, scene->World());
}
BENCHMARK(RawBullet_With500Thrown)
    ->Iterations(120)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
