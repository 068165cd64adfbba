#include "edit/slow_motion.h"

SimulationSpeed SpeedFromTicksPerStep(int ticks)
{
    for (SimulationSpeed speed : kSimulationSpeeds)
        if (TicksPerStep(speed) == ticks)
            return speed;
    return SimulationSpeed::Full;
}

void SlowMotion::SetSpeed(SimulationSpeed speed)
{
    m_speed = speed;
    // The next running tick steps at once: changing speed never stalls.
    m_tick = TicksPerStep(speed) - 1;
}

bool SlowMotion::StepDue()
{
    m_tick = (m_tick + 1) % TicksPerStep(m_speed);
    return m_tick == 0;
}

void SlowMotion::BeforeStep(const btDynamicsWorld& world)
{
    m_records.clear();
    if (m_speed == SimulationSpeed::Full)
        return;
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject* object = objects[i];
        // Sleeping and static bodies do not move in a step.
        if (object->isStaticOrKinematicObject() || !object->isActive())
            continue;
        const btRigidBody* body = btRigidBody::upcast(object);
        if (body == nullptr || body->getMotionState() == nullptr)
            continue;
        m_records.push_back({object, i, body->getWorldTransform()});
    }
}

void SlowMotion::Interpolate(btDynamicsWorld& world) const
{
    if (m_records.empty())
        return;
    const btScalar share = btScalar(m_tick + 1) / btScalar(TicksPerStep(m_speed));
    btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (const Record& record : m_records) {
        // A record whose body is no longer at its place is skipped.
        if (record.index >= objects.size() || objects[record.index] != record.body)
            continue;
        btRigidBody* body = btRigidBody::upcast(objects[record.index]);
        const btTransform& to = body->getWorldTransform();
        btTransform drawn;
        drawn.setOrigin(record.from.getOrigin().lerp(to.getOrigin(), share));
        drawn.setRotation(record.from.getRotation().slerp(to.getRotation(), share));
        body->getMotionState()->setWorldTransform(drawn);
    }
}

void SlowMotion::Forget(btDynamicsWorld& world)
{
    btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (const Record& record : m_records) {
        if (record.index >= objects.size() || objects[record.index] != record.body)
            continue;
        btRigidBody* body = btRigidBody::upcast(objects[record.index]);
        body->getMotionState()->setWorldTransform(body->getWorldTransform());
    }
    m_records.clear();
}
