#include "edit/joint_edits.h"

#include "edit/edit_history.h"
#include "edit/world_document.h"

#include <memory>

namespace {

// A joint added: Undo takes it out of the world and holds it, Redo puts it
// back; forgotten while undone, it goes.
class JointAddEdit final : public Edit {
public:
    JointAddEdit(WorldDocument& document, btTypedConstraint& joint, std::string name)
        : m_document(document), m_joint(joint), m_name(std::move(name))
    {
    }
    ~JointAddEdit() override
    {
        if (m_out)
            m_document.Joints().Gone(&m_joint);
    }
    std::string_view Name() const override { return m_name; }
    void Undo() override
    {
        m_document.Selection().ForgetJoint(&m_joint);
        m_document.World().removeConstraint(&m_joint);
        m_out = true;
    }
    void Redo() override
    {
        m_document.World().addConstraint(&m_joint, true);
        m_joint.getRigidBodyA().activate(true);
        m_joint.getRigidBodyB().activate(true);
        m_out = false;
    }

private:
    WorldDocument& m_document;
    btTypedConstraint& m_joint;
    std::string m_name;
    bool m_out = false;
};

struct JointState {
    JointSettings settings;
    JointFrames frames;
};

JointState ReadState(const btTypedConstraint& joint)
{
    return {ReadJointSettings(joint), ReadJointFrames(joint)};
}

void ApplyState(btTypedConstraint& joint, const JointState& state)
{
    ApplyJointSettings(joint, state.settings);
    ApplyJointFrames(joint, state.frames);
}

class JointChangeEdit final : public Edit {
public:
    JointChangeEdit(btTypedConstraint& joint, JointState before, JointState after)
        : m_joint(joint), m_before(before), m_after(after)
    {
    }
    std::string_view Name() const override { return "Joint change"; }
    void Undo() override { ApplyState(m_joint, m_before); }
    void Redo() override { ApplyState(m_joint, m_after); }

private:
    btTypedConstraint& m_joint;
    JointState m_before;
    JointState m_after;
};

}  // namespace

JoinResult JoinSelected(WorldDocument& document, JointType type, const btVector3& eye,
                        SimulationState state)
{
    JoinResult result;
    const std::vector<btRigidBody*>& bodies = document.Selection().Bodies();
    if (bodies.empty() || bodies.size() > 2) {
        result.refusal = "select one body to tie to the world, or two bodies to join";
        return result;
    }
    btRigidBody& first = *bodies[0];
    btRigidBody& second = bodies.size() == 2 ? *bodies[1] : document.Joints().Anchor();
    if (first.isStaticOrKinematicObject() &&
        (bodies.size() == 1 || second.isStaticOrKinematicObject())) {
        result.refusal = "a joint needs a body that can move";
        return result;
    }
    const std::optional<btVector3> clicked = document.Selection().ClickedPoint(&first);
    const btVector3 pivot = first.getCenterOfMassTransform() * clicked.value_or(btVector3(0, 0, 0));
    btVector3 axis = eye - pivot;
    if (axis.fuzzyZero())
        axis = btVector3(0, 0, 1);
    // The drag's spring is no joint between them.
    document.Release();
    btTypedConstraint& joint = document.Joints().Add(
        document.World(), MakeJoint(type, first, second, pivot, axis),
        state != SimulationState::Stopped);
    document.Selection().SelectJoint(&joint);
    document.History().Push(std::make_unique<JointAddEdit>(document, joint, JointNounOf(type)));
    result.joint = &joint;
    return result;
}

std::optional<std::string> EditJoint(WorldDocument& document, btTypedConstraint& joint,
                                     const JointSettings& settings)
{
    if (!JointTypeOf(joint))
        return std::string("Kinetta edits only the joints it makes");
    if (std::optional<std::string> refusal = CheckJointSettings(settings))
        return refusal;
    const JointState before = ReadState(joint);
    ApplyJointSettings(joint, settings);
    document.History().Push(std::make_unique<JointChangeEdit>(joint, before, ReadState(joint)));
    return std::nullopt;
}

bool JointHasField(JointType type, JointField field)
{
    switch (field) {
    case JointField::Pivot:
    case JointField::BreakingImpulse:
        return true;
    case JointField::Axis:
        return type != JointType::Point;
    case JointField::LowerLimit:
    case JointField::UpperLimit:
        return type == JointType::Hinge || type == JointType::Slider || type == JointType::Spring;
    case JointField::MotorSpeed:
    case JointField::MotorImpulse:
        return type == JointType::Hinge || type == JointType::Slider;
    case JointField::Stiffness:
    case JointField::Damping:
        return type == JointType::Spring;
    }
    return false;
}

JointSettings WithJointField(JointSettings s, JointField field, double x, double y, double z)
{
    const btVector3 v(static_cast<btScalar>(x), static_cast<btScalar>(y), static_cast<btScalar>(z));
    const auto scalar = static_cast<btScalar>(x);
    switch (field) {
    case JointField::Pivot: s.pivot = v; break;
    case JointField::Axis: s.axis = v; break;
    case JointField::LowerLimit: s.lower = scalar; break;
    case JointField::UpperLimit: s.upper = scalar; break;
    case JointField::MotorSpeed: s.motorSpeed = scalar; break;
    case JointField::MotorImpulse: s.motorImpulse = scalar; break;
    case JointField::Stiffness: s.stiffness = scalar; break;
    case JointField::Damping: s.damping = scalar; break;
    case JointField::BreakingImpulse: s.breakingImpulse = scalar; break;
    }
    return s;
}
