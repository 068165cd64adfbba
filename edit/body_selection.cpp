#include "edit/body_selection.h"

#include <algorithm>

bool BodySelection::Contains(const btRigidBody* body) const
{
    return std::find(m_bodies.begin(), m_bodies.end(), body) != m_bodies.end();
}

void BodySelection::SetClicked(const btRigidBody* body, std::optional<btVector3> clickedLocal)
{
    std::erase_if(m_clicked, [body](const Clicked& c) { return c.body == body; });
    if (clickedLocal && body != nullptr)
        m_clicked.push_back({body, *clickedLocal});
}

std::optional<btVector3> BodySelection::ClickedPoint(const btRigidBody* body) const
{
    for (const Clicked& c : m_clicked)
        if (c.body == body)
            return c.local;
    return std::nullopt;
}

void BodySelection::Select(btRigidBody* body, std::optional<btVector3> clickedLocal)
{
    // A click elsewhere on the one selected body moves only the joint's pivot.
    const bool same = m_bodies.size() == (body ? 1u : 0u) && (body == nullptr || m_bodies[0] == body);
    SetClicked(body, clickedLocal);
    std::erase_if(m_clicked, [body](const Clicked& c) { return c.body != body; });
    if (same)
        return;
    m_bodies.clear();
    if (body != nullptr)
        m_bodies.push_back(body);
    m_primary = body;
    Changed();
}

void BodySelection::Toggle(btRigidBody* body, std::optional<btVector3> clickedLocal)
{
    if (body == nullptr)
        return;
    if (Contains(body)) {
        std::erase(m_bodies, body);
        SetClicked(body, std::nullopt);
        if (m_primary == body)
            m_primary = m_bodies.empty() ? nullptr : m_bodies.back();
    } else {
        m_bodies.push_back(body);
        SetClicked(body, clickedLocal);
        m_primary = body;
    }
    Changed();
}

void BodySelection::MakePrimary(btRigidBody* body, std::optional<btVector3> clickedLocal)
{
    if (!Contains(body))
        return;
    SetClicked(body, clickedLocal);
    if (m_primary == body)
        return;
    m_primary = body;
    Changed();
}

void BodySelection::SelectAll(const std::vector<btRigidBody*>& bodies)
{
    std::vector<btRigidBody*> unique;
    unique.reserve(bodies.size());
    for (btRigidBody* body : bodies)
        if (body != nullptr && std::find(unique.begin(), unique.end(), body) == unique.end())
            unique.push_back(body);
    if (unique == m_bodies && m_primary == (unique.empty() ? nullptr : unique.back()))
        return;
    m_bodies = std::move(unique);
    m_primary = m_bodies.empty() ? nullptr : m_bodies.back();
    std::erase_if(m_clicked, [this](const Clicked& c) { return !Contains(c.body); });
    Changed();
}

void BodySelection::Clear()
{
    if (m_bodies.empty() && m_joint == nullptr)
        return;
    m_bodies.clear();
    m_primary = nullptr;
    m_clicked.clear();
    m_joint = nullptr;
    Changed();
}

void BodySelection::SelectJoint(btTypedConstraint* joint)
{
    if (joint == m_joint)
        return;
    m_joint = joint;
    Changed();
}

void BodySelection::Forget(const btCollisionObject* object)
{
    if (object == nullptr)
        return;
    if (m_onForget)
        m_onForget(*object);
    // A joint of a body that leaves leaves with it.
    if (m_joint != nullptr &&
        (&m_joint->getRigidBodyA() == object || &m_joint->getRigidBodyB() == object))
        ForgetJoint(m_joint);
    const auto found = std::find(m_bodies.begin(), m_bodies.end(), object);
    if (found == m_bodies.end())
        return;
    m_bodies.erase(found);
    if (m_primary == object)
        m_primary = m_bodies.empty() ? nullptr : m_bodies.back();
    std::erase_if(m_clicked, [object](const Clicked& c) { return c.body == object; });
    Changed();
}

void BodySelection::ForgetJoint(const btTypedConstraint* joint)
{
    if (joint != nullptr && joint == m_joint)
        SelectJoint(nullptr);
}
