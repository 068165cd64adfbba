#pragma once
// The move and turn handles of the selection: three arrows along the world's
// x, y and z from the bodies' centre and three rings about them, as long on
// screen wherever the bodies are. Picking a handle and dragging it are plain
// geometry in world space: an arrow moves the bodies by the change in the
// point of its axis nearest the cursor's ray; a ring turns them about the
// centre by the change in the angle, about its axis, of where the ray
// crosses the ring's plane. Snapping moves by whole 0.1 m and turns by whole
// 15 degrees. A drag is one edit.

#include "edit/edit_history.h"
#include "edit/picking.h"
#include "physics/simulation_control.h"

#include <btBulletDynamicsCommon.h>

#include <memory>
#include <optional>
#include <vector>

// Sizes as parts of the handles' length.
inline constexpr float kHandleScreenFraction = 0.15f;  // of the distance from the eye
inline constexpr float kRingRadius = 0.75f;
// Arrows begin this far out, so that a press on the body itself still
// carries it.
inline constexpr float kArrowStart = 0.3f;
inline constexpr float kHandlePickWidth = 0.07f;  // how near the ray must pass
inline constexpr float kSnapMetres = 0.1f;
inline constexpr float kSnapDegrees = 15.0f;

enum class HandleKind { Arrow, Ring };

struct HandlePart {
    HandleKind kind = HandleKind::Arrow;
    int axis = 0;  // 0 x, 1 y, 2 z
    bool operator==(const HandlePart&) const = default;
};

struct HandleFrame {
    btVector3 centre{0, 0, 0};
    float length = 1.0f;  // of an arrow, in metres
};

// Centred on the mean of the bodies' centres (none: nothing), as long as
// the eye's distance to it makes kHandleScreenFraction.
std::optional<HandleFrame> HandlesFor(const std::vector<btRigidBody*>& bodies,
                                      const btVector3& eye);

// The handle the ray meets first, if any; arrows win a tie with a ring.
std::optional<HandlePart> PickHandle(const HandleFrame& frame, const PickRay& ray);

// The parameter along the axis (metres from the centre) of the axis's
// point nearest the ray; nothing when the ray runs along the axis.
std::optional<float> AlongAxis(const HandleFrame& frame, int axis, const PickRay& ray);
// The angle (radians) about the axis of the point where the ray crosses
// the plane through the centre across the axis; nothing when it does not.
std::optional<float> AngleAbout(const HandleFrame& frame, int axis, const PickRay& ray);
// The nearest whole multiple of step.
float SnapTo(float value, float step);

// One drag of a handle: the bodies follow it from where they were at Begin.
class HandleDrag {
public:
    // False, beginning nothing, when the ray cannot work the handle.
    bool Begin(btCollisionWorld& world, std::vector<btRigidBody*> bodies, const HandleFrame& frame,
               HandlePart part, const PickRay& ray, SimulationState state);
    void MoveTo(const PickRay& ray, bool snap);
    // The edit the drag made, or null when it moved nothing. Ends the drag.
    std::unique_ptr<Edit> End();
    // Forgets the drag, leaving the bodies where they are.
    void Drop() { m_bodies.clear(); }

    bool Active() const { return !m_bodies.empty(); }
    const std::vector<btRigidBody*>& Bodies() const { return m_bodies; }
    HandlePart Part() const { return m_part; }
    SimulationState State() const { return m_state; }

private:
    btCollisionWorld* m_world = nullptr;
    std::vector<btRigidBody*> m_bodies;
    std::vector<btTransform> m_before;
    HandleFrame m_frame;
    HandlePart m_part;
    float m_start = 0;  // the axis parameter or angle at Begin
    SimulationState m_state = SimulationState::Stopped;
};

// Bodies placed anew together (a handle's drag): Undo puts each back where
// it was, Redo where it went; made while Stopped, their start moves too.
std::unique_ptr<Edit> MakePlaceEdit(btCollisionWorld& world, std::vector<btRigidBody*> bodies,
                                    std::vector<btTransform> before,
                                    std::vector<btTransform> after, SimulationState state,
                                    std::string_view name);
