// Prints what Bullet's own importer reads from a .bullet file: one line per
// rigid body with its shape type's name, its sizes as Bullet keeps them
// and its mass, for end-to-end tests to look for.
//   bullet_import_probe FILE
#include <BulletWorldImporter/btBulletWorldImporter.h>
#include <btBulletDynamicsCommon.h>

#include <cstdio>

namespace {

const char* TypeName(int type)
{
    switch (type) {
        case BOX_SHAPE_PROXYTYPE: return "BOX_SHAPE_PROXYTYPE";
        case SPHERE_SHAPE_PROXYTYPE: return "SPHERE_SHAPE_PROXYTYPE";
        case CYLINDER_SHAPE_PROXYTYPE: return "CYLINDER_SHAPE_PROXYTYPE";
        case CAPSULE_SHAPE_PROXYTYPE: return "CAPSULE_SHAPE_PROXYTYPE";
        case CONE_SHAPE_PROXYTYPE: return "CONE_SHAPE_PROXYTYPE";
        default: return "OTHER";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    btBulletWorldImporter importer(nullptr);
    if (!importer.loadFile(argv[1])) {
        std::fprintf(stderr, "Bullet's importer could not read %s\n", argv[1]);
        return 1;
    }
    std::printf("bodies %d\n", importer.getNumRigidBodies());
    for (int i = 0; i < importer.getNumRigidBodies(); ++i) {
        const btRigidBody* body = btRigidBody::upcast(importer.getRigidBodyByIndex(i));
        const btCollisionShape* shape = body->getCollisionShape();
        btVector3 size(0, 0, 0);
        if (shape->getShapeType() == BOX_SHAPE_PROXYTYPE)
            size = static_cast<const btBoxShape*>(shape)->getHalfExtentsWithMargin();
        const float mass = body->getInvMass() > 0 ? 1 / body->getInvMass() : 0;
        std::printf("%d %s %g %g %g mass %g\n", i, TypeName(shape->getShapeType()), size.x(),
                    size.y(), size.z(), mass);
    }
    importer.deleteAllData();
    return 0;
}
