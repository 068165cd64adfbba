#include "edit/world_history.h"

#include "common/kinetta_assert.h"
#include "physics/body_kind.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"

#include <BulletDynamics/Featherstone/btMultiBody.h>

#include <algorithm>
#include <cmath>

namespace {

// A multibody's joints and its links' colliders cost nothing while asleep.
bool Movable(const btCollisionObject& object)
{
    return !object.isStaticOrKinematicObject();
}

WorldHistory::BodyRecord RecordOf(const btCollisionObject& object, std::uint32_t index)
{
    WorldHistory::BodyRecord record{};
    record.index = index;
    record.activationState = object.getActivationState();
    record.deactivationTime = object.getDeactivationTime();
    const btTransform& transform = object.getWorldTransform();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            record.basis[row * 3 + column] = transform.getBasis()[row][column];
        record.origin[row] = transform.getOrigin()[row];
    }
    if (const btRigidBody* body = btRigidBody::upcast(&object)) {
        for (int axis = 0; axis < 3; ++axis) {
            record.linearVelocity[axis] = body->getLinearVelocity()[axis];
            record.angularVelocity[axis] = body->getAngularVelocity()[axis];
        }
    }
    return record;
}

BodyMotion MotionOfRecord(const WorldHistory::BodyRecord& record)
{
    BodyMotion motion;
    const float* b = record.basis;
    motion.transform.setBasis(btMatrix3x3(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8]));
    motion.transform.setOrigin(btVector3(record.origin[0], record.origin[1], record.origin[2]));
    motion.linearVelocity = btVector3(record.linearVelocity[0], record.linearVelocity[1],
                                      record.linearVelocity[2]);
    motion.angularVelocity = btVector3(record.angularVelocity[0], record.angularVelocity[1],
                                       record.angularVelocity[2]);
    motion.activationState = record.activationState;
    motion.deactivationTime = record.deactivationTime;
    return motion;
}

BodyMotion MotionOfKept(const WorldStepState::Object& kept)
{
    return {kept.transform, kept.linearVelocity, kept.angularVelocity, kept.activationState,
            kept.deactivationTime};
}

BodyMotion MotionNow(const btCollisionObject& object)
{
    BodyMotion motion;
    motion.transform = object.getWorldTransform();
    if (const btRigidBody* body = btRigidBody::upcast(&object)) {
        motion.linearVelocity = body->getLinearVelocity();
        motion.angularVelocity = body->getAngularVelocity();
    }
    motion.activationState = object.getActivationState();
    motion.deactivationTime = object.getDeactivationTime();
    return motion;
}

void PutAt(btCollisionObject& object, const BodyMotion& motion)
{
    if (btRigidBody* body = btRigidBody::upcast(&object)) {
        // Not setWorldTransform: the world-frame inertia must follow the turn.
        body->setCenterOfMassTransform(motion.transform);
        body->setLinearVelocity(motion.linearVelocity);
        body->setAngularVelocity(motion.angularVelocity);
        // Drawing reads the motion state.
        if (btMotionState* state = body->getMotionState())
            state->setWorldTransform(motion.transform);
    } else {
        object.setWorldTransform(motion.transform);
    }
    object.setInterpolationWorldTransform(motion.transform);
    object.setInterpolationLinearVelocity(motion.linearVelocity);
    object.setInterpolationAngularVelocity(motion.angularVelocity);
    object.forceActivationState(motion.activationState);
    object.setDeactivationTime(motion.deactivationTime);
}

WorldHistory::Summary SummaryNow(const CDynamicsWorld& world)
{
    WorldHistory::Summary summary;
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        if (!Movable(*objects[i]))
            continue;
        summary.awake += objects[i]->isActive();
        if (const btRigidBody* body = btRigidBody::upcast(objects[i]))
            summary.kineticEnergy += KineticEnergy(*body, MotionNow(*body));
    }
    return summary;
}

}  // namespace

