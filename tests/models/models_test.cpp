// The body models as Bullet sees them: the same shape as the plain Bullet
// class, allocated and freed through Bullet, owning their meshes.
#include "models/box_model.h"
#include "models/cylinder_model.h"
#include "models/dice_model.h"
#include "models/sphere_model.h"

#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Each model with the plain Bullet shape of the same dimensions.
struct Cylinder {
    using Model = models::CylinderModel;
    static constexpr int kType = CYLINDER_SHAPE_PROXYTYPE;
    static Model* MakeModel() { return new Model(btVector3(0.5f, 0.799f, 0.5f)); }
    static btConvexShape* MakePlain() { return new btCylinderShape(btVector3(0.5f, 0.799f, 0.5f)); }
};
struct Sphere {
    using Model = models::SphereModel;
    static constexpr int kType = SPHERE_SHAPE_PROXYTYPE;
    static Model* MakeModel() { return new Model(0.45f); }
    static btConvexShape* MakePlain() { return new btSphereShape(0.45f); }
};
struct Box {
    using Model = models::BoxModel;
    static constexpr int kType = BOX_SHAPE_PROXYTYPE;
    static Model* MakeModel() { return new Model(btVector3(0.5f, 1.0f, 0.15f)); }
    static btConvexShape* MakePlain() { return new btBoxShape(btVector3(0.5f, 1.0f, 0.15f)); }
};
struct Dice {
    using Model = models::DiceModel;
    static constexpr int kType = BOX_SHAPE_PROXYTYPE;
    static Model* MakeModel() { return new Model(btVector3(0.5f, 0.5f, 0.5f)); }
    static btConvexShape* MakePlain() { return new btBoxShape(btVector3(0.5f, 0.5f, 0.5f)); }
};

void ExpectSameVector(const btVector3& a, const btVector3& b)
{
    EXPECT_FLOAT_EQ(a.x(), b.x());
    EXPECT_FLOAT_EQ(a.y(), b.y());
    EXPECT_FLOAT_EQ(a.z(), b.z());
}

// The 26 directions to the neighbours of a cell in a cubic grid.
std::vector<btVector3> Directions()
{
    std::vector<btVector3> directions;
    for (int x = -1; x <= 1; ++x)
        for (int y = -1; y <= 1; ++y)
            for (int z = -1; z <= 1; ++z)
                if (x || y || z)
                    directions.emplace_back(btScalar(x), btScalar(y), btScalar(z));
    return directions;
}

void ExpectSameGeometry(const btConvexShape& model, const btConvexShape& plain)
{
    EXPECT_EQ(model.getShapeType(), plain.getShapeType());
    EXPECT_STREQ(model.getName(), plain.getName());
    EXPECT_FLOAT_EQ(model.getMargin(), plain.getMargin());
    ExpectSameVector(model.getLocalScaling(), plain.getLocalScaling());

    btVector3 modelInertia, plainInertia;
    model.calculateLocalInertia(2.0f, modelInertia);
    plain.calculateLocalInertia(2.0f, plainInertia);
    ExpectSameVector(modelInertia, plainInertia);

    const btTransform placed(btQuaternion(btVector3(1, 2, 3).normalized(), 0.7f),
                             btVector3(4, -5, 6));
    btVector3 modelMin, modelMax, plainMin, plainMax;
    model.getAabb(placed, modelMin, modelMax);
    plain.getAabb(placed, plainMin, plainMax);
    ExpectSameVector(modelMin, plainMin);
    ExpectSameVector(modelMax, plainMax);

    for (const btVector3& d : Directions()) {
        ExpectSameVector(model.localGetSupportingVertex(d), plain.localGetSupportingVertex(d));
        ExpectSameVector(model.localGetSupportingVertexWithoutMargin(d),
                         plain.localGetSupportingVertexWithoutMargin(d));
    }
}

// Drops the shape from 3 m, tilted, onto a static slab whose top is y = 0, and
// returns where the body is after three seconds.
btTransform DropOntoSlab(btCollisionShape* shape)
{
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher(&configuration);
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world(&dispatcher, &broadphase, &solver, &configuration);

    btBoxShape slabShape(btVector3(20, 1, 20));
    btRigidBody slab(0.0f, nullptr, &slabShape);
    slab.setWorldTransform(btTransform(btQuaternion::getIdentity(), btVector3(0, -1, 0)));
    world.addRigidBody(&slab);

    btVector3 inertia;
    shape->calculateLocalInertia(1.0f, inertia);
    btDefaultMotionState motion(btTransform(btQuaternion(btVector3(1, 0, 1).normalized(), 0.4f),
                                            btVector3(0.2f, 3, -0.1f)));
    btRigidBody body(1.0f, &motion, shape, inertia);
    body.setAngularVelocity(btVector3(0, 2, 1));
    world.addRigidBody(&body);

    for (int step = 0; step < 180; ++step)
        world.stepSimulation(1.0f / 60, 0);
    const btTransform resting = body.getWorldTransform();
    world.removeRigidBody(&body);
    world.removeRigidBody(&slab);
    return resting;
}

