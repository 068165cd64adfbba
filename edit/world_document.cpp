// The world half of the scene: its bodies, edits and files.
#include "edit/world_document.h"

#include "common/kinetta_assert.h"
#include "edit/body_edits.h"
#include "physics/constraint_copy.h"
#include "physics/body_thrower.h"
#include "physics/fallen_bodies.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

std::unique_ptr<CDynamicsWorld> MakeWorld()
{
    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    ApplyWorldSettings(*world);
    return world;
}

// A shape under a kind's name but with its own dimensions is no kind.
BodyKind KindOfNamedShape(const KindShapes& shapes, std::string_view name,
                          const btCollisionShape* shape)
{
    const BodyKind kind = KindFromShapeName(name);
    return shapes.For(kind) == shape ? kind : BodyKind::Other;
}

}  // namespace

WorldDocument::WorldDocument(KindShapes shapes)
    : m_shapes(shapes), m_world(MakeWorld()), m_bodies(*m_world), m_shelf(*m_world)
{
    KINETTA_ASSERT(m_shapes.For(BodyKind::Ground) && m_shapes.For(BodyKind::Can),
                   "give the document the scene's ground and can shapes");
    m_history.OnWorldEdited([this] { m_timeline.NoteEdit(*m_world); });
    m_selection.OnForget([this](const btCollisionObject& object) {
        if (m_drag.Body() == &object)
            Release();
        m_drag.Forget(&object);
    });
    m_shelf.OnJointGone([this](btTypedConstraint& joint) {
        m_selection.ForgetJoint(&joint);
        m_joints.Gone(&joint);
    });
    AddStartBodies(*m_world, m_shapes.For(BodyKind::Ground), m_shapes.For(BodyKind::Can));
}

WorldDocument::~WorldDocument()
{
    // The hold's spring is in the world and its edits name bodies: both go
    // before the bodies do. No move edit is pushed on the way out.
    if (m_drag.Active())
        m_drag.End();
    m_handleDrag.Drop();
    m_history.Clear();
    m_timeline.Clear(*m_world);
    m_selection.Clear();
    EmptyWorld();
}

int WorldDocument::BodyCount() const
{
    return m_world->getNumCollisionObjects();
}

int WorldDocument::AwakeCount() const
{
    int awake = 0;
    const btCollisionObjectArray& objects = m_world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i)
        awake += !objects[i]->isStaticOrKinematicObject() && objects[i]->isActive();
    return awake;
}

void WorldDocument::ResetSimulation()
{
    Release();
    m_history.Clear();
    m_timeline.Clear(*m_world);
    // Stop deletes thrown bodies: selected ones must be let go first.
    const std::vector<btRigidBody*> selected = m_selection.Bodies();
    for (const btRigidBody* body : selected)
        if (WasThrown(*body))
            m_selection.Forget(body);
    m_shelf.PutBackForStop();
    // After the shelf: a joint made while running may come back with a body.
    m_joints.ResetForStop(*m_world);
    if (m_selection.Joint() != nullptr && !WorldHolds(*m_world, m_selection.Joint()))
        m_selection.SelectJoint(nullptr);
    ::ResetSimulation(*m_world);
    m_bodies.RestoreConstraints();
    // The history is empty and the shelf too: only the world's bodies can
    // still use a kept shape.
    std::unordered_set<const btCollisionShape*> inUse;
    const btCollisionObjectArray& objects = m_world->getCollisionObjectArray();
    for (int i = 0; i < objects.size() && m_keptShapes.Count() > 0; ++i)
        inUse.insert(objects[i]->getCollisionShape());
    m_keptShapes.DropAllBut(inUse, m_shapeGone);
}

btCollisionShape* WorldDocument::KeepShape(std::unique_ptr<btCollisionShape> shape)
{
    return m_keptShapes.Keep(std::move(shape));
}

