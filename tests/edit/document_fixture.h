#pragma once
// A world document with no OpenGL: the scene's kinds as plain Bullet shapes
// of the meshes' sizes, owned by the fixture with the document, so that a
// failed assertion ends one test and tears down what it built.

#include "edit/world_document.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"

#include <gtest/gtest.h>

namespace edit_testing {

// Owns the shapes; lives longer than the document made from it.
class KindShapeSet {
public:
    btCollisionShape* Ball() { return &m_ball; }
    btCollisionShape* Die() { return &m_die; }
    btCollisionShape* Can() { return &m_can; }
    btCollisionShape* Domino() { return &m_domino; }
    btCollisionShape* Cone() { return &m_cone; }
    btCollisionShape* For(BodyKind kind) { return Shapes().For(kind); }

    KindShapes Shapes()
    {
        KindShapes shapes;
        shapes.byKind[std::size_t(BodyKind::Ground)] = &m_ground;
        shapes.byKind[std::size_t(BodyKind::Wall)] = &m_wall;
        shapes.byKind[std::size_t(BodyKind::Can)] = &m_can;
        shapes.byKind[std::size_t(BodyKind::Domino)] = &m_domino;
        shapes.byKind[std::size_t(BodyKind::Die)] = &m_die;
        shapes.byKind[std::size_t(BodyKind::Ball)] = &m_ball;
        return shapes;
    }

private:
    btBoxShape m_ground{kGroundHalfExtents};
    btBoxShape m_wall{kWallHalfExtents};
    btCylinderShape m_can{kCylinderHalfExtents};
    btBoxShape m_domino{kBoxHalfExtents};
    btBoxShape m_die{kDiceHalfExtents};
    btSphereShape m_ball{kSphereRadius};
    btConeShape m_cone{kConeRadius, kConeHeight};
};

class DocumentTest : public ::testing::Test {
protected:
    btRigidBody* BodyAt(int index)
    {
        return btRigidBody::upcast(m_document.World().getCollisionObjectArray()[index]);
    }

    KindShapeSet m_shapes;
    WorldDocument m_document{m_shapes.Shapes()};
};

// A static body of the shape at the position, added after the others; of
// no kind of the scene's own unless told.
inline btRigidBody* AddBody(WorldDocument& document, btCollisionShape* shape,
                            const btVector3& position,
                            const btQuaternion& orientation = btQuaternion::getIdentity())
{
    btRigidBody* body = CreateRigidBody(shape, 0.0f, position, orientation, 0.0f, 0.0f);
    document.World().addRigidBody(body);
    return body;
}

inline btRigidBody* AddBodyOfKind(WorldDocument& document, BodyKind kind, btCollisionShape* shape,
                                  const btVector3& position)
{
    btRigidBody* body = AddBody(document, shape, position);
    SetBodyKind(*body, kind);
    return body;
}

}  // namespace edit_testing
