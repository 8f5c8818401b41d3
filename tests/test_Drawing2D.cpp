// Unit-square drawing read back from the offscreen frame: where each quad lands, which
// texel reaches which corner, and the state the texturing helpers and the overlay
// preamble leave behind.
#include "effects/Drawing2D.h"
#include "resources/Texture.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int side = testgl::contextWidth;  // the whole 128 x 128 context

// A 16 x 16 texture of four 8 x 8 quadrants, first row at the top: red | green over
// blue | white. Nearest filtering keeps the quadrants crisp.
Texture& quadrantTexture() {
    static std::unique_ptr<Texture> texture;
    if (!texture) {
        auto image = std::make_unique<ImageData>();
        image->width = image->height = 16;
        image->bitsPerPixel = 32;
        image->rowBytes = 64;
        image->pixels.resize(16 * 16 * 4);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                uint8_t* p = &image->pixels[size_t(y * 16 + x) * 4];
                bool right = x >= 8, bottom = y >= 8;
                p[0] = (!bottom && !right) || (bottom && right) ? 255 : 0;
                p[1] = (!bottom && right) || (bottom && right) ? 255 : 0;
                p[2] = bottom ? 255 : 0;
                p[3] = 255;
            }
        }
        texture = std::make_unique<Texture>(GL_TEXTURE_2D, GL_RGBA, false);
        texture->upload(std::move(image));
        texture->setFilter(GL_NEAREST, GL_NEAREST);
    }
    return *texture;
}

// Colour at a spot given from the top-left of the screen, in unit coordinates.
testgl::Rgba at(float x, float yFromTop) {
    return testgl::readPixel(int(x * side), side - 1 - int(yFromTop * side));
}

bool same(testgl::Rgba got, int r, int g, int b) {
    return got.r == r && got.g == g && got.b == b;
}

class Drawing : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};

TEST_F(Drawing, FullQuadPutsTheTexturesFirstRowAtTheTop) {
    setOrthoUnit();
    drawTexturedQuad(&quadrantTexture(), QuadRect{0, 0, 1, 1});
    EXPECT_TRUE(same(at(0.1f, 0.1f), 255, 0, 0));
    EXPECT_TRUE(same(at(0.9f, 0.1f), 0, 255, 0));
    EXPECT_TRUE(same(at(0.1f, 0.9f), 0, 0, 255));
    EXPECT_TRUE(same(at(0.9f, 0.9f), 255, 255, 255));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Drawing, RectanglesAreMeasuredFromTheTopLeft) {
    setOrthoUnit();
    glColor4f(0, 1, 0, 1);
    drawQuad(QuadRect{0.25f, 0.5f, 0.5f, 0.25f});
    EXPECT_TRUE(same(at(0.5f, 0.6f), 0, 255, 0));
    EXPECT_TRUE(same(at(0.5f, 0.4f), 0, 0, 0));
    EXPECT_TRUE(same(at(0.5f, 0.8f), 0, 0, 0));
    EXPECT_TRUE(same(at(0.2f, 0.6f), 0, 0, 0));
    EXPECT_TRUE(same(at(0.8f, 0.6f), 0, 0, 0));
}

TEST_F(Drawing, NullTextureDrawsInTheCurrentColourAndLeavesTexturingAlone) {
    setOrthoUnit();
    glColor4f(1, 0, 1, 1);
    drawTexturedQuad(nullptr, QuadRect{0, 0, 1, 1});
    EXPECT_TRUE(same(at(0.5f, 0.5f), 255, 0, 255));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    // Texturing that the caller enabled stays enabled.
    quadrantTexture().bind();
    glEnable(GL_TEXTURE_2D);
    drawTexturedQuadTex(nullptr, QuadRect{0, 0, 1, 1}, QuadRect{0, 0, 1, 1});
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glDisable(GL_TEXTURE_2D);
}

TEST_F(Drawing, TextureRectangleSelectsPartOfTheTexture) {
    setOrthoUnit();
    // The right half of the texture stretched over the whole screen.
    drawTexturedQuadTex(&quadrantTexture(), QuadRect{0, 0, 1, 1}, QuadRect{0.5f, 0, 0.5f, 1});
    EXPECT_TRUE(same(at(0.1f, 0.1f), 0, 255, 0));
    EXPECT_TRUE(same(at(0.1f, 0.9f), 255, 255, 255));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(Drawing, FlippedProjectionAndScreenQuad) {
    setOrthoUnitFlipped();
    glColor4f(1, 1, 0, 1);
    // With y downwards, the quad's 1 - y corners land at the bottom.
    drawQuad(QuadRect{0, 0, 1, 0.5f});
    EXPECT_TRUE(same(at(0.5f, 0.9f), 255, 255, 0));
    EXPECT_TRUE(same(at(0.5f, 0.1f), 0, 0, 0));

    setOrthoUnit();
    glColor4f(1, 1, 1, 1);
    quadrantTexture().bind();
    glEnable(GL_TEXTURE_2D);
    drawScreenQuad();
    glDisable(GL_TEXTURE_2D);
    EXPECT_TRUE(same(at(0.1f, 0.1f), 255, 0, 0));
    EXPECT_TRUE(same(at(0.9f, 0.9f), 255, 255, 255));
}

TEST_F(Drawing, MultiTexturedQuadFeedsUnitOne) {
    setOrthoUnit();
    glActiveTexture(GL_TEXTURE1);
    quadrantTexture().bind();
    glEnable(GL_TEXTURE_2D);
    drawQuadMultiTex(QuadRect{0, 0, 1, 1}, QuadRect{0, 0.5f, 1, 0.5f});
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    // The bottom half of the texture: blue | white.
    EXPECT_TRUE(same(at(0.1f, 0.1f), 0, 0, 255));
    EXPECT_TRUE(same(at(0.9f, 0.1f), 255, 255, 255));
}

TEST_F(Drawing, OverlayPreambleAndItsRestore) {
    glEnable(GL_CULL_FACE);
    beginOverlay();
    GLboolean depthWrites = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_FALSE(depthWrites);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    endOverlay();
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
}

}  // namespace
