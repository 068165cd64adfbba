// Bodies from the Insert commands: each placed clear of everything, at rest
// and selected, through Save, Bullet's own importer and Open with its shape
// type, size and mass; a body's new size; and the move and turn handles.
#include "edit/body_insertion.h"
#include "edit/body_size.h"
#include "edit/document_fixture.h"
#include "edit/heading_pitch_roll.h"
#include "edit/transform_handles.h"

#include <BulletWorldImporter/btBulletWorldImporter.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

const btVector3 kEye(0, 4, 30);
const btVector3 kLook(0, 0, -1);

// What touches the body, by Bullet's own contact test.
int ContactsWith(btCollisionWorld& world, btRigidBody& body)
{
    struct Count : btCollisionWorld::ContactResultCallback {
        int contacts = 0;
        btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper*, int, int,
                                 const btCollisionObjectWrapper*, int, int) override
        {
            contacts += point.getDistance() <= 0;
            return 0;
        }
    } count;
    world.contactTest(&body, count);
    return count.contacts;
}

void ExpectSize(const btCollisionShape& shape, const InsertRecipe& recipe, const std::string& where)
{
    EXPECT_EQ(shape.getShapeType(), recipe.shapeType) << where;
    const ShapeSize size = SizeOf(shape);
    for (int i = 0; i < size.count; ++i)
        EXPECT_NEAR(size.values[i], recipe.size[i], 1e-5f) << where << ", size " << i;
}

class InsertedBodies : public edit_testing::DocumentTest {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "kinetta-inserted-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string m_folder;
};

TEST_F(InsertedBodies, EachInsertCommandSavesAndOpensWithItsShapeSizeAndMass)
{
    for (int i = 0; i < kInsertedBodyCount; ++i) {
        const auto which = static_cast<InsertedBody>(i);
        const InsertRecipe& recipe = RecipeFor(which);
        SCOPED_TRACE(recipe.name);
        m_document.NewWorld();
        btRigidBody* body =
            InsertBody(m_document, which, kEye, kLook, SimulationState::Stopped);
        ASSERT_EQ(m_document.Selection().Body(), body);
        EXPECT_EQ(body->getLinearVelocity(), btVector3(0, 0, 0));
        EXPECT_EQ(ContactsWith(m_document.World(), *body), 0);
        EXPECT_NEAR(body->getWorldTransform().getOrigin().z(), kEye.z() - 10, 1e-4f);
        EXPECT_EQ(KindOf(*body), recipe.kind);
        EXPECT_FLOAT_EQ(body->getInvMass(), recipe.mass > 0 ? 1 / recipe.mass : 0);
        const btVector3 turn = HeadingPitchRollOf(body->getWorldTransform().getBasis());
        EXPECT_NEAR(turn.y(), recipe.tiltDegrees, 1e-3f) << "the ramp tilts, nothing else";

        const std::string path = m_folder + "/" + recipe.name + ".bullet";
        const WorldFileResult saved = m_document.SaveWorld(path);
        ASSERT_TRUE(saved.ok) << saved.error;

        btBulletWorldImporter importer(nullptr);
        ASSERT_TRUE(importer.loadFile(path.c_str()));
        ASSERT_EQ(importer.getNumRigidBodies(), kStartBodyCount + 1);
        const btRigidBody* imported = btRigidBody::upcast(importer.getRigidBodyByIndex(kStartBodyCount));
        ASSERT_NE(imported, nullptr);
        ExpectSize(*imported->getCollisionShape(), recipe, "Bullet's importer");
        EXPECT_NEAR(imported->getInvMass(), body->getInvMass(), 1e-6f);
        EXPECT_LT((imported->getWorldTransform().getOrigin() -
                   body->getWorldTransform().getOrigin()).length(), 1e-5f);
        importer.deleteAllData();

        WorldFileOpenOptions options;
        options.readerPath = KINETTA_WORLD_READER_PATH;
        const WorldFileResult opened = m_document.OpenWorld(path, options);
        ASSERT_TRUE(opened.ok) << opened.error;
        ASSERT_EQ(m_document.BodyCount(), kStartBodyCount + 1);
        btRigidBody* back = BodyAt(kStartBodyCount);
        ExpectSize(*back->getCollisionShape(), recipe, "Open");
        EXPECT_EQ(KindOf(*back), recipe.kind);
        EXPECT_NEAR(back->getInvMass(), recipe.mass > 0 ? 1 / recipe.mass : 0, 1e-6f);
    }
}

