// The selected body's outline, drawn for every row of the frame.
#include "physics/body_kind.h"
#include "view/scene_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int MagentaPixels(const std::vector<unsigned char>& rgba)
{
    int count = 0;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        count += rgba[i] > 200 && rgba[i + 1] < 80 && rgba[i + 2] > 200;
    return count;
}

TEST(SelectionOutline, EveryRowShowsItsSelectedBodyAndNoSelectionDrawsAsBefore)
{
    testing_support::OffscreenGl gl(160, 120);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    view_testing::BuiltScene built;
    Scene& scene = built.scene;
    scene.Init(&testing_support::OffscreenGl::ProcLookup);
    // One body of each row, all in sight: ground, can, ball, die, and the
    // shape drawer's.
    const btCollisionObjectArray& objects = scene.World()->getCollisionObjectArray();
    const std::vector<btRigidBody*> bodies = {
        btRigidBody::upcast(objects[0]),
        btRigidBody::upcast(objects[1]),
        view_testing::AddBodyOfKind(scene, BodyKind::Ball, scene.BallModel(), btVector3(-3, 12, 8)),
        view_testing::AddBodyOfKind(scene, BodyKind::Die, scene.DieModel(), btVector3(3, 12, 8)),
        view_testing::AddBody(scene, scene.ConeShape(), btVector3(0, 12, 0)),
    };
    ASSERT_EQ(KindOf(*bodies[1]), BodyKind::Can);
    const std::vector<unsigned char> plain = view_testing::RenderPicture(gl, scene);
    ASSERT_EQ(MagentaPixels(plain), 0) << "no magenta in the scene itself";
    for (btRigidBody* body : bodies) {
        scene.Document()->Selection().Select(body);
        const std::vector<unsigned char> outlined = view_testing::RenderPicture(gl, scene);
        EXPECT_GT(MagentaPixels(outlined), 20) << int(KindOf(*body));
    }
    scene.Document()->Selection().Clear();
    EXPECT_EQ(view_testing::RenderPicture(gl, scene), plain) << "cleared: the picture as before";
}

}  // namespace