double KineticEnergy(const btRigidBody& body, const BodyMotion& motion)
{
    if (body.getInvMass() == 0)
        return 0;
    const double mass = 1.0 / double(body.getInvMass());
    const btVector3 local = motion.angularVelocity * motion.transform.getBasis();  // into body axes
    const btVector3 inertia = body.getLocalInertia();
    const double v = motion.linearVelocity.length2();
    const double spin = double(inertia.x()) * local.x() * local.x() +
                        double(inertia.y()) * local.y() * local.y() +
                        double(inertia.z()) * local.z() * local.z();
    return 0.5 * mass * v + 0.5 * spin;
}

std::size_t WorldHistory::Moment::Bytes() const
{
    std::size_t bytes = sizeof(Moment) + bodies.capacity() * sizeof(BodyRecord) +
                        constraintsEnabled.capacity() * sizeof(constraintsEnabled[0]);
    for (const auto& [index, joints] : multiBodies)
        bytes += sizeof(index) + sizeof(joints) +
                 (joints.jointPositions.size() + joints.jointVelocities.size()) * sizeof(btScalar);
    if (keyFrame)
        bytes += keyFrame->Bytes();
    return bytes;
}

WorldHistory::WorldHistory(double seconds, std::size_t budgetBytes)
    : m_wantedSeconds(seconds), m_budgetBytes(budgetBytes)
{
    KINETTA_ASSERT(seconds > 0 && budgetBytes > 0, "keep some seconds within some bytes");
}

WorldHistory::~WorldHistory()
{
    KINETTA_ASSERT(m_out.empty() && m_dropped.empty(),
                   "Clear the history with its world before the history goes");
}

double WorldHistory::SecondsOf(std::int64_t step)
{
    return double(step) * double(kFixedTimeStep);
}

std::size_t WorldHistory::KeyFrameAtOrBefore(std::size_t index) const
{
    for (std::size_t i = index + 1; i-- > 0;)
        if (m_moments[i].keyFrame)
            return i;
    KINETTA_ASSERT(false, "the first kept moment always has a key frame");
    return 0;
}

const WorldStepState& WorldHistory::LatestKeyFrame() const
{
    return *m_moments[KeyFrameAtOrBefore(m_moments.size() - 1)].keyFrame;
}

void WorldHistory::TakeKeyFrame(const CDynamicsWorld& world)
{
    Moment& live = Live();
    if (live.keyFrame)
        m_bytes -= live.keyFrame->Bytes();
    live.keyFrame = std::make_shared<const WorldStepState>(CaptureStepState(world));
    m_bytes += live.keyFrame->Bytes();
    m_stepsSinceKeyFrame = 0;
    m_movedSinceKeyFrame = false;
    // What the next step's records are measured against.
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    m_keptLastStep.assign(std::size_t(objects.size()), 0);
    for (int i = 0; i < objects.size(); ++i)
        m_keptLastStep[std::size_t(i)] = Movable(*objects[i]) && objects[i]->isActive();
    m_constraintEnabled.assign(std::size_t(world.getNumConstraints()), 0);
    for (int i = 0; i < world.getNumConstraints(); ++i)
        m_constraintEnabled[std::size_t(i)] = world.getConstraint(i)->isEnabled();
}

bool WorldHistory::OnlyThrownAdded(const CDynamicsWorld& world) const
{
    const WorldStepState& latest = LatestKeyFrame();
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    if (objects.size() < int(latest.objects.size()) ||
        world.getNumMultibodies() != int(latest.multiBodies.size()))
        return false;
    for (std::size_t i = 0; i < latest.objects.size(); ++i)
        if (objects[int(i)] != latest.objects[i].identity)
            return false;
    for (int i = int(latest.objects.size()); i < objects.size(); ++i)
        if (!WasThrown(*objects[i]) || btRigidBody::upcast(objects[i]) == nullptr)
            return false;
    return true;
}

void WorldHistory::StartOver(const CDynamicsWorld& world)
{
    // Time goes on from the present, unless nothing was kept.
    const std::int64_t present = Empty() ? m_firstStep : LastStep();
    m_moments.clear();
    m_moments.emplace_back();
    m_firstStep = present;
    m_shown = present;
    m_bytes = 0;
    m_limitedByMemory = false;
    m_scrubbed = false;
    Live().summary = SummaryNow(world);
    m_bytes += Live().Bytes();
    TakeKeyFrame(world);
}