TEST_F(InsertedBodies, ANewBodyRisesClearOfWhatIsWhereItWouldGoAndStopOrUndoTakesItAway)
{
    // A crate right where the new box would go.
    btBoxShape crate(btVector3(1, 1, 1));
    edit_testing::AddBody(m_document, &crate, kEye + kLook * 10);
    btRigidBody* box = InsertBody(m_document, InsertedBody::Box, kEye, kLook,
                                  SimulationState::Stopped);
    EXPECT_EQ(ContactsWith(m_document.World(), *box), 0);
    EXPECT_GT(box->getWorldTransform().getOrigin().y(), kEye.y() + 1.5f);
    EXPECT_EQ(m_document.Kept().Count(), 1);

    // Inserted while running: Stop takes it and its shape away; the box
    // inserted while Stopped stays, and so does its shape.
    btRigidBody* ball = InsertBody(m_document, InsertedBody::Ball, kEye, kLook,
                                   SimulationState::Running);
    EXPECT_EQ(ContactsWith(m_document.World(), *ball), 0);
    EXPECT_EQ(m_document.BodyCount(), kStartBodyCount + 3);
    EXPECT_EQ(m_document.Kept().Count(), 2);
    m_document.ResetSimulation();
    EXPECT_EQ(m_document.BodyCount(), kStartBodyCount + 2);
    EXPECT_EQ(m_document.Kept().Count(), 1);
    EXPECT_TRUE(m_document.Kept().Holds(box->getCollisionShape()));

    // One edit: Undo takes the cone out, Redo brings it back selected... as
    // the world's last body; a forgotten undone insertion goes at Stop.
    InsertBody(m_document, InsertedBody::Cone, kEye, kLook, SimulationState::Stopped);
    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_EQ(m_document.BodyCount(), kStartBodyCount + 2);
    ASSERT_TRUE(m_document.History().Redo());
    EXPECT_EQ(m_document.BodyCount(), kStartBodyCount + 3);
    ASSERT_TRUE(m_document.History().Undo());
    m_document.ResetSimulation();
    EXPECT_EQ(m_document.BodyCount(), kStartBodyCount + 2);
    EXPECT_EQ(m_document.Kept().Count(), 1);
    m_document.NewWorld();
    EXPECT_EQ(m_document.Kept().Count(), 0);
}

