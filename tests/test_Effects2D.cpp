// Clear, Fade, Flash and Image drawn into the offscreen frame at chosen times, read back
// pixel by pixel: colours and masks, the fade's alpha from the animated time, the flash's
// steps and decay, and the picture's placement under every event.
#include "base/Globals.h"
#include "base/PngWriter.h"
#include "demoSystem/EffectVariable.h"
#include "base/lvp.h"
#include "effects/Clear.h"
#include "effects/Fade.h"
#include "effects/Flash.h"
#include "effects/Image.h"
#include "resources/Texture.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace {

constexpr int side = testgl::contextWidth;

testgl::Rgba at(float x, float yFromTop) {
    return testgl::readPixel(int(x * side), side - 1 - int(yFromTop * side));
}

// One frame as the timeline draws it: background, then update and render at t inside
// pushed matrices.
void frame(Effect& effect, uint32_t t, float background = 0.0f) {
    glViewport(0, 0, side, side);
    glClearColor(background, background, background, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    testgl::updateAndRender(effect, t);
}

DemoEvent event(int32_t id, float value = 0, const std::string& text = "", float x = 0, float y = 0, float z = 0) {
    DemoEvent made;
    made.id = id;
    made.value = value;
    made.text = text;
    made.values[0] = x;
    made.values[1] = y;
    made.values[2] = z;
    return made;
}

// T = elapsed ms / 1000 (Speed 0.005 gives a rate of 0.001 per ms).
void oneUnitPerSecond(Effect& effect) {
    effect.setSpeedValue(0.005f);
}

class Effects : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }
};

// --- Clear ---

