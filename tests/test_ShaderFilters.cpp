// The image filters that run fragment programs, read back from their targets and the
// frame: ShaderRTT's working pair chosen by event 39, its contrast and blur programs and
// the additive draws of its result; ShaderDOF blurring by the scene's depth information;
// both left alone without a source.
#include "base/RenderTarget.h"
#include "base/lvp.h"
#include "effects/Drawing2D.h"
#include "effects/ShaderDOF.h"
#include "effects/ShaderRTT.h"
#include "engine/SceneDepthTarget.h"
#include "tests/support/GLStateSnapshot.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

constexpr int side = testgl::contextWidth;

// A source painting a grey level, and optionally white vertical stripes `stripe` capture
// pixels wide and apart over its left and right halves alike.
class Painter : public Effect {
public:
    Painter() : Effect("painter") {}
    void render(uint32_t) override {
        setOrthoUnit();
        glDisable(GL_DEPTH_TEST);
        glColor4f(grey, grey, grey, 1);
        drawQuad(QuadRect{0, 0, 1, 1});
        glColor4f(1, 1, 1, 1);
        for (int x = 0; stripe > 0 && x < 1024; x += 2 * stripe) {
            drawQuad(QuadRect{x / 1024.0f, 0, stripe / 1024.0f, 1});
        }
        glEnable(GL_DEPTH_TEST);
    }
    float grey = 0;
    int stripe = 0;
};

using testgl::fill;
using testgl::redAt;
using testgl::redRow;

int contrast(const std::vector<int>& row, size_t from, size_t to) {
    auto [low, high] = std::minmax_element(row.begin() + ptrdiff_t(from), row.begin() + ptrdiff_t(to));
    return *high - *low;
}

DemoEvent event(int32_t id, float value) {
    DemoEvent made;
    made.id = id;
    made.value = value;
    return made;
}

class ShaderFilters : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        DataPack::usePlainDirectory(LUMORA_SOURCE_DIR);
        testgl::resetFrameState();
    }
    testgl::Rgba renderOnly(Effect& filter, float background = 0) {
        glViewport(0, 0, side, side);
        glClearColor(background, background, background, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        filter.render(0);
        return testgl::readPixel(side / 2, side / 2);
    }
    testgl::Rgba frame(Effect& filter, float background = 0) {
        glViewport(0, 0, side, side);
        filter.update(0);
        return renderOnly(filter, background);
    }
    Painter painter;
};

// --- ShaderRTT ---

TEST_F(ShaderFilters, EventThirtyNinePicksTheWorkingPairBySize) {
    ShaderRTT filter("rtt");
    filter.source = &painter;
    painter.grey = 0.5f;
    filter.doMulSub.current = true;
    filter.subtract.current = 0;
    filter.multiply.current = 0.1f;  // x 1
    ASSERT_FALSE(ShaderRTT::highResolution()) << "the low pair comes first";

    filter.handleEvent(event(eventShaderRTTResolution, 511));
    fill(ShaderRTT::target(3), 1.0f);
    fill(ShaderRTT::target(5), 1.0f);
    filter.update(0);
    EXPECT_EQ(ShaderRTT::target(3).width(), 128);
    EXPECT_NEAR(redAt(ShaderRTT::target(3), 64, 64), 128, 1);
    EXPECT_EQ(redAt(ShaderRTT::target(5), 256, 256), 255) << "the high pair is untouched";

    ShaderRTT other("rtt_other");  // the choice holds for every instance
    other.handleEvent(event(eventShaderRTTResolution, 512));
    EXPECT_TRUE(ShaderRTT::highResolution());
    fill(ShaderRTT::target(3), 1.0f);
    filter.update(0);
    EXPECT_NEAR(redAt(ShaderRTT::target(5), 256, 256), 128, 1);
    EXPECT_EQ(redAt(ShaderRTT::target(3), 64, 64), 255) << "the low pair is untouched";
    other.handleEvent(event(eventShaderRTTResolution, 0));
}

TEST_F(ShaderFilters, ContrastProgramSubtractsAndMultipliesByTen) {
    ShaderRTT filter("rtt_contrast");
    filter.source = &painter;
    painter.grey = 0.5f;
    filter.doMulSub.current = true;
    filter.subtract.current = 0.25f;
    filter.multiply.current = 0.2f;  // (0.5 - 0.25) x 2
    filter.update(0);
    EXPECT_NEAR(redAt(ShaderRTT::target(3), 64, 64), 128, 2);
}

TEST_F(ShaderFilters, BlurProgramSpreadsStripesAndKeepsAFlatPictureFlat) {
    ShaderRTT filter("rtt_blur");
    filter.source = &painter;
    painter.grey = 0.0f;
    painter.stripe = 32;  // 4 pixels of the 128-pixel pair
    filter.doBlur.current = true;
    filter.blurFactorX.current = 1.0f;
    filter.blurFactorY.current = 1.0f;
    filter.update(0);
    const std::vector<int> row = redRow(ShaderRTT::target(3), 64);
    EXPECT_LT(contrast(row, 32, 96), 128) << "stripes of full contrast came out sharp";
    const int total = std::accumulate(row.begin() + 32, row.begin() + 96, 0);
    EXPECT_NEAR(total / 64.0, 127.5, 16) << "the blur keeps the picture's mean";
}

