// The fixed-function blur filter, read back from its render targets and from the frame:
// the 6-tap profile of one pass, which targets a pass count writes, the contrast pass
// with and without its boost, the glow over the capture, what an unfed or switched-off
// filter shows, and the texturing it leaves behind.
#include "base/RenderTarget.h"
#include "effects/Blur.h"
#include "effects/Drawing2D.h"
#include "tests/support/GLStateSnapshot.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int side = testgl::contextWidth;

// A source that paints a grey level over everything and, optionally, a white vertical
// line one pixel wide in the filter's 512-pixel working targets (two capture pixels).
class Painter : public Effect {
public:
    Painter() : Effect("painter") {}
    void render(uint32_t) override {
        setOrthoUnit();
        glDisable(GL_DEPTH_TEST);
        glColor4f(grey, grey, grey, 1);
        drawQuad(QuadRect{0, 0, 1, 1});
        if (lineColumn >= 0) {
            glColor4f(1, 1, 1, 1);
            drawQuad(QuadRect{lineColumn / 512.0f, 0, 1 / 512.0f, 1});
        }
        glColor4f(1, 1, 1, 1);
        glEnable(GL_DEPTH_TEST);
    }
    float grey = 0;
    int lineColumn = -1;
};

using testgl::fill;
using testgl::redAt;
using testgl::redRow;

void frameBackground(float grey) {
    glViewport(0, 0, side, side);
    glClearColor(grey, grey, grey, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

class BlurFilter : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        testgl::resetFrameState();
        blur.source = &painter;
    }
    void update(uint32_t t = 0) {
        glViewport(0, 0, side, side);
        blur.update(t);
    }
    // The render alone over a background; the frame's middle pixel.
    testgl::Rgba renderOnly(float background = 0) {
        frameBackground(background);
        blur.render(0);
        return testgl::readPixel(side / 2, side / 2);
    }
    // One frame: update, then render.
    testgl::Rgba frame(float background = 0) {
        update();
        return renderOnly(background);
    }
    bool contextMade = (testgl::context(), true);  // before the filter makes its targets
    Painter painter;
    Blur blur{"blur"};
};

TEST_F(BlurFilter, OnePassSpreadsALineOverSixTapsOfEqualWeight) {
    painter.lineColumn = 200;
    blur.doBlur.current = true;
    blur.blurOnlyX.current = true;
    blur.blurAmount.current = 0;
    fill(Blur::target(3), 0.5f);
    fill(Blur::target(4), 0.5f);
    update();
    // Weight BlurFactor 0.5 x 2 / 6 per tap. The taps sit half a pixel off the line's
    // pixel grid, so the linear filter gives each tap half the line on two columns: the
    // ends of the spread get half a tap.
    const std::vector<int> row = redRow(Blur::target(2), 256);
    const double tap = 255.0 / 6;
    const double expected[7] = {tap / 2, tap, tap, tap, tap, tap, tap / 2};
    for (int column = 190; column < 210; ++column) {
        const int offset = column - 197;
        const double want = (offset >= 0 && offset < 7) ? expected[offset] : 0.0;
        EXPECT_NEAR(row[size_t(column)], want, 2.0) << "column " << column;
    }
    // BlurAmount 0 is one pass: the other targets keep what they held.
    EXPECT_EQ(redAt(Blur::target(3), 100, 100), 128);
    EXPECT_EQ(redAt(Blur::target(4), 100, 100), 128);
}

TEST_F(BlurFilter, PassCountFollowsBlurAmountAndTheLastPassIsShown) {
    painter.grey = 0.25f;
    blur.doBlur.current = true;
    blur.blurAmount.current = 1;  // two passes: "_2", "_3"
    fill(Blur::target(4), 1.0f);
    update();
    // A flat picture stays flat: twelve taps of BlurFactor 0.5 x 2 / 12 each, every tap
    // rounded to 8 bits as it is added.
    EXPECT_NEAR(redAt(Blur::target(3), 256, 256), 64, 6);
    EXPECT_EQ(redAt(Blur::target(4), 256, 256), 255) << "a third pass ran";
    EXPECT_NEAR(renderOnly().r, 64, 6);

    blur.blurAmount.current = 3;  // four passes, the last one back into "_2"
    update();
    fill(Blur::target(4), 1.0f);
    EXPECT_NEAR(renderOnly().r, 64, 6) << "the render shows the fourth pass's target";
}

