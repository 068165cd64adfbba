// The off-screen target in a real (Mesa off-screen) context: what it binds,
// what it keeps, the stencil that comes with a packed depth, and a refusal.
#include "glw/render_target.h"
#include "support/offscreen_gl.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

namespace {

GLint Integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

TEST(RenderTarget, BindsAColourAndDepthTargetKeepsItAndRefusesWhatOpenGLRefuses)
{
    testing_support::OffscreenGl gl;
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    ASSERT_TRUE(gl.Procs().HasFramebuffers());
    glw::RenderTarget target(gl.Procs());

    ASSERT_TRUE(target.Bind(96, 40, GL_DEPTH_COMPONENT24));
    const GLuint first = target.Framebuffer();
    EXPECT_NE(first, 0u);
    EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), GLint(first));
    EXPECT_GE(Integer(GL_DEPTH_BITS), 24);
    EXPECT_EQ(Integer(GL_STENCIL_BITS), 0);
    // Its colour is the target's own, all of its 96 x 40 pixels.
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    unsigned char corner[4] = {};
    glReadPixels(95, 39, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[0], 0);
    EXPECT_EQ(corner[1], 255);

    // The same size and depth: the same target, bound again.
    gl.Procs().bindFramebuffer(GL_FRAMEBUFFER, 0);
    ASSERT_TRUE(target.Bind(96, 40, GL_DEPTH_COMPONENT24));
    EXPECT_EQ(target.Framebuffer(), first);
    EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), GLint(first));

    // A packed depth brings its stencil along.
    ASSERT_TRUE(target.Bind(96, 40, GL_DEPTH24_STENCIL8));
    EXPECT_EQ(Integer(GL_STENCIL_BITS), 8);
    EXPECT_EQ(target.Width(), 96);

    // A colour format is no depth: refused, nothing kept or bound.
    EXPECT_FALSE(target.Bind(32, 32, GL_RGBA8));
    EXPECT_EQ(target.Framebuffer(), 0u);
    EXPECT_EQ(target.Width(), 0);
    EXPECT_EQ(Integer(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