int WorldDocument::TakeOutFallen()
{
    const std::vector<btRigidBody*> fallen = FallenBodies(*m_world);
    if (fallen.empty())
        return 0;
    m_history.Clear();
    for (btRigidBody* body : fallen) {
        const bool thrown = WasThrown(*body);
        TakeOut(*body, SimulationState::Running);
        if (thrown)
            ReleaseOut(body);
    }
    // Earlier moments name the bodies gone: the history starts here.
    m_timeline.NoteEdit(*m_world);
    return static_cast<int>(fallen.size());
}

bool WorldDocument::PressAt(const PickRay& ray, SimulationState state, PressMode mode)
{
    Release();
    const std::optional<PickHit> hit = PickBody(*m_world, ray);
    const auto clicked = [&hit]() -> std::optional<btVector3> {
        return hit->body->getCenterOfMassTransform().inverse() * hit->point;
    };
    if (mode == PressMode::Toggle) {
        if (hit)
            m_selection.Toggle(hit->body, clicked());
        return false;
    }
    m_selection.SelectJoint(nullptr);
    if (hit && m_selection.Contains(hit->body))
        m_selection.MakePrimary(hit->body, clicked());
    else if (hit)
        m_selection.Select(hit->body, clicked());
    else
        m_selection.Clear();
    if (!hit || !m_drag.Begin(*m_world, *hit, state))
        return false;
    m_drag.CarryAlong(m_selection.Bodies());
    return true;
}

void WorldDocument::SelectAllMovable()
{
    std::vector<btRigidBody*> movable;
    const btCollisionObjectArray& objects = m_world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i)
        if (btRigidBody* body = btRigidBody::upcast(objects[i]); body && !body->isStaticOrKinematicObject())
            movable.push_back(body);
    m_selection.SelectAll(movable);
}

void WorldDocument::DragTo(const PickRay& ray)
{
    m_drag.MoveTo(ray);
}

bool WorldDocument::PressHandleAt(const PickRay& ray, const btVector3& eye,
                                  std::vector<btRigidBody*> bodies, SimulationState state)
{
    Release();
    const std::optional<HandleFrame> frame = HandlesFor(bodies, eye);
    if (!frame)
        return false;
    const std::optional<HandlePart> part = PickHandle(*frame, ray);
    return part && m_handleDrag.Begin(*m_world, std::move(bodies), *frame, *part, ray, state);
}

std::vector<btRigidBody*> WorldDocument::HandledBodies() const
{
    return m_selection.Bodies();
}

void WorldDocument::DragHandleTo(const PickRay& ray, bool snap)
{
    m_handleDrag.MoveTo(ray, snap);
}

void WorldDocument::Release()
{
    if (std::unique_ptr<Edit> placed = m_handleDrag.End())
        m_history.Push(std::move(placed));
    if (!m_drag.Active())
        return;
    btRigidBody& body = *m_drag.Body();
    const bool carried = m_drag.Carries();
    std::vector<BodyMove> moves{{&body, m_drag.TransformAtBegin(), m_drag.TransformAtBegin()}};
    for (const BodyDrag::Follower& follower : m_drag.Followers())
        moves.push_back({follower.body, follower.begin, follower.begin});
    const SimulationState state = m_drag.State();
    m_drag.End();
    for (BodyMove& move : moves)
        move.after = move.body->getCenterOfMassTransform();
    // A press that did not move the body is no edit.
    if (carried && !(moves.front().after == moves.front().before))
        m_history.Push(MakeMoveEdit(*m_world, std::move(moves), state));
}

void WorldDocument::Step()
{
    m_timeline.RunOn(*m_world);
    m_timeline.BeforeStep(*m_world);
    StepWorld(*m_world);
    m_timeline.AfterStep(*m_world);
}

bool WorldDocument::ShowMoment(std::int64_t step)
{
    Release();
    std::vector<btCollisionObject*> takenOut;
    const bool shown = m_timeline.Show(*m_world, step, &takenOut);
    for (const btCollisionObject* object : takenOut)
        m_selection.Forget(object);
    return shown;
}