TEST_F(Effects, ClearFillsWithItsColourWhereItsSwitchesSay) {
    Clear clear("clear");
    clear.tint.red.current = 0.2f;
    clear.tint.green.current = 0.4f;
    clear.tint.blue.current = 1.0f;
    glClearDepth(0.5);
    glClear(GL_DEPTH_BUFFER_BIT);
    frame(clear, 0, 1.0f);
    testgl::Rgba pixel = at(0.5f, 0.5f);
    EXPECT_NEAR(pixel.r, 51, 1);
    EXPECT_NEAR(pixel.g, 102, 1);
    EXPECT_EQ(pixel.b, 255);
    GLfloat depth = 0;
    glClearDepth(1.0);
    glReadPixels(64, 64, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_FLOAT_EQ(depth, 0.5f);  // the effect's glClear used the depth clear value in force

    // Colour off, depth on: the white background stays, depth is cleared.
    clear.clearColor.current = false;
    glClearDepth(0.25);
    frame(clear, 0, 1.0f);
    glReadPixels(64, 64, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(at(0.5f, 0.5f).r, 255);
    EXPECT_NEAR(depth, 0.25f, 1e-6);

    // Everything off: nothing changes and GL sees no error from the empty mask.
    clear.clearDepth.current = false;
    clear.clearStencil.current = false;
    glClearDepth(1.0);
    frame(clear, 0, 1.0f);
    glReadPixels(64, 64, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.25f, 1e-6);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Effects, ClearColourFollowsItsKeys) {
    keyEndTime = 60000;
    Clear clear("keyed");
    clear.tint.red.addKey(0.0f, 0);
    clear.tint.red.addKey(1.0f, 1000);
    frame(clear, 500);
    EXPECT_NEAR(at(0.5f, 0.5f).r, 128, 1);
}

// --- Fade ---

TEST_F(Effects, FadeVeilRunsFromOpaqueToClearWhenReversed) {
    Fade fade("fade");
    fade.tint.red.current = 1.0f;
    oneUnitPerSecond(fade);
    fade.start(0);
    frame(fade, 250, 0.0f);
    EXPECT_NEAR(at(0.5f, 0.5f).r, 191, 1);  // alpha 0.75 over black
    frame(fade, 1000, 0.0f);
    EXPECT_EQ(at(0.5f, 0.5f).r, 0);
    // Past T = 1 the reversed veil is not drawn at all.
    frame(fade, 1500, 0.5f);
    EXPECT_NEAR(at(0.5f, 0.5f).r, 128, 1);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(Effects, FadeForwardAddsItsColourAndStaysAtFullAlpha) {
    Fade fade("fade_forward");
    fade.tint.green.current = 1.0f;
    oneUnitPerSecond(fade);
    fade.handleEvent(event(eventFadeReverse, 0));
    EXPECT_FALSE(fade.reverse);
    fade.start(0);
    frame(fade, 250, 0.4f);
    testgl::Rgba pixel = at(0.5f, 0.5f);
    EXPECT_NEAR(pixel.g, 102 + 64, 2);  // added: background + 0.25
    EXPECT_NEAR(pixel.r, 102, 1);
    frame(fade, 3000, 0.0f);
    EXPECT_EQ(at(0.5f, 0.5f).g, 255);

    // Event 31: the veil covers instead of adding, until the next start.
    fade.handleEvent(event(eventFadeBlendOver, 1));
    frame(fade, 250, 0.4f);
    EXPECT_NEAR(at(0.5f, 0.5f).r, 77, 1);  // 0.4 x 0.75
    fade.start(0);
    EXPECT_FALSE(fade.blendOver);
    EXPECT_FALSE(fade.reverse);  // kept across starts
}

TEST_F(Effects, FadeDurationEvent) {
    Fade fade("fade_duration");
    fade.handleEvent(event(eventFadeDuration, 4));
    EXPECT_FLOAT_EQ(fade.speed.current, 0.25f);
    fade.handleEvent(event(eventFadeDuration, 0.00005f));
    EXPECT_FLOAT_EQ(fade.speed.current, 0.25f);
    fade.handleEvent(event(eventFadeDuration, -0.5f));
    EXPECT_FLOAT_EQ(fade.speed.current, -2.0f);  // not held to 0..1
    // Base events still reach the base: event 0 restarts the clock.
    fade.handleEvent(event(eventStart));
    EXPECT_EQ(fade.startTime(), 0u);
}

// --- Flash ---

TEST_F(Effects, FlashIsFullAtAStepDecaysAndSkipsZeroSteps) {
    beatLength = 100;
    lastAnnouncedPatternIndex = 1000;
    Flash flash("flash");
    oneUnitPerSecond(flash);
    flash.start(0);
    frame(flash, 0);
    EXPECT_EQ(at(0.5f, 0.5f).r, 255);
    EXPECT_FLOAT_EQ(flash.stepTime, 0.0f);
    frame(flash, 50);  // T = 0.05: ramp 255 - 12 = 243, e = exp(-12/255)
    EXPECT_NEAR(at(0.5f, 0.5f).r, 255.0 * std::exp(-12.0 / 255.0), 1.0);
    frame(flash, 150);  // pattern "1000": step 1 is '0'
    EXPECT_EQ(at(0.5f, 0.5f).r, 0);
    frame(flash, 420);  // step 0 again (index 4 mod 4): a new flash at T = 0.42
    EXPECT_FLOAT_EQ(flash.stepTime, 0.42f);
    EXPECT_EQ(at(0.5f, 0.5f).r, 255);
    EXPECT_FLOAT_EQ(Flash::intensity(1.0f, 0.0f), float(std::exp(-1.0)));
}

TEST_F(Effects, FlashWithoutAddBlendsByItsIntensity) {
    beatLength = 100;
    lastAnnouncedPatternIndex = 1000;
    Flash flash("flash_blend");
    flash.add.current = false;
    oneUnitPerSecond(flash);
    flash.start(0);
    frame(flash, 0);
    frame(flash, 50);
    double e = std::exp(-12.0 / 255.0);
    EXPECT_NEAR(at(0.5f, 0.5f).r, 255.0 * e * e, 1.0);
}

// --- Image ---

// Pictures come from a plain data folder: a 16 x 16 picture of quadrants red | green over
// blue | white, and a plain grey one.
class ImageEffect : public Effects {
protected:
    void SetUp() override {
        Effects::SetUp();
        // A folder of this process alone: ctest runs the cases in parallel processes.
        dir = makeTempDirectory("image-effect");
        ASSERT_FALSE(dir.empty());
        std::vector<uint8_t> quadrants(16 * 16 * 3);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                uint8_t* p = &quadrants[size_t(y * 16 + x) * 3];
                bool right = x >= 8, bottom = y >= 8;
                p[0] = (!bottom && !right) || (bottom && right) ? 255 : 0;
                p[1] = right ? 255 : 0;
                p[2] = bottom ? 255 : 0;
            }
        }
        writePng(dir + "/quadrants.png", 16, 16, 3, quadrants.data());
        std::vector<uint8_t> grey(8 * 8 * 3, 128);
        writePng(dir + "/grey.png", 8, 8, 3, grey.data());
        DataPack::usePlainDirectory(dir.c_str());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Replace blending (GL_ONE, GL_ZERO), as a script would set it: index i is stored as
    // i x 10.
    static void replaceBlend(Image& image) {
        image.blendSource.current = 10;
        image.blendDestination.current = 0;
    }
    std::string dir;
};

bool isColour(testgl::Rgba got, int r, int g, int b, int tolerance = 8) {
    return std::abs(got.r - r) <= tolerance && std::abs(got.g - g) <= tolerance && std::abs(got.b - b) <= tolerance;
}

TEST_F(ImageEffect, PictureFillsTheScreenWithItsTopLeftAtTheTopLeft) {
    Image image("picture");
    replaceBlend(image);
    image.handleEvent(event(eventImageFile, 0, "quadrants.png"));
    ASSERT_NE(image.texture, nullptr);
    frame(image, 0);
    EXPECT_TRUE(isColour(at(0.2f, 0.2f), 255, 0, 0));
    EXPECT_TRUE(isColour(at(0.8f, 0.2f), 0, 255, 0));
    EXPECT_TRUE(isColour(at(0.2f, 0.8f), 0, 0, 255));
    EXPECT_TRUE(isColour(at(0.8f, 0.8f), 255, 255, 255));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint equation = 0;
    glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
    EXPECT_EQ(equation, GL_FUNC_ADD);
}

TEST_F(ImageEffect, DefaultBlendChoicesResolveToZeroFactors) {
    // "BlendSrc" 1 and "BlendDst" 0 both resolve to GL_ZERO: the picture draws black.
    Image image("default_blend");
    image.handleEvent(event(eventImageFile, 0, "grey.png"));
    frame(image, 0, 1.0f);
    EXPECT_TRUE(isColour(at(0.5f, 0.5f), 0, 0, 0, 0));
}

TEST_F(ImageEffect, PositionRotationAndScaleEvents) {
    Image image("placed");
    replaceBlend(image);
    image.handleEvent(event(eventImageFile, 0, "quadrants.png"));
    // Position moves the quad right by half the screen (y grows upwards).
    image.handleEvent(event(eventImagePosition, 0, "", 0.5f, 0, 0));
    frame(image, 0);
    EXPECT_TRUE(isColour(at(0.2f, 0.5f), 0, 0, 0, 0));
    EXPECT_TRUE(isColour(at(0.6f, 0.2f), 255, 0, 0));
    EXPECT_TRUE(isColour(at(0.9f, 0.2f), 255, 0, 0));  // only the left half is on screen

    // 90 degrees about z, counter-clockwise: the top-left quadrant goes to the bottom-left.
    image.handleEvent(event(eventImagePosition, 0, "", 0, 0, 0));
    image.handleEvent(event(eventImageRotation, 0, "", 0, 0, 90));
    frame(image, 0);
    EXPECT_TRUE(isColour(at(0.2f, 0.8f), 255, 0, 0));
    EXPECT_TRUE(isColour(at(0.2f, 0.2f), 0, 255, 0));

    // Half size about the centre.
    image.handleEvent(event(eventImageRotation, 0, "", 0, 0, 0));
    image.handleEvent(event(eventImageScale, 0, "", 0.5f, 0.5f, 1));
    frame(image, 0);
    EXPECT_TRUE(isColour(at(0.1f, 0.1f), 0, 0, 0, 0));
    EXPECT_TRUE(isColour(at(0.3f, 0.3f), 255, 0, 0));
    EXPECT_TRUE(isColour(at(0.7f, 0.7f), 255, 255, 255));
}

TEST_F(ImageEffect, SpinGrowthAndScrollFollowTheAnimatedTime) {
    Image image("moving");
    replaceBlend(image);
    oneUnitPerSecond(image);
    image.handleEvent(event(eventImageFile, 0, "quadrants.png"));
    image.start(0);
    image.handleEvent(event(eventImageSpin, 0, "", 0, 0, 90));
    frame(image, 1000);  // T = 1: turned by 90 degrees
    EXPECT_TRUE(isColour(at(0.2f, 0.8f), 255, 0, 0));

    image.handleEvent(event(eventImageSpin, 0, "", 0, 0, 0));
    image.handleEvent(event(eventImageGrowth, 0, "", -0.25f, -0.25f, 0));
    frame(image, 2000);  // scale 1 - 2 x 0.25 = 0.5
    EXPECT_TRUE(isColour(at(0.1f, 0.1f), 0, 0, 0, 0));
    EXPECT_TRUE(isColour(at(0.3f, 0.3f), 255, 0, 0));
    image.handleEvent(event(eventImageShrink));
    frame(image, 2000);  // scale 1 + 0.5: the red quadrant covers the top-left
    EXPECT_TRUE(isColour(at(0.05f, 0.05f), 255, 0, 0));
    EXPECT_TRUE(isColour(at(0.3f, 0.3f), 255, 0, 0));
    image.handleEvent(event(eventImageGrow));
    EXPECT_TRUE(image.placement.grow);

    image.handleEvent(event(eventImageGrowth, 0, "", 0, 0, 0));
    image.handleEvent(event(eventImageScroll, 0, "", 0.5f, 0, 0));
    frame(image, 1000);  // the texture moved by half: green now at the left
    EXPECT_TRUE(isColour(at(0.2f, 0.2f), 0, 255, 0));
    EXPECT_TRUE(isColour(at(0.8f, 0.2f), 255, 0, 0));

    // A start puts every placement back.
    image.start(0);
    EXPECT_EQ(image.placement.scroll.x, 0.0f);
    EXPECT_EQ(image.placement.scale.x, 1.0f);
    EXPECT_NE(image.texture, nullptr);
}

TEST_F(ImageEffect, TintAndAlphaEvents) {
    Image image("tinted");
    image.handleEvent(event(eventImageFile, 0, "grey.png"));
    image.blendSource.current = 40;       // GL_SRC_ALPHA
    image.blendDestination.current = 50;  // GL_ONE_MINUS_SRC_ALPHA
    image.tint.red.current = 0.5f;
    image.tint.alpha.current = 0.25f;
    image.handleEvent(event(eventImageAlphaFactor, 0.5f));
    image.handleEvent(event(eventSpectrum, 1.0f));
    EXPECT_FLOAT_EQ(image.alphaOffset, 0.5f);
    frame(image, 0);
    // alpha 0.75; red tinted to 64, green and blue 128, over black.
    testgl::Rgba pixel = at(0.5f, 0.5f);
    EXPECT_NEAR(pixel.r, 48, 2);
    EXPECT_NEAR(pixel.g, 96, 2);
    image.handleEvent(event(eventImageAlpha, 0.0f));
    image.handleEvent(event(eventImageAlphaFactor, 0.0f));
    image.handleEvent(event(eventSpectrum, 1.0f));
    frame(image, 0);
    EXPECT_EQ(at(0.5f, 0.5f).g, 0);
}

TEST_F(ImageEffect, WithoutAPictureATintedQuadIsDrawn) {
    Image image("untextured");
    replaceBlend(image);
    image.tint.green.current = 0.0f;
    frame(image, 0);
    EXPECT_TRUE(isColour(at(0.5f, 0.5f), 255, 0, 255, 1));
    image.handleEvent(event(eventImageFile, 0, "missing.png"));
    EXPECT_EQ(image.texture, nullptr);
}

TEST_F(ImageEffect, LastNamedFileWinsAndDatafileCountsTheNames) {
    Image image("files");
    replaceBlend(image);
    image.addListEntry(listKindNames0, "quadrants.png");
    EXPECT_EQ(image.datafile.count, 1u);
    image.addListEntry(listKindNames0, "grey.png");
    EXPECT_EQ(image.datafile.count, 2u);
    image.addListEntry(listKindNames1000, "quadrants.png");
    EXPECT_EQ(image.datafile.count, 2u);
    image.datafile.current = 0;  // the choice does not switch the picture
    frame(image, 0);
    EXPECT_TRUE(isColour(at(0.2f, 0.2f), 128, 128, 128, 2));
    image.handleEvent(event(eventImageFile, 0, "quadrants.png"));
    frame(image, 0);
    EXPECT_TRUE(isColour(at(0.2f, 0.2f), 255, 0, 0));
}

}  // namespace