TEST_F(ShaderFilters, AdditivePassesDrawTheResultOverTheGlowOncePerPass) {
    ShaderRTT filter("rtt_passes");
    filter.source = &painter;
    painter.grey = 32 / 255.0f;
    filter.doGlow.current = true;
    filter.doMulSub.current = true;
    filter.subtract.current = 0;
    filter.multiply.current = 0.1f;  // the result equals the capture
    const int once = frame(filter).r;
    EXPECT_NEAR(once, 64, 2) << "capture plus one draw";
    filter.numAdditivePasses.current = 3;  // as stored: four draws
    EXPECT_NEAR(frame(filter).r, 32 + 4 * 32, 3);
    painter.grey = 0.5f;
    EXPECT_EQ(frame(filter).r, 255) << "the additions saturate";
}

TEST_F(ShaderFilters, ShaderRTTWithEverySwitchOffShowsTheCapture) {
    ShaderRTT filter("rtt_off");
    filter.source = &painter;
    painter.grey = 0.5f;
    fill(ShaderRTT::target(3), 1.0f);
    EXPECT_NEAR(frame(filter, 1.0f).r, 128, 1);
}

TEST_F(ShaderFilters, WithoutASourceTargetsAndFrameStayAsTheyWere) {
    ShaderRTT rtt("rtt_unfed");
    ShaderDOF dof("dof_unfed");
    for (Effect* filter : {static_cast<Effect*>(&rtt), static_cast<Effect*>(&dof)}) {
        EffectVariable* glow = filter->findVariable("DoGlow");
        glow->setValue(1, 0);
        filter->findVariable("DoBlur")->setValue(1, 0);
    }
    fill(ShaderRTT::target(1), 0.25f);
    fill(ShaderRTT::target(3), 0.5f);
    fill(ShaderDOF::target(1), 0.25f);
    fill(ShaderDOF::target(5), 0.5f);
    EXPECT_EQ(frame(rtt, 1.0f).r, 255);
    EXPECT_EQ(frame(dof, 1.0f).r, 255);
    EXPECT_EQ(redAt(ShaderRTT::target(1), 10, 10), 64);
    EXPECT_EQ(redAt(ShaderRTT::target(3), 10, 10), 128);
    EXPECT_EQ(redAt(ShaderDOF::target(1), 10, 10), 64);
    EXPECT_EQ(redAt(ShaderDOF::target(5), 10, 10), 128);
}

// --- ShaderDOF ---

// The depth information: fully out of focus (red 1) over the left half, in focus (0) on
// the right.
void blurLeftHalfOnly() {
    RenderTarget& depth = sceneDepthTarget();
    depth.bind();
    glViewport(0, 0, depth.width(), depth.height());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, depth.width() / 2, depth.height());
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    depth.unbind();
}

TEST_F(ShaderFilters, DepthOfFieldBlursWhereTheDepthInformationSays) {
    EXPECT_EQ(sceneDepthTarget().width(), 1024);
    EXPECT_NE(sceneDepthTarget().depthTextureName(), 0u);
    blurLeftHalfOnly();
    ShaderDOF filter("dof");
    filter.source = &painter;
    painter.stripe = 16;  // 8 pixels of the 512-pixel pair
    filter.doBlur.current = true;
    filter.blurFactorX.current = 1.0f;
    filter.blurFactorY.current = 1.0f;
    filter.update(0);
    const std::vector<int> row = redRow(ShaderDOF::target(5), 256);
    const int blurred = contrast(row, 64, 192);
    const int sharp = contrast(row, 320, 448);
    EXPECT_GT(sharp, 240) << "in focus the stripes stay sharp";
    EXPECT_LT(blurred, sharp / 2) << "out of focus they blur";
    EXPECT_EQ(testgl::GLStateSnapshot::capture().valueOf("unit 1 GL_TEXTURE_2D"), "off");
}

TEST_F(ShaderFilters, DepthOfFieldDrawsItsResultNumAdditivePassesTimes) {
    ShaderDOF filter("dof_passes");
    filter.source = &painter;
    painter.grey = 32 / 255.0f;
    EXPECT_NEAR(frame(filter, 1.0f).r, 32, 1) << "one draw of the capture, blur off";
    filter.numAdditivePasses.current = 0;
    EXPECT_EQ(frame(filter, 1.0f).r, 255) << "no draw at all";
    filter.doGlow.current = true;
    filter.numAdditivePasses.current = 2;
    EXPECT_NEAR(frame(filter).r, 32 * 3, 3) << "the capture and two additive draws";
}

}  // namespace
