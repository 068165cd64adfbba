#include "edit/body_selection.h"

void BodySelection::Select(btRigidBody* body)
{
    if (body == m_body)
        return;
    m_body = body;
    ++m_revision;
}

void BodySelection::Forget(const btCollisionObject* object)
{
    if (object == nullptr)
        return;
    if (m_onForget)
        m_onForget(*object);
    if (object == m_body)
        Clear();
}