int WorldDocument::AddRestingBodies(int count)
{
    return AddRestingThrownBodies(*m_world, m_shapes.For(BodyKind::Ball),
                                  m_shapes.For(BodyKind::Die), count);
}

void WorldDocument::EmptyWorld()
{
    // Whoever made something from an opened or pasted file's shapes is told
    // before they go: the drawer finds a hull through the shape it drew, so
    // it cannot tell when a shape goes by itself.
    const auto tellGone = [this](const LoadedWorld& file) {
        if (m_shapeGone)
            for (int i = 0; i < file.OwnedShapeCount(); ++i)
                m_shapeGone(file.OwnedShapeAt(i));
    };
    if (const LoadedWorld* opened = m_bodies.Opened())
        tellGone(*opened);
    m_shelf.Clear();
    m_joints.Clear(*m_world);
    m_bodies.Clear();
    for (const auto& pasted : m_pastedSources)
        tellGone(*pasted);
    m_pastedSources.clear();
    m_keptShapes.DropAll(m_shapeGone);
    ApplyWorldSettings(*m_world);
    m_world->getConstraintSolver()->reset();
}

void WorldDocument::NewWorld()
{
    Release();
    m_history.Clear();
    m_timeline.Clear(*m_world);
    m_selection.Clear();
    EmptyWorld();
    AddStartBodies(*m_world, m_shapes.For(BodyKind::Ground), m_shapes.For(BodyKind::Can));
}

btCollisionShape* WorldDocument::ShapeNamed(std::string_view name) const
{
    return m_shapes.For(KindFromShapeName(name));
}

SceneShapeLookup WorldDocument::ShapeLookup() const
{
    return [shapes = m_shapes](std::string_view name) {
        return shapes.For(KindFromShapeName(name));
    };
}

void WorldDocument::TakeWorld(std::unique_ptr<LoadedWorld> opened)
{
    KINETTA_ASSERT(opened != nullptr, "hand over an opened world");
    for (int i = 0; i < opened->BodyCount(); ++i) {
        btRigidBody& body = opened->BodyAt(i);
        SetBodyKind(body,
                    KindOfNamedShape(m_shapes, opened->ShapeNameAt(i), body.getCollisionShape()));
    }
    Release();
    m_history.Clear();
    m_timeline.Clear(*m_world);
    m_selection.Clear();
    EmptyWorld();
    m_bodies.Adopt(std::move(opened));
}

WorldFileResult WorldDocument::OpenWorld(const std::string& path,
                                         const WorldFileOpenOptions& options)
{
    OpenedWorldFile opened = OpenWorldFile(path, ShapeLookup(), options);
    if (!opened.result.ok)
        return opened.result;
    TakeWorld(std::move(opened.world));
    return opened.result;
}

WorldFileResult WorldDocument::SaveWorld(const std::string& path)
{
    // The mouse's spring is no part of the world a user saves.
    m_drag.DetachSpring();
    WorldFileResult result = SaveWorldFile(*m_world, path, ShapeNamer());
    m_drag.AttachSpring();
    return result;
}

ShapeNameLookup WorldDocument::ShapeNamer() const
{
    // The scene's shapes under their kinds' names; an opened or pasted
    // file's own shapes, compounds' parts among them, keep the names the
    // file gave them.
    auto names = std::make_shared<std::unordered_map<const btCollisionShape*, std::string>>();
    for (int k = 1; k < kBodyKindCount; ++k) {
        const auto kind = static_cast<BodyKind>(k);
        if (const btCollisionShape* shape = m_shapes.For(kind))
            (*names)[shape] = std::string(ShapeNameOf(kind));
    }
    std::vector<const LoadedWorld*> files;
    if (const LoadedWorld* opened = m_bodies.Opened())
        files.push_back(opened);
    for (const auto& pasted : m_pastedSources)
        files.push_back(pasted.get());
    return [names, files](const btCollisionShape& shape) {
        if (const auto found = names->find(&shape); found != names->end())
            return found->second;
        for (const LoadedWorld* file : files)
            if (std::string name = file->NameOf(shape); !name.empty())
                return name;
        return std::string();
    };
}

