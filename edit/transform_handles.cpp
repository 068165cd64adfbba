#include "edit/transform_handles.h"

#include "common/kinetta_assert.h"
#include "edit/body_edits.h"

#include <cmath>
#include <string>

namespace {

constexpr float kParallel = 1e-6f;
// An arrow nearer than this (as a cosine) to the line of sight shows as a
// stub over the body, and a drag along it could not be followed: the press
// is the body's.
constexpr float kArrowEndOn = 0.9f;

btVector3 Axis(int axis)
{
    btVector3 unit(0, 0, 0);
    unit[axis] = 1;
    return unit;
}

struct Crossing {
    float along;  // on the ray, 0 at its start and 1 at its end
    btVector3 point;
};

std::optional<Crossing> CrossPlane(const HandleFrame& frame, int axis, const PickRay& ray)
{
    const btVector3 normal = Axis(axis);
    const btVector3 run = ray.to - ray.from;
    const float across = run.dot(normal);
    if (std::fabs(across) < kParallel * run.length())
        return std::nullopt;
    const float along = (frame.centre - ray.from).dot(normal) / across;
    return Crossing{along, ray.from + run * along};
}

// The closest points of the ray's segment and the arrow's: the parameters
// along each (0 to 1) and the distance between them.
struct Closest {
    float onRay, onArrow, distance;
};

Closest SegmentsClosest(const btVector3& p0, const btVector3& p1, const btVector3& q0,
                        const btVector3& q1)
{
    const btVector3 d1 = p1 - p0, d2 = q1 - q0, r = p0 - q0;
    const float a = d1.dot(d1), e = d2.dot(d2), f = d2.dot(r);
    const float c = d1.dot(r), b = d1.dot(d2);
    const float denominator = a * e - b * b;
    float s = denominator > kParallel * a * e ? btClamped((b * f - c * e) / denominator, 0.f, 1.f)
                                              : 0.f;
    float t = (b * s + f) / e;
    if (t < 0) {
        t = 0;
        s = btClamped(-c / a, 0.f, 1.f);
    } else if (t > 1) {
        t = 1;
        s = btClamped((b - c) / a, 0.f, 1.f);
    }
    return {s, t, ((p0 + d1 * s) - (q0 + d2 * t)).length()};
}

class PlaceEdit final : public Edit {
public:
    PlaceEdit(btCollisionWorld& world, std::vector<btRigidBody*> bodies,
              std::vector<btTransform> before, std::vector<btTransform> after, bool moveStart,
              std::string_view name)
        : m_world(world),
          m_bodies(std::move(bodies)),
          m_before(std::move(before)),
          m_after(std::move(after)),
          m_moveStart(moveStart),
          m_name(name)
    {
    }
    std::string_view Name() const override { return m_name; }
    void Undo() override { Place(m_before); }
    void Redo() override { Place(m_after); }

private:
    void Place(const std::vector<btTransform>& where)
    {
        for (std::size_t i = 0; i < m_bodies.size(); ++i)
            PlaceBody(m_world, *m_bodies[i], where[i], m_moveStart, PlacedMotion::Keep);
    }

    btCollisionWorld& m_world;
    std::vector<btRigidBody*> m_bodies;
    std::vector<btTransform> m_before;
    std::vector<btTransform> m_after;
    bool m_moveStart;
    std::string m_name;
};

}  // namespace

std::optional<HandleFrame> HandlesFor(const std::vector<btRigidBody*>& bodies,
                                      const btVector3& eye)
{
    if (bodies.empty())
        return std::nullopt;
    btVector3 sum(0, 0, 0);
    for (const btRigidBody* body : bodies)
        sum += body->getWorldTransform().getOrigin();
    HandleFrame frame;
    frame.centre = sum / btScalar(bodies.size());
    frame.length = std::max(1e-3f, kHandleScreenFraction * (frame.centre - eye).length());
    return frame;
}

std::optional<HandlePart> PickHandle(const HandleFrame& frame, const PickRay& ray)
{
    const float reach = kHandlePickWidth * frame.length;
    std::optional<HandlePart> best;
    float bestAlong = 2;  // beyond the ray's end
    const btVector3 look = (ray.to - ray.from).normalized();
    for (int axis = 0; axis < 3; ++axis) {
        if (std::fabs(look.dot(Axis(axis))) > kArrowEndOn)
            continue;
        const Closest closest =
            SegmentsClosest(ray.from, ray.to, frame.centre + Axis(axis) * (kArrowStart * frame.length),
                            frame.centre + Axis(axis) * frame.length);
        if (closest.distance <= reach && closest.onRay < bestAlong) {
            best = HandlePart{HandleKind::Arrow, axis};
            bestAlong = closest.onRay;
        }
    }
    // A ring must be nearer than an arrow by more than the width to win.
    const float rayLength = (ray.to - ray.from).length();
    const float margin = rayLength > 0 ? reach / rayLength : 0;
    for (int axis = 0; axis < 3; ++axis) {
        const std::optional<Crossing> crossing = CrossPlane(frame, axis, ray);
        if (!crossing || crossing->along < 0 || crossing->along > 1)
            continue;
        const float fromCentre = (crossing->point - frame.centre).length();
        if (std::fabs(fromCentre - kRingRadius * frame.length) <= reach &&
            crossing->along < bestAlong - (best && best->kind == HandleKind::Arrow ? margin : 0)) {
            best = HandlePart{HandleKind::Ring, axis};
            bestAlong = crossing->along;
        }
    }
    return best;
}

