// Bodies through the clipboard's bytes: a copy is a one-body world file that
// the reader process reads back into a paste in front of the eye, clear of
// what is there; damaged bytes change nothing.
#include "edit/body_clipboard.h"
#include "physics/dynamics_world.h"
#include "physics/rigid_body.h"
#include "worlds/world_file_scratch.h"
#include "edit/document_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

class BodyClipboard : public edit_testing::DocumentTest {
protected:
    void SetUp() override
    {
        m_options.readerPath = KINETTA_WORLD_READER_PATH;
    }
    

    btRigidBody* BodyAt(int index)
    {
        return btRigidBody::upcast(m_document.World().getCollisionObjectArray()[index]);
    }
    // How many other bodies' bounds touch the body's.
    int Touching(const btRigidBody& body)
    {
        struct Count : btBroadphaseAabbCallback {
            const btCollisionObject* self;
            int count = 0;
            bool process(const btBroadphaseProxy* proxy) override
            {
                count += proxy->m_clientObject != self ? 1 : 0;
                return true;
            }
        } touching;
        touching.self = &body;
        btVector3 min, max;
        body.getAabb(min, max);
        m_document.World().getBroadphase()->aabbTest(min, max, touching);
        return touching.count;
    }

    WorldFileOpenOptions m_options;
    const CameraPose m_eye{btVector3(0, -15, -30), 0, 20};
};

TEST_F(BodyClipboard, ACopiedCanPastesAsACanInFrontOfTheEyeClearOfTheRestAndUndoes)
{
    btRigidBody& can = *BodyAt(3);
    const CopiedBody copied = CopyBody(m_document, can);
    ASSERT_TRUE(copied.result.ok) << copied.result.error;
    EXPECT_EQ(copied.bytes.substr(0, 6), "BULLET");
    EXPECT_EQ(copied.description.rfind("Can, 2 kg, at (", 0), 0u) << copied.description;

    const int before = m_document.BodyCount();
    // Aimed into the tower's wall first: the paste rises until it is clear.
    const CameraPose intoTheTower{btVector3(0, -1.5f, -16), 0, 0};
    for (const CameraPose& eye : {m_eye, intoTheTower}) {
        const PastedBodies pasted =
            PasteBodies(m_document, copied.bytes, eye, SimulationState::Stopped, m_options);
        ASSERT_TRUE(pasted.result.ok) << pasted.result.error;
        EXPECT_EQ(pasted.count, 1);
        btRigidBody* copy = m_document.Selection().Body();
        ASSERT_NE(copy, nullptr) << "the pasted body is selected";
        ASSERT_NE(copy, &can);
        EXPECT_EQ(KindOf(*copy), BodyKind::Can);
        EXPECT_EQ(copy->getCollisionShape(), can.getCollisionShape());
        EXPECT_FLOAT_EQ(copy->getInvMass(), can.getInvMass());
        EXPECT_EQ(copy->getLinearVelocity().length(), 0.0f);
        EXPECT_EQ(Touching(*copy), 0);
        const btVector3 toCopy = copy->getWorldTransform().getOrigin() + eye.camPos;
        EXPECT_GT(toCopy.dot(ViewDirection(eye)), 5.0f) << "in front of the eye";
    }
    EXPECT_EQ(m_document.BodyCount(), before + 2);
    while (m_document.History().Undo()) {
    }
    EXPECT_EQ(m_document.BodyCount(), before);
}

// A body whose own shape carries a kind's name is that kind only when the
// shape is the kind's: a 2 x 4 x 0.6 box named as a domino is no Domino
// (which would draw the domino's mesh at its own, smaller size).
TEST_F(BodyClipboard, AKindsNameOnAShapeOfOtherSizeMakesNoBodyOfThatKind)
{
    std::unique_ptr<CDynamicsWorld> world = CreateDynamicsWorld();
    btBoxShape slab(btVector3(1.0f, 2.0f, 0.3f));
    btRigidBody* body = CreateRigidBody(&slab, 3.0f, btVector3(0, 2, 0),
                                        btQuaternion::getIdentity(), 0.0f, 0.0f);
    world->addRigidBody(body);
    ScratchFolder folder;
    const std::string path = folder.Path("slab.bullet");
    const WorldFileResult saved = SaveWorldFile(*world, path, [&](const btCollisionShape& shape) {
        return &shape == &slab ? std::string("kinetta.domino") : std::string();
    });
    DestroyCollisionObject(*world, body);
    ASSERT_TRUE(saved.ok) << saved.error;
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});

    const PastedBodies pasted =
        PasteBodies(m_document, bytes, m_eye, SimulationState::Stopped, m_options);
    ASSERT_TRUE(pasted.result.ok) << pasted.result.error;
    const btRigidBody* copy = m_document.Selection().Body();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->getCollisionShape(), m_shapes.Domino());
    EXPECT_EQ(KindOf(*copy), BodyKind::Other);
}

TEST_F(BodyClipboard, DamagedBytesSayWhyAndChangeNothing)
{
    const std::string good = CopyBody(m_document, *BodyAt(3)).bytes;
    ASSERT_GT(good.size(), 100u);
    std::string badPointerSize = good;
    badPointerSize[7] = '?';
    const std::string damaged[] = {
        "",
        "some text another program copied",
        good.substr(0, good.size() / 2),
        badPointerSize,
        std::string(4096, '\xff'),
    };
    const int before = m_document.BodyCount();
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        const PastedBodies pasted =
            PasteBodies(m_document, bytes, m_eye, SimulationState::Running, m_options);
        EXPECT_FALSE(pasted.result.ok);
        EXPECT_FALSE(pasted.result.error.empty());
        EXPECT_EQ(pasted.count, 0);
        EXPECT_EQ(m_document.BodyCount(), before);
        EXPECT_FALSE(m_document.History().CanUndo());
    }
}

}  // namespace
