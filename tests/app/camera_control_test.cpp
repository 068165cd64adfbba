#include "view/camera_control.h"
#include "view/ogl_window.h"

#include <gtest/gtest.h>

namespace {

struct Held {
    KeyState keys;
    Held(std::initializer_list<ViewKey> down)
    {
        for (ViewKey k : down)
            keys.SetDown(k, true);
    }
};

LightRecord StartLight()
{
    LightRecord light;
    light.position[0] = 5.0f;
    light.position[1] = 10.0f;
    light.position[2] = 17.5f;
    return light;
}

}  // namespace

TEST(CameraKeys, WalkingForwardAtYawZeroMovesTheEyeTowardsMinusZ)
{
    CameraState camera;
    LightRecord light = StartLight();
    ApplyCameraKeys(Held({ViewKey::W}).keys, camera, light);
    EXPECT_FLOAT_EQ(camera.camPos.x(), 0.0f);
    EXPECT_FLOAT_EQ(camera.camPos.z(), -29.5f);  // the eye, at -camPos, moved to z = 29.5
    EXPECT_FLOAT_EQ(camera.camPos.y(), -15.0f) << "pitch must not affect walking";
}

TEST(CameraKeys, WalkingForwardAtYaw90MovesTheEyeTowardsPlusX)
{
    CameraState camera;
    camera.yaw = 90.0f;
    LightRecord light = StartLight();
    ApplyCameraKeys(Held({ViewKey::W}).keys, camera, light);
    EXPECT_NEAR(-camera.camPos.x(), 0.5f, 1e-6f);
    EXPECT_NEAR(camera.camPos.z(), -30.0f, 1e-6f);
}

TEST(CameraKeys, OpposingKeysCancel)
{
    CameraState camera;
    camera.yaw = 33.0f;
    LightRecord light = StartLight();
    ApplyCameraKeys(Held({ViewKey::W, ViewKey::S, ViewKey::A, ViewKey::D, ViewKey::PageUp,
                          ViewKey::PageDown, ViewKey::Z, ViewKey::X})
                        .keys,
                    camera, light);
    EXPECT_NEAR(camera.camPos.x(), 0.0f, 1e-6f);
    EXPECT_NEAR(camera.camPos.y(), -15.0f, 1e-6f);
    EXPECT_NEAR(camera.camPos.z(), -30.0f, 1e-5f);
    EXPECT_FLOAT_EQ(light.position[0], 5.0f);
}

TEST(CameraKeys, TurningIsNeitherWrappedNorClamped)
{
    CameraState camera;
    LightRecord light = StartLight();
    const Held keys({ViewKey::Right, ViewKey::Down});
    for (int i = 0; i < 400; ++i)
        ApplyCameraKeys(keys.keys, camera, light);
    EXPECT_FLOAT_EQ(camera.yaw, 400.0f);
    EXPECT_FLOAT_EQ(camera.pitch, 420.0f);
}

TEST(CameraKeys, PageUpRaisesTheEyeAndLightKeysMoveTheLight)
{
    CameraState camera;
    LightRecord light = StartLight();
    ApplyCameraKeys(Held({ViewKey::PageUp, ViewKey::X, ViewKey::C, ViewKey::N}).keys, camera,
                    light);
    EXPECT_FLOAT_EQ(camera.camPos.y(), -16.0f);  // the eye at y = 16
    EXPECT_FLOAT_EQ(light.position[0], 5.5f);
    EXPECT_FLOAT_EQ(light.position[1], 9.5f);
    EXPECT_FLOAT_EQ(light.position[2], 18.0f);
    EXPECT_FLOAT_EQ(light.position[3], 0.0f) << "the light stays directional";
}

TEST(CameraKeys, NoKeyNoChange)
{
    CameraState camera;
    LightRecord light = StartLight();
    ApplyCameraKeys(KeyState{}, camera, light);
    EXPECT_EQ(camera.camPos, btVector3(0.0f, -15.0f, -30.0f));
    EXPECT_FLOAT_EQ(camera.yaw, 0.0f);
    EXPECT_FLOAT_EQ(camera.pitch, 20.0f);
}

TEST(Projection, AspectRatioOfAWindowWithNoHeightIsUndefined)
{
    EXPECT_FLOAT_EQ(*AspectRatio(1024, 768), 1024.0f / 768.0f);
    EXPECT_FLOAT_EQ(*AspectRatio(0, 10), 0.0f);
    EXPECT_FALSE(AspectRatio(640, 0).has_value());
    EXPECT_FALSE(AspectRatio(640, -3).has_value());
}

TEST(CameraMouse, WheelAndRightDragMoveAsTheirKeysDo)
{
    struct Case {
        ViewKey key;
        void (*move)(CameraState&);
    };
    const Case cases[] = {
        {ViewKey::W, [](CameraState& c) { WalkCamera(c, 1.0f); }},
        {ViewKey::S, [](CameraState& c) { WalkCamera(c, -1.0f); }},
        {ViewKey::Right, [](CameraState& c) { TurnCamera(c, kPixelsPerTurnStep, 0.0f); }},
        {ViewKey::Left, [](CameraState& c) { TurnCamera(c, -kPixelsPerTurnStep, 0.0f); }},
        {ViewKey::Down, [](CameraState& c) { TurnCamera(c, 0.0f, kPixelsPerTurnStep); }},
        {ViewKey::Up, [](CameraState& c) { TurnCamera(c, 0.0f, -kPixelsPerTurnStep); }},
    };
    for (const Case& c : cases) {
        CameraState byKey, byMouse;
        byKey.yaw = byMouse.yaw = 57.0f;
        LightRecord light = StartLight();
        ApplyCameraKeys(Held({c.key}).keys, byKey, light);
        c.move(byMouse);
        EXPECT_NEAR(byMouse.camPos.x(), byKey.camPos.x(), 1e-5f) << int(c.key);
        EXPECT_NEAR(byMouse.camPos.z(), byKey.camPos.z(), 1e-5f) << int(c.key);
        EXPECT_FLOAT_EQ(byMouse.yaw, byKey.yaw) << int(c.key);
        EXPECT_FLOAT_EQ(byMouse.pitch, byKey.pitch) << int(c.key);
        EXPECT_FALSE(byMouse.camPos == CameraState{}.camPos && byMouse.yaw == 57.0f &&
                     byMouse.pitch == CameraState{}.pitch)
            << "moved";
    }
}