std::optional<float> AlongAxis(const HandleFrame& frame, int axis, const PickRay& ray)
{
    // The lines' closest points, unbounded: the cursor may go past the arrow.
    const btVector3 d = (ray.to - ray.from).normalized();
    const btVector3 a = Axis(axis);
    const btVector3 r = frame.centre - ray.from;
    const float b = a.dot(d);
    const float denominator = 1 - b * b;
    if (denominator < 1e-6f)
        return std::nullopt;
    return (b * r.dot(d) - r.dot(a)) / denominator;
}

std::optional<float> AngleAbout(const HandleFrame& frame, int axis, const PickRay& ray)
{
    const std::optional<Crossing> crossing = CrossPlane(frame, axis, ray);
    if (!crossing)
        return std::nullopt;
    // u, v and the axis make a right-handed set: a positive turn about the
    // axis takes u towards v.
    const btVector3 u = Axis((axis + 1) % 3), v = Axis((axis + 2) % 3);
    const btVector3 offset = crossing->point - frame.centre;
    if (offset.length2() < 1e-12f)
        return std::nullopt;
    return std::atan2(offset.dot(v), offset.dot(u));
}

float SnapTo(float value, float step)
{
    return std::round(value / step) * step;
}

bool HandleDrag::Begin(btCollisionWorld& world, std::vector<btRigidBody*> bodies,
                       const HandleFrame& frame, HandlePart part, const PickRay& ray,
                       SimulationState state)
{
    KINETTA_ASSERT(!Active(), "end one handle drag before beginning another");
    KINETTA_ASSERT(part.axis >= 0 && part.axis < 3, "name the handle's axis 0, 1 or 2");
    const std::optional<float> start = part.kind == HandleKind::Arrow
                                           ? AlongAxis(frame, part.axis, ray)
                                           : AngleAbout(frame, part.axis, ray);
    if (!start || bodies.empty())
        return false;
    m_world = &world;
    m_bodies = std::move(bodies);
    m_before.clear();
    for (const btRigidBody* body : m_bodies)
        m_before.push_back(body->getWorldTransform());
    m_frame = frame;
    m_part = part;
    m_start = *start;
    m_state = state;
    return true;
}

void HandleDrag::MoveTo(const PickRay& ray, bool snap)
{
    if (!Active())
        return;
    const bool moving = m_part.kind == HandleKind::Arrow;
    const std::optional<float> now =
        moving ? AlongAxis(m_frame, m_part.axis, ray) : AngleAbout(m_frame, m_part.axis, ray);
    if (!now)
        return;
    float change = *now - m_start;
    if (!moving) {
        // The shorter way round, so that crossing ±180 degrees is no jump.
        change = std::remainder(change, float(2 * SIMD_PI));
    }
    if (snap)
        change = moving ? SnapTo(change, kSnapMetres)
                        : SnapTo(change, kSnapDegrees * SIMD_RADS_PER_DEG);
    const btVector3 axis = Axis(m_part.axis);
    const btQuaternion turn(axis, moving ? 0 : change);
    for (std::size_t i = 0; i < m_bodies.size(); ++i) {
        btTransform where = m_before[i];
        if (moving) {
            where.getOrigin() += axis * change;
        } else {
            where.setOrigin(m_frame.centre + quatRotate(turn, where.getOrigin() - m_frame.centre));
            where.setRotation((turn * where.getRotation()).normalized());
        }
        PlaceBody(*m_world, *m_bodies[i], where, m_state == SimulationState::Stopped,
                  PlacedMotion::Keep);
    }
}

std::unique_ptr<Edit> HandleDrag::End()
{
    if (!Active())
        return nullptr;
    std::vector<btTransform> after;
    bool moved = false;
    for (std::size_t i = 0; i < m_bodies.size(); ++i) {
        after.push_back(m_bodies[i]->getWorldTransform());
        moved = moved || !(after.back() == m_before[i]);
    }
    std::vector<btRigidBody*> bodies = std::move(m_bodies);
    m_bodies.clear();
    if (!moved)
        return nullptr;
    return MakePlaceEdit(*m_world, std::move(bodies), std::move(m_before), std::move(after),
                         m_state, m_part.kind == HandleKind::Arrow ? "Move" : "Turn");
}

std::unique_ptr<Edit> MakePlaceEdit(btCollisionWorld& world, std::vector<btRigidBody*> bodies,
                                    std::vector<btTransform> before,
                                    std::vector<btTransform> after, SimulationState state,
                                    std::string_view name)
{
    KINETTA_ASSERT(bodies.size() == before.size() && bodies.size() == after.size(),
                   "give a place before and after for every body");
    return std::make_unique<PlaceEdit>(world, std::move(bodies), std::move(before),
                                       std::move(after), state == SimulationState::Stopped, name);
}
