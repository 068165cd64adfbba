#include "physics/world_bodies.h"

#include "physics/rigid_body.h"

void WorldBodies::Clear()
{
    DestroyAllCollisionObjects(m_world);
}