void WorldHistory::BeforeStep(const CDynamicsWorld& world)
{
    KINETTA_ASSERT(!m_scrubbed, "RunOn from a shown moment before the world steps on");
    if (Empty()) {
        StartOver(world);
        return;
    }
    const WorldStepState& latest = LatestKeyFrame();
    if (world.getNumCollisionObjects() != int(latest.objects.size()) ||
        world.getNumMultibodies() != int(latest.multiBodies.size())) {
        // A throw, a paste or a body gone: what earlier moments name must still be there.
        if (OnlyThrownAdded(world))
            TakeKeyFrame(world);
        else
            StartOver(world);
        return;
    }
    // A drag's spring comes or goes; after half a second of motion; and at
    // least once per kept span, so that the oldest moments can go.
    const bool constraintsChanged = world.getNumConstraints() != int(latest.constraints.size());
    if (constraintsChanged ||
        (m_movedSinceKeyFrame && m_stepsSinceKeyFrame >= kStepsBetweenKeyFrames) ||
        SecondsOf(m_stepsSinceKeyFrame) >= m_wantedSeconds)
        TakeKeyFrame(world);
}

void WorldHistory::AfterStep(const CDynamicsWorld& world)
{
    KINETTA_ASSERT(!Empty(), "call BeforeStep before the world steps");
    Moment moment;
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    if (m_keptLastStep.size() < std::size_t(objects.size()))
        m_keptLastStep.resize(std::size_t(objects.size()), 1);
    // Gathered in a list kept between steps, then copied at their exact size.
    std::vector<BodyRecord>& scratch = m_scratch;
    scratch.clear();
    for (int i = 0; i < objects.size(); ++i) {
        const btCollisionObject& object = *objects[i];
        if (!Movable(object))
            continue;
        const bool awake = object.isActive();
        char& keptLast = m_keptLastStep[std::size_t(i)];
        // The step a body falls asleep is kept too: its velocities went to zero.
        if (!awake && !keptLast)
            continue;
        keptLast = awake;
        scratch.push_back(RecordOf(object, std::uint32_t(i)));
        moment.summary.awake += awake;
        if (const btRigidBody* body = btRigidBody::upcast(&object))
            moment.summary.kineticEnergy += KineticEnergy(*body, MotionNow(object));
    }
    moment.bodies.assign(scratch.begin(), scratch.end());
    for (int i = 0; i < world.getNumMultibodies(); ++i) {
        const btMultiBody& body = *world.getMultiBody(i);
        if (body.isAwake())
            moment.multiBodies.emplace_back(i, CurrentState(body));
    }
    const std::size_t constraints =
        std::min(m_constraintEnabled.size(), std::size_t(world.getNumConstraints()));
    for (std::size_t i = 0; i < constraints; ++i) {
        const bool enabled = world.getConstraint(int(i))->isEnabled();
        if (enabled != bool(m_constraintEnabled[i])) {
            moment.constraintsEnabled.emplace_back(int(i), enabled);
            m_constraintEnabled[i] = enabled;
        }
    }
    m_movedSinceKeyFrame = m_movedSinceKeyFrame || !moment.bodies.empty();
    ++m_stepsSinceKeyFrame;
    m_bytes += moment.Bytes();
    m_moments.push_back(std::move(moment));
    m_shown = LastStep();
    KeepWithinBounds();
}

void WorldHistory::KeepWithinBounds()
{
    for (;;) {
        // The oldest moments go a key frame's stretch at a time: the first
        // kept moment must have one.
        std::size_t next = 1;
        while (next < m_moments.size() && !m_moments[next].keyFrame)
            ++next;
        if (next >= m_moments.size())
            return;
        const bool pastTime =
            SecondsOf(LastStep()) - SecondsOf(m_firstStep + std::int64_t(next)) >= m_wantedSeconds;
        const bool overBudget = m_bytes > m_budgetBytes;
        if (!pastTime && !overBudget)
            return;
        m_limitedByMemory = !pastTime;
        for (std::size_t i = 0; i < next; ++i) {
            m_bytes -= m_moments.front().Bytes();
            m_moments.pop_front();
        }
        m_firstStep += std::int64_t(next);
        m_shown = std::max(m_shown, m_firstStep);
    }
}