// Bullet's aligned allocations, counted on their way through.
int g_alignedAllocs = 0;
int g_alignedFrees = 0;
int g_requestedAlignment = 0;
void* g_lastAlignedBlock = nullptr;

void* CountingAlignedAlloc(std::size_t size, int alignment)
{
    ++g_alignedAllocs;
    g_requestedAlignment = alignment;
    void* block = nullptr;
    if (posix_memalign(&block, static_cast<std::size_t>(alignment), size) != 0)
        return nullptr;
    g_lastAlignedBlock = block;
    return block;
}

void CountingAlignedFree(void* block)
{
    ++g_alignedFrees;
    std::free(block);
}

template <typename Kind>
class BodyModel : public ::testing::Test {
};

using Kinds = ::testing::Types<Cylinder, Sphere, Box, Dice>;
TYPED_TEST_SUITE(BodyModel, Kinds);

}  // namespace

TYPED_TEST(BodyModel, CollidesExactlyAsItsPlainBulletShape)
{
    std::unique_ptr<btConvexShape> model(TypeParam::MakeModel());
    std::unique_ptr<btConvexShape> plain(TypeParam::MakePlain());
    EXPECT_EQ(model->getShapeType(), TypeParam::kType);
    ExpectSameGeometry(*model, *plain);

    model->setMargin(0.02f);
    plain->setMargin(0.02f);
    model->setLocalScaling(btVector3(1.5f, 0.5f, 2.0f));
    plain->setLocalScaling(btVector3(1.5f, 0.5f, 2.0f));
    ExpectSameGeometry(*model, *plain);
}

TYPED_TEST(BodyModel, FallsAndSettlesExactlyAsItsPlainBulletShape)
{
    std::unique_ptr<btConvexShape> model(TypeParam::MakeModel());
    std::unique_ptr<btConvexShape> plain(TypeParam::MakePlain());
    const btTransform modelRest = DropOntoSlab(model.get());
    const btTransform plainRest = DropOntoSlab(plain.get());

    // It really fell and came to rest on the slab.
    EXPECT_LT(plainRest.getOrigin().y(), 1.0f);
    EXPECT_GT(plainRest.getOrigin().y(), 0.1f);
    ExpectSameVector(modelRest.getOrigin(), plainRest.getOrigin());
    ExpectSameVector(modelRest.getBasis().getRow(0), plainRest.getBasis().getRow(0));
    ExpectSameVector(modelRest.getBasis().getRow(1), plainRest.getBasis().getRow(1));
}

TYPED_TEST(BodyModel, ComesAndGoesThroughBulletsAlignedAllocatorAsTheShape)
{
    g_alignedAllocs = g_alignedFrees = 0;
    g_lastAlignedBlock = nullptr;
    btAlignedAllocSetCustomAligned(&CountingAlignedAlloc, &CountingAlignedFree);
    typename TypeParam::Model* model = TypeParam::MakeModel();
    const btCollisionShape* shape = model;
    const bool cameFromBullet = g_lastAlignedBlock == model;
    const bool sameAddress = static_cast<const void*>(shape) == static_cast<const void*>(model);
    delete shape;
    btAlignedAllocSetCustomAligned(nullptr, nullptr);

    EXPECT_TRUE(cameFromBullet);
    EXPECT_TRUE(sameAddress);  // the shape is the first base
    EXPECT_EQ(g_requestedAlignment, 16);
    EXPECT_EQ(g_alignedAllocs, 1);
    EXPECT_EQ(g_alignedFrees, 1);
}

TEST(BodyModels, DecodedKindsStartWithAnEmptyMeshAndAllFlags)
{
    const std::unique_ptr<models::CylinderModel> cylinder(Cylinder::MakeModel());
    const std::unique_ptr<models::SphereModel> sphere(Sphere::MakeModel());
    const std::unique_ptr<models::BoxModel> box(Box::MakeModel());
    for (const glw::Model* m : {static_cast<const glw::Model*>(cylinder.get()),
                                static_cast<const glw::Model*>(sphere.get()),
                                static_cast<const glw::Model*>(box.get())}) {
        EXPECT_EQ(m->SurfaceCount(), 0u);
        EXPECT_EQ(m->drawFlags, glw::kDrawTexCoords | glw::kDrawNormals);
    }
    ExpectSameVector(cylinder->getHalfExtentsWithMargin(), btVector3(0.5f, 0.799f, 0.5f));
    EXPECT_EQ(cylinder->getUpAxis(), 1);
    EXPECT_FLOAT_EQ(sphere->getRadius(), 0.45f);
    ExpectSameVector(box->getHalfExtentsWithMargin(), btVector3(0.5f, 1.0f, 0.15f));
}