TEST_F(BlurFilter, BothOnlySwitchesLeaveThePassAClear) {
    painter.grey = 1.0f;
    blur.doBlur.current = true;
    blur.blurOnlyX.current = true;
    blur.blurOnlyY.current = true;
    blur.blurAmount.current = 0;
    fill(Blur::target(2), 1.0f);
    update();
    const std::vector<int> row = redRow(Blur::target(2), 300);
    EXPECT_EQ(*std::max_element(row.begin(), row.end()), 0);
}

TEST_F(BlurFilter, ContrastPassSubtractsAndBoostsUnlessMultiplyIsZero) {
    painter.grey = 0.5f;
    blur.doMulSub.current = true;
    blur.subtract.current = 0;
    blur.multiply.current = 0;
    update();
    EXPECT_NEAR(redAt(Blur::target(4), 256, 256), 128, 1) << "no subtraction, no boost";
    blur.multiply.current = 0.1f;
    update();
    // Four draws of (GL_DST_COLOR, GL_ONE) in colour 0.1: x (1 + 0.05) each.
    EXPECT_NEAR(redAt(Blur::target(4), 256, 256), 128 * 1.05 * 1.05 * 1.05 * 1.05, 2);
}

TEST_F(BlurFilter, ContrastAloneIsWhatTheRenderShows) {
    painter.grey = 0.5f;
    blur.doMulSub.current = true;
    blur.subtract.current = 0.5f;
    blur.multiply.current = 0;
    // Reverse subtract of half the picture at alpha 0.5: 0.5 x 0.5 - 0.25 x 0.5.
    EXPECT_NEAR(frame(1.0f).r, 32, 2);
}

TEST_F(BlurFilter, EverySwitchOffShowsTheCapture) {
    painter.grey = 0.5f;
    fill(Blur::target(2), 1.0f);
    EXPECT_NEAR(frame(1.0f).r, 128, 1);
}

TEST_F(BlurFilter, GlowAddsTheBlurOverTheCapture) {
    painter.grey = 0.25f;
    blur.doBlur.current = true;
    blur.doGlow.current = true;
    blur.blurAmount.current = 0;
    EXPECT_NEAR(frame(1.0f).r, 128, 6) << "capture 64 + blur 64";
    blur.glowStrength.current = 0.5f;
    EXPECT_NEAR(frame(1.0f).r, 96, 6) << "capture 64 + half the blur";
}

TEST_F(BlurFilter, WithoutASourceTargetsAndFrameStayAsTheyWere) {
    blur.source = nullptr;
    fill(Blur::target(1), 0.25f);
    fill(Blur::target(2), 0.5f);
    blur.doBlur.current = true;
    blur.doGlow.current = true;
    EXPECT_NEAR(frame(1.0f).r, 255, 0);
    EXPECT_EQ(redAt(Blur::target(1), 10, 10), 64);
    EXPECT_EQ(redAt(Blur::target(2), 10, 10), 128);
}

TEST_F(BlurFilter, RenderLeavesTexturingOffForTheNextPlainQuad) {
    painter.grey = 0.5f;
    blur.doBlur.current = true;
    blur.doGlow.current = true;
    frame();
    EXPECT_EQ(testgl::GLStateSnapshot::capture().valueOf("unit 0 GL_TEXTURE_2D"), "off");
    setOrthoUnit();
    glDisable(GL_DEPTH_TEST);
    glColor4f(0, 1, 0, 1);
    drawQuad(QuadRect{0, 0, 1, 1});
    glColor4f(1, 1, 1, 1);
    const testgl::Rgba pixel = testgl::readPixel(side / 2, side / 2);
    EXPECT_EQ(pixel.g, 255);
    EXPECT_EQ(pixel.r, 0);
}

}  // namespace