void WorldHistory::NoteEdit(CDynamicsWorld& world)
{
    if (Empty())
        return;
    if (m_scrubbed) {
        // The world is the shown moment, bodies and all, but without a
        // contact cache: it becomes the present.
        DropLater();
        m_scrubbed = false;
    }
    if (OnlyThrownAdded(world))
        TakeKeyFrame(world);
    else
        StartOver(world);
}

void WorldHistory::DropLater()
{
    const std::size_t keep = IndexOf(m_shown) + 1;
    while (m_moments.size() > keep) {
        m_bytes -= m_moments.back().Bytes();
        m_moments.pop_back();
    }
    for (const OutBody& out : m_out)
        m_dropped.push_back(out.object);
    m_out.clear();
}

void WorldHistory::TakeOutFrom(CDynamicsWorld& world, std::size_t count,
                               std::vector<btCollisionObject*>* takenOut)
{
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    if (std::size_t(objects.size()) <= count)
        return;
    std::vector<OutBody> leaving;
    for (int i = int(count); i < objects.size(); ++i) {
        const btBroadphaseProxy* proxy = objects[i]->getBroadphaseHandle();
        leaving.push_back({objects[i], proxy->m_collisionFilterGroup, proxy->m_collisionFilterMask});
        if (takenOut != nullptr)
            takenOut->push_back(objects[i]);
    }
    world.RemoveCollisionObjects(
        [count](const btCollisionObject& object) { return object.getWorldArrayIndex() >= int(count); });
    m_out.insert(m_out.begin(), leaving.begin(), leaving.end());
}

void WorldHistory::PutBackUpTo(CDynamicsWorld& world, std::size_t count)
{
    std::size_t back = 0;
    while (std::size_t(world.getNumCollisionObjects()) < count && back < m_out.size()) {
        const OutBody& out = m_out[back++];
        if (btRigidBody* body = btRigidBody::upcast(out.object))
            world.addRigidBody(body, out.group, out.mask);
        else
            world.addCollisionObject(out.object, out.group, out.mask);
    }
    m_out.erase(m_out.begin(), m_out.begin() + std::ptrdiff_t(back));
}

bool WorldHistory::Show(CDynamicsWorld& world, std::int64_t step,
                        std::vector<btCollisionObject*>* takenOut)
{
    if (Empty())
        return false;
    step = std::clamp(step, m_firstStep, LastStep());
    if (step == m_shown)
        return true;
    if (!m_scrubbed) {
        // The present's contacts mean nothing at another moment.
        ForgetContactCache(world);
        m_scrubbed = true;
    }
    const std::size_t index = IndexOf(step);
    const std::size_t keyIndex = KeyFrameAtOrBefore(index);
    const WorldStepState& key = *m_moments[keyIndex].keyFrame;
    const std::size_t count = key.objects.size();
    if (std::size_t(world.getNumCollisionObjects()) > count)
        TakeOutFrom(world, count, takenOut);
    else
        PutBackUpTo(world, count);
    KINETTA_ASSERT(std::size_t(world.getNumCollisionObjects()) == count,
                   "keep the world's bodies as the history left them while it shows a moment");

    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    // Multibodies first: they move their colliders, which the objects' own
    // records then settle exactly.
    for (int i = 0; i < world.getNumMultibodies() && std::size_t(i) < key.multiBodies.size(); ++i) {
        btMultiBody& body = *world.getMultiBody(i);
        RestoreState(body, key.multiBodies[std::size_t(i)].joints);
        if (!key.multiBodies[std::size_t(i)].awake)
            body.goToSleep();
    }
    for (std::size_t i = keyIndex + 1; i <= index; ++i)
        for (const auto& [body, joints] : m_moments[i].multiBodies)
            if (body < world.getNumMultibodies())
                RestoreState(*world.getMultiBody(body), joints);
    for (std::size_t i = 0; i < count; ++i)
        PutAt(*objects[int(i)], MotionOfKept(key.objects[i]));
    const int constraints = world.getNumConstraints();
    for (std::size_t i = 0; i < key.constraints.size() && int(i) < constraints; ++i)
        world.getConstraint(int(i))->setEnabled(key.constraints[i].enabled);
    for (std::size_t m = keyIndex + 1; m <= index; ++m) {
        for (const BodyRecord& record : m_moments[m].bodies)
            PutAt(*objects[int(record.index)], MotionOfRecord(record));
        for (const auto& [constraint, enabled] : m_moments[m].constraintsEnabled)
            if (constraint < constraints)
                world.getConstraint(constraint)->setEnabled(enabled);
    }
    // Picking finds bodies by their boxes in the broadphase.
    world.updateAabbs();
    m_shown = step;
    return true;
}

