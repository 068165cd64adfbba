#include "support/offscreen_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

// Guards every other test in this program: they are meaningless if the
// context is not a real renderer.
TEST(OffscreenContext, IsARealMesaRenderer)
{
    testing_support::OffscreenGl gl(8, 8);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    EXPECT_EQ(gl.Pixels()[0], 255);
    EXPECT_EQ(gl.Pixels()[1], 0);
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
}
