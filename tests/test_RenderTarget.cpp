// Render targets on real GL: the nested binding stack, textures shared through the cache
// by derived names, the rounded colour texture behind the requested size, depth set-ups,
// and the fatal misuse reports.
#include "base/RenderTarget.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

GLint boundFrameBuffer() {
    GLint name = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &name);
    return name;
}

GLint colorAttachmentOf(GLint frameBuffer) {
    GLint previous = boundFrameBuffer();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(frameBuffer));
    GLint texture = 0;
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &texture);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, GLuint(previous));
    return texture;
}

GLint textureLevel0(GLuint texture, GLenum parameter) {
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, parameter, &value);
    return value;
}

void clearTo(float red, float green, float blue) {
    glClearColor(red, green, blue, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

TEST(RenderTargetBinding, NestedBindsReturnToTheTargetBelowThenToTheWindow) {
    testgl::context();
    RenderTarget outer, inner;
    outer.init("nest_outer", 16, 16, RenderTarget::rgbaColor);
    inner.init("nest_inner", 16, 16, RenderTarget::rgbaColor);
    EXPECT_EQ(boundFrameBuffer(), 0);
    glViewport(0, 0, 16, 16);

    outer.bind();
    const GLint outerName = boundFrameBuffer();
    clearTo(1, 0, 0);
    inner.bind();
    EXPECT_EQ(RenderTarget::bindingDepth(), 2u);
    clearTo(0, 1, 0);
    inner.unbind();
    EXPECT_EQ(boundFrameBuffer(), outerName);
    // Drawing goes on into the outer target: its green channel gets set too.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    clearTo(1, 1, 0);
    glDisable(GL_SCISSOR_TEST);
    outer.unbind();
    EXPECT_EQ(boundFrameBuffer(), 0);
    EXPECT_EQ(RenderTarget::bindingDepth(), 0u);

    std::vector<uint8_t> texels(16 * 16 * 4);
    glBindTexture(GL_TEXTURE_2D, outer.colorTextureName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[0], 255);
    EXPECT_EQ(texels[1], 255);
    EXPECT_EQ(texels[4 * 5 + 1], 0);  // away from the scissored texel: red only
    glBindTexture(GL_TEXTURE_2D, inner.colorTextureName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[0], 0);
    EXPECT_EQ(texels[1], 255);
}

TEST(RenderTargetTextures, SameNameSharesTheColourTexture) {
    testgl::context();
    RenderTarget first, second, other;
    first.init("glow", 64, 64, RenderTarget::rgbaColor);
    second.init("glow", 64, 64, RenderTarget::rgbaColor);
    other.init("glow2", 64, 64, RenderTarget::rgbaColor);
    EXPECT_EQ(first.colorTextureName(), second.colorTextureName());
    EXPECT_NE(first.colorTextureName(), other.colorTextureName());
    // Both frame buffers draw into that one texture.
    first.bind();
    const GLint firstBuffer = boundFrameBuffer();
    first.unbind();
    second.bind();
    const GLint secondBuffer = boundFrameBuffer();
    second.unbind();
    EXPECT_NE(firstBuffer, secondBuffer);
    EXPECT_EQ(colorAttachmentOf(firstBuffer), colorAttachmentOf(secondBuffer));
}

TEST(RenderTargetTextures, ColourTextureIsRoundedButTheSizeIsAsRequested) {
    testgl::context();
    RenderTarget target;
    target.init("rounded", 320, 240, 0);
    EXPECT_EQ(target.width(), 320);
    EXPECT_EQ(target.height(), 240);
    EXPECT_EQ(textureLevel0(target.colorTextureName(), GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(textureLevel0(target.colorTextureName(), GL_TEXTURE_HEIGHT), 256);
    EXPECT_EQ(textureLevel0(target.colorTextureName(), GL_TEXTURE_ALPHA_SIZE), 0);  // RGB without flag 4
    RenderTarget rgba;
    rgba.init("rounded_rgba", 8, 8, RenderTarget::rgbaColor);
    EXPECT_GT(textureLevel0(rgba.colorTextureName(), GL_TEXTURE_ALPHA_SIZE), 0);
}

TEST(RenderTargetTextures, DepthTextureForShadowComparison) {
    testgl::context();
    RenderTarget shadow;
    shadow.init("shadowmap", 64, 64, RenderTarget::withDepth | RenderTarget::depthCompare);
    glBindTexture(GL_TEXTURE_2D, shadow.depthTextureName());
    GLint mode = 0, function = 0, wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, &mode);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, &function);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(mode, GL_COMPARE_R_TO_TEXTURE_ARB);
    EXPECT_EQ(function, GL_LEQUAL);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
    EXPECT_GT(textureLevel0(shadow.depthTextureName(), GL_TEXTURE_DEPTH_SIZE), 0);

    // Without flag 2 the depth texture keeps no comparison; depth testing works inside.
    RenderTarget plain;
    plain.init("plaindepth", 32, 32, RenderTarget::withDepth | RenderTarget::rgbaColor);
    glBindTexture(GL_TEXTURE_2D, plain.depthTextureName());
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, &mode);
    EXPECT_EQ(mode, GL_NONE);
    plain.bind();
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    plain.unbind();
    EXPECT_GT(depthBits, 0);
}

TEST(RenderTargetTextures, TextureParametersGoToTheColourTexture) {
    testgl::context();
    RenderTarget target;
    target.init("wrapped", 16, 16, RenderTarget::rgbaColor);
    target.setTextureParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, target.colorTextureName());
    GLint wrap = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
}

TEST(RenderTargetDeathTest, UseBeforeInitIsFatal) {
    RenderTarget target;
    EXPECT_FALSE(target.isInited());
    const char* expected = "base/RenderTarget.cpp:[0-9]+ RenderTarget not inited";
    EXPECT_EXIT(target.bind(), testing::ExitedWithCode(1), expected);
    EXPECT_EXIT(target.unbind(), testing::ExitedWithCode(1), expected);
    EXPECT_EXIT(target.width(), testing::ExitedWithCode(1), expected);
    EXPECT_EXIT(target.colorTextureName(), testing::ExitedWithCode(1), expected);
    EXPECT_EXIT(target.setTextureParameter(GL_TEXTURE_WRAP_S, GL_REPEAT), testing::ExitedWithCode(1), expected);
}

TEST(RenderTargetDeathTest, UnbalancedUnbindAndMissingDepthAreAssertions) {
    testgl::context();
    RenderTarget target;
    target.init("unbalanced", 8, 8, 0);
    EXPECT_EXIT(target.unbind(), testing::ExitedWithCode(1), "base/RenderTarget.cpp:[0-9]+ assertion failed");
    EXPECT_EXIT(target.depthTextureName(), testing::ExitedWithCode(1), "base/RenderTarget.cpp:[0-9]+ assertion failed");
}

}  // namespace