TEST_F(InsertedBodies, ANewSizeKeepsTheCentreRebuildsTheInertiaAndIsOneEdit)
{
    btRigidBody* box = InsertBody(m_document, InsertedBody::Box, kEye, kLook,
                                  SimulationState::Stopped);
    const btTransform where = box->getWorldTransform();
    const btVector3 inertiaBefore = box->getLocalInertia();
    EXPECT_NEAR(inertiaBefore.x(), 2.0f / 3 * (0.25f + 0.25f), 1e-5f);

    // Refused: too few numbers, zero, beyond the files' bounds, not a number.
    for (const auto& [size, count] :
         {std::pair{btVector3(1, 1, 0), 2}, {btVector3(1, 0, 1), 3},
          {btVector3(1, 2e5f, 1), 3}, {btVector3(1, NAN, 1), 3}}) {
        const Resized refused = ResizeBody(m_document, *box, size, count);
        EXPECT_TRUE(refused.refusal.has_value());
        EXPECT_EQ(refused.edit, nullptr);
    }
    EXPECT_EQ(SizeOf(*box->getCollisionShape()).values, btVector3(0.5f, 0.5f, 0.5f));

    Resized resized = ResizeBody(m_document, *box, btVector3(1.0f, 0.25f, 0.5f), 3);
    ASSERT_FALSE(resized.refusal) << *resized.refusal;
    m_document.History().Push(std::move(resized.edit));
    EXPECT_EQ(SizeOf(*box->getCollisionShape()).values, btVector3(1.0f, 0.25f, 0.5f));
    EXPECT_EQ(box->getWorldTransform(), where);
    EXPECT_FLOAT_EQ(box->getInvMass(), 0.5f);
    // A box of mass m and half extents a, b, c: m/3 (b² + c²) about x.
    EXPECT_NEAR(box->getLocalInertia().x(), 2.0f / 3 * (0.0625f + 0.25f), 1e-4f);
    EXPECT_NEAR(box->getLocalInertia().y(), 2.0f / 3 * (1.0f + 0.25f), 1e-4f);
    btVector3 min, max;
    m_document.World().getBroadphase()->getAabb(box->getBroadphaseHandle(), min, max);
    EXPECT_GT(max.x() - min.x(), 2.0f) << "the world's bounds follow the new size";

    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_EQ(SizeOf(*box->getCollisionShape()).values, btVector3(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(box->getLocalInertia(), inertiaBefore);
    ASSERT_TRUE(m_document.History().Redo());
    EXPECT_EQ(SizeOf(*box->getCollisionShape()).values, btVector3(1.0f, 0.25f, 0.5f));

    // A can of another size is no longer drawn as the scene's can.
    btRigidBody* can = InsertBody(m_document, InsertedBody::Can, kEye, kLook,
                                  SimulationState::Stopped);
    Resized wider = ResizeBody(m_document, *can, btVector3(1.0f, 3.0f, 0), 2);
    ASSERT_FALSE(wider.refusal);
    m_document.History().Push(std::move(wider.edit));
    EXPECT_EQ(KindOf(*can), BodyKind::Other);
    EXPECT_NEAR(SizeOf(*can->getCollisionShape()).values.y(), 3.0f, 1e-5f);
    ASSERT_TRUE(m_document.History().Undo());
    EXPECT_EQ(KindOf(*can), BodyKind::Can);
    EXPECT_EQ(can->getCollisionShape(), m_shapes.Can());
}

// A ray straight down through a point.
PickRay DownThrough(const btVector3& point)
{
    return PickRay{point + btVector3(0, 20, 0), point - btVector3(0, 20, 0), 1, 41};
}

TEST_F(InsertedBodies, HandlesMoveAndTurnByExactAmountsWithAndWithoutSnapping)
{
    btBoxShape crate(btVector3(0.5f, 0.5f, 0.5f));
    btRigidBody* a = edit_testing::AddBody(m_document, &crate, {60, 5, 60});
    btRigidBody* b = edit_testing::AddBody(m_document, &crate, {62, 5, 60});
    const btVector3 centre(61, 5, 60);
    const btVector3 eye = centre + btVector3(0, 0, 20);
    const float length = kHandleScreenFraction * 20;
    const std::vector<btRigidBody*> both = {a, b};
    ASSERT_EQ(HandlesFor(both, eye)->centre, centre);

    // The x arrow, dragged 0.537 m: exactly that, or 0.5 snapped.
    for (const bool snap : {false, true}) {
        ASSERT_TRUE(m_document.PressHandleAt(DownThrough(centre + btVector3(length / 2, 0, 0)),
                                             eye, both, SimulationState::Stopped));
        EXPECT_EQ(m_document.Handles().Part(), (HandlePart{HandleKind::Arrow, 0}));
        m_document.DragHandleTo(DownThrough(centre + btVector3(length / 2 + 0.537f, 0, 3)), snap);
        m_document.Release();
        const float moved = a->getWorldTransform().getOrigin().x() - 60;
        EXPECT_NEAR(moved, snap ? 0.5f : 0.537f, 1e-4f);
        EXPECT_EQ(a->getWorldTransform().getOrigin().y(), 5);
        EXPECT_NEAR(b->getWorldTransform().getOrigin().x() - 62, moved, 1e-4f);
        btDefaultMotionState* start = static_cast<btDefaultMotionState*>(a->getMotionState());
        EXPECT_EQ(start->m_startWorldTrans.getOrigin(), a->getWorldTransform().getOrigin())
            << "moved while Stopped, the start moves too";
        ASSERT_TRUE(m_document.History().Undo());
        EXPECT_EQ(a->getWorldTransform().getOrigin(), btVector3(60, 5, 60));
        EXPECT_EQ(b->getWorldTransform().getOrigin(), btVector3(62, 5, 60));
    }

    // The y ring, turned 40 degrees: both bodies about their centre, or 45 snapped.
    const float ring = kRingRadius * length;
    const auto onRing = [&](float degrees) {
        const float r = degrees * SIMD_RADS_PER_DEG;
        // About y, angle 0 lies along z and 90 along x.
        return centre + btVector3(ring * std::sin(r), 0, ring * std::cos(r));
    };
    for (const bool snap : {false, true}) {
        ASSERT_TRUE(m_document.PressHandleAt(DownThrough(onRing(30)), eye, both,
                                             SimulationState::Paused));
        EXPECT_EQ(m_document.Handles().Part(), (HandlePart{HandleKind::Ring, 1}));
        m_document.DragHandleTo(DownThrough(onRing(70)), snap);
        m_document.Release();
        const float turned = snap ? 45 : 40;
        EXPECT_NEAR(HeadingPitchRollOf(a->getWorldTransform().getBasis()).x(), turned, 1e-2f);
        const btVector3 offset = a->getWorldTransform().getOrigin() - centre;
        EXPECT_NEAR(offset.x(), -std::cos(turned * SIMD_RADS_PER_DEG), 1e-4f);
        EXPECT_NEAR(offset.z(), std::sin(turned * SIMD_RADS_PER_DEG), 1e-4f);
        ASSERT_TRUE(m_document.History().Undo());
        EXPECT_EQ(a->getWorldTransform().getOrigin(), btVector3(60, 5, 60));
        EXPECT_NEAR(HeadingPitchRollOf(a->getWorldTransform().getBasis()).x(), 0, 1e-4f);
    }

    // Looking along z through the bodies' middle: the z arrow is seen end-on
    // and the others begin clear of the middle, so the press is the bodies'.
    const HandleFrame frame = *HandlesFor(both, eye);
    EXPECT_FALSE(PickHandle(frame, PickRay{centre + btVector3(0, 0.05f, 20),
                                           centre + btVector3(0, 0.05f, -20), 1, 41}));

    // A press beside every handle begins nothing, and a press and release
    // without a move is no edit.
    EXPECT_FALSE(m_document.PressHandleAt(DownThrough(centre + btVector3(0.3f * length, 0, 0.3f * length)),
                                          eye, both, SimulationState::Stopped));
    const std::size_t edits = m_document.History().Size();
    ASSERT_TRUE(m_document.PressHandleAt(DownThrough(centre + btVector3(0, 0, length / 2)), eye,
                                         both, SimulationState::Stopped));
    m_document.Release();
    EXPECT_EQ(m_document.History().Size(), edits);
}

TEST(HeadingPitchRoll, HeadingIsAboutYPitchAboutXRollAboutZAndReadsBack)
{
    const btMatrix3x3 heading = FromHeadingPitchRoll(btVector3(90, 0, 0));
    EXPECT_LT((heading * btVector3(0, 0, -1) - btVector3(-1, 0, 0)).length(), 1e-6f);
    const btMatrix3x3 pitch = FromHeadingPitchRoll(btVector3(0, 90, 0));
    EXPECT_LT((pitch * btVector3(0, 0, -1) - btVector3(0, 1, 0)).length(), 1e-6f);
    const btMatrix3x3 roll = FromHeadingPitchRoll(btVector3(0, 0, 90));
    EXPECT_LT((roll * btVector3(1, 0, 0) - btVector3(0, 1, 0)).length(), 1e-6f);
    for (const btVector3& angles : {btVector3(30, -20, 10), btVector3(-170, 80, 135),
                                    btVector3(45, 90, 0)}) {
        const btVector3 back = HeadingPitchRollOf(FromHeadingPitchRoll(angles));
        EXPECT_LT((back - angles).length(), 0.05f) << angles.x() << " " << angles.y();
    }
}

}  // namespace