void WorldDocument::TakeOut(btRigidBody& body, SimulationState state)
{
    bool fromFile = false;
    if (const LoadedWorld* opened = m_bodies.Opened()) {
        for (int i = 0; i < opened->BodyCount() && !fromFile; ++i)
            fromFile = &opened->BodyAt(i) == &body;
    }
    const bool backAtStop = state != SimulationState::Stopped && !WasThrown(body);
    // A held body lets go without a move edit: this may run inside an Undo,
    // where no edit may be pushed, and the body is leaving anyway.
    if (m_drag.Body() == &body)
        m_drag.End();
    const std::vector<btRigidBody*>& handled = m_handleDrag.Bodies();
    if (std::find(handled.begin(), handled.end(), &body) != handled.end())
        m_handleDrag.Drop();
    m_selection.Forget(&body);
    m_shelf.TakeOut(body, !fromFile, backAtStop);
}

void WorldDocument::PutBack(btRigidBody& body)
{
    m_shelf.PutBack(body);
}

void WorldDocument::ReleaseOut(const btRigidBody* body)
{
    m_shelf.Release(body);
}

std::vector<btRigidBody*> WorldDocument::AddCopies(std::unique_ptr<LoadedWorld> source,
                                                   const btVector3& offset, SimulationState state)
{
    KINETTA_ASSERT(source != nullptr, "hand over the world to copy from");
    std::vector<btRigidBody*> added;
    for (int i = 0; i < source->BodyCount(); ++i) {
        btRigidBody& from = source->BodyAt(i);
        const float mass = from.getInvMass() > 0 ? 1.0f / from.getInvMass() : 0.0f;
        btTransform where = from.getWorldTransform();
        where.getOrigin() += offset;
        btRigidBody* body =
            CreateRigidBody(from.getCollisionShape(), mass, where.getOrigin(), where.getRotation(),
                            kCcdMotionThreshold, kCcdSweptSphereRadius);
        body->setFriction(from.getFriction());
        body->setRollingFriction(from.getRollingFriction());
        body->setRestitution(from.getRestitution());
        body->setDamping(from.getLinearDamping(), from.getAngularDamping());
        // As opening does: a kind's name on a shape of other dimensions
        // would draw the kind's mesh at the wrong size.
        SetBodyKind(*body,
                    KindOfNamedShape(m_shapes, source->ShapeNameAt(i), from.getCollisionShape()));
        if (state != SimulationState::Stopped)
            MarkThrown(*body);
        m_world->addRigidBody(body);
        added.push_back(body);
    }
    // The copies' joints: the source's between two of its bodies, and those
    // to something that is none of its bodies (its stand-in for the world).
    const auto copyOf = [&](const btRigidBody& from) -> btRigidBody* {
        for (int i = 0; i < source->BodyCount(); ++i)
            if (&source->BodyAt(i) == &from)
                return added[std::size_t(i)];
        return nullptr;
    };
    for (int i = 0; i < source->ConstraintCount(); ++i) {
        const btTypedConstraint& from = source->ConstraintAt(i);
        btRigidBody* a = copyOf(from.getRigidBodyA());
        btRigidBody* b = copyOf(from.getRigidBodyB());
        if (a == nullptr && b == nullptr)
            continue;
        std::unique_ptr<btTypedConstraint> joint = CopyConstraint(
            from, a ? *a : m_joints.Anchor(), b ? *b : m_joints.Anchor(), offset);
        if (joint)
            m_joints.Add(*m_world, std::move(joint), state != SimulationState::Stopped);
    }
    if (source->OwnedShapeCount() > 0)
        m_pastedSources.push_back(std::move(source));
    return added;
}