bool WorldHistory::RunOn(CDynamicsWorld& world, ContactCache cache)
{
    if (!m_scrubbed)
        return true;
    DropLater();
    m_scrubbed = false;
    const std::size_t last = m_moments.size() - 1;
    const std::size_t keyIndex = KeyFrameAtOrBefore(last);
    const WorldStepState& key = *m_moments[keyIndex].keyFrame;
    const bool exact = StateFitsWorld(world, key);
    if (exact) {
        RestoreStepState(world, key, cache);
        for (std::size_t i = keyIndex; i < last; ++i)
            StepWorld(world);
        m_stepsSinceKeyFrame = int(last - keyIndex);
        m_movedSinceKeyFrame = true;
        // Which bodies the last step kept, as the first run left it.
        const btCollisionObjectArray& objects = world.getCollisionObjectArray();
        m_keptLastStep.assign(std::size_t(objects.size()), 0);
        for (int i = 0; i < objects.size(); ++i)
            m_keptLastStep[std::size_t(i)] = Movable(*objects[i]) && objects[i]->isActive();
        m_constraintEnabled.assign(std::size_t(world.getNumConstraints()), 0);
        for (int i = 0; i < world.getNumConstraints(); ++i)
            m_constraintEnabled[std::size_t(i)] = world.getConstraint(i)->isEnabled();
    } else {
        // The bodies stay as shown; from here the world is its own key frame.
        TakeKeyFrame(world);
    }
    return exact;
}

void WorldHistory::Clear(CDynamicsWorld& world)
{
    PutBackUpTo(world, std::size_t(world.getNumCollisionObjects()) + m_out.size());
    for (auto object = m_dropped.rbegin(); object != m_dropped.rend(); ++object)
        DeleteCollisionObject(*object);
    m_dropped.clear();
    m_moments.clear();
    m_firstStep = 0;
    m_shown = 0;
    m_bytes = 0;
    m_limitedByMemory = false;
    m_scrubbed = false;
    m_stepsSinceKeyFrame = 0;
    m_movedSinceKeyFrame = false;
}

std::vector<std::optional<BodyMotion>> WorldHistory::MotionOf(const btCollisionObject& body) const
{
    std::vector<std::optional<BodyMotion>> motions(m_moments.size());
    if (Empty())
        return motions;
    const WorldStepState& latest = LatestKeyFrame();
    const auto found = std::find_if(latest.objects.begin(), latest.objects.end(),
                                    [&body](const auto& kept) { return kept.identity == &body; });
    if (found == latest.objects.end())
        return motions;
    const auto index = std::uint32_t(found - latest.objects.begin());
    std::optional<BodyMotion> now;
    for (std::size_t m = 0; m < m_moments.size(); ++m) {
        const Moment& moment = m_moments[m];
        const auto record = std::lower_bound(
            moment.bodies.begin(), moment.bodies.end(), index,
            [](const BodyRecord& kept, std::uint32_t wanted) { return kept.index < wanted; });
        if (record != moment.bodies.end() && record->index == index)
            now = MotionOfRecord(*record);
        // A key frame is the moment as the next step starts from it.
        if (moment.keyFrame) {
            if (index < moment.keyFrame->objects.size())
                now = MotionOfKept(moment.keyFrame->objects[index]);
            else
                now.reset();
        }
        motions[m] = now;
    }
    return motions;
}

std::vector<WorldHistory::Summary> WorldHistory::Summaries() const
{
    std::vector<Summary> summaries;
    summaries.reserve(m_moments.size());
    for (const Moment& moment : m_moments)
        summaries.push_back(moment.summary);
    return summaries;
}
