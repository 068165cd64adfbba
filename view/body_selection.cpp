#include "view/body_selection.h"

void BodySelection::Select(btRigidBody* body)
{
    if (body == m_body)
        return;
    m_body = body;
    ++m_revision;
}

void BodySelection::Forget(const btCollisionObject* object)
{
    if (object != nullptr && object == m_body)
        Clear();
}
