// The type-writer reveal drawn into the offscreen frame: when its steps fall on a
// fixed-step clock, how much of the picture shows and how it is shaded, the cursor line,
// and steps that keep their pace under a clock that jitters.
#include "effects/TypeWriter.h"
#include "resources/Texture.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int side = testgl::contextWidth;

testgl::Rgba at(float x, float yFromTop) {
    return testgl::readPixel(int(x * side), side - 1 - int(yFromTop * side));
}

// One frame as the timeline draws it, over black.
void frame(Effect& effect, uint32_t t) {
    glViewport(0, 0, side, side);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    testgl::updateAndRender(effect, t);
}

// A 16 x 16 picture: the left half red, the right half green; nearest filtering.
Texture& halvesTexture() {
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
                p[0] = x < 8 ? 255 : 0;
                p[1] = x < 8 ? 0 : 255;
                p[2] = 0;
                p[3] = 255;
            }
        }
        texture = std::make_unique<Texture>(GL_TEXTURE_2D, GL_RGBA, false);
        texture->upload(std::move(image));
        texture->setFilter(GL_NEAREST, GL_NEAREST);
    }
    return *texture;
}

DemoEvent event(int32_t id, float value, float y = 0) {
    DemoEvent made;
    made.id = id;
    made.value = value;
    made.values[0] = value;
    made.values[1] = y;
    return made;
}

class TypeWriterTest : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
    }
};

TEST_F(TypeWriterTest, StepsOnAFixedStepClockAndTheRevealedShare) {
    TypeWriter typer("typer");
    typer.texture = &halvesTexture();
    typer.start(1000);
    // Frames every 40 ms. With timerate 125 the first step comes at the first frame more
    // than 125 ms after the start: 1160 (1120 is 120). lastStep := 2 x 1160 - 1000 - 125 =
    // 1195; the next steps fall at 1360 (lastStep 2 x 1360 - 1195 - 125 = 1400), 1560
    // (1595) and 1760 (1800): 200 ms apart, timerate plus the frames it takes.
    uint32_t t = 1000;
    for (; t <= 1120; t += 40) frame(typer, t);
    EXPECT_FLOAT_EQ(typer.reveal, 0.55f);
    EXPECT_EQ(at(0.57f, 0.5f).g, 0);
    frame(typer, t);  // 1160
    EXPECT_FLOAT_EQ(typer.reveal, 0.60f);
    EXPECT_EQ(typer.lastStep, 1195u);
    EXPECT_GT(at(0.57f, 0.5f).g, 0);
    for (t += 40; t <= 1800; t += 40) frame(typer, t);
    EXPECT_NEAR(typer.reveal, 0.75f, 1e-6);
    EXPECT_EQ(typer.lastStep, 1800u);

    // The quad's colours at t = 1800, over black: grey h = maxvalue 0.9 and alpha running
    // from h on the left to fade on the right edge; fade gained Speed x 0.2 x 0.1 = 0.01 in
    // each of the 21 frames: 0.21. At x the alpha is 0.9 + (0.21 - 0.9) x x / 0.75.
    auto expected = [](float x) { return 0.9 * (0.9 + (0.21 - 0.9) * x / 0.75) * 255.0; };
    EXPECT_NEAR(at(0.3f, 0.5f).r, expected(0.3f), 3);   // the red half of the picture
    EXPECT_NEAR(at(0.7f, 0.5f).g, expected(0.7f), 3);   // the green half, squeezed by nothing
    EXPECT_EQ(at(0.7f, 0.5f).r, 0);
    EXPECT_EQ(at(0.8f, 0.5f).g, 0);                      // not yet typed
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(TypeWriterTest, FinishesAfterNineStepsAndThenBrightensSlowly) {
    TypeWriter typer("typer_done");
    typer.start(0);
    int steps = 0;
    for (uint32_t t = 10; !typer.done && t < 100000; t += 10) steps += typer.advanceTyping(t, 125);
    EXPECT_EQ(steps, 9);
    EXPECT_FLOAT_EQ(typer.greyLevel(typer.lastStep), 0.9f);
    EXPECT_NEAR(typer.greyLevel(typer.lastStep + 10000), 1.0f, 1e-5);  // 10 s x 0.00001
    // A frame before the last step's (ahead-set) time is a little darker, not white.
    EXPECT_NEAR(typer.greyLevel(typer.lastStep - 5), 0.89995f, 1e-6);
}

TEST_F(TypeWriterTest, AJitteringClockKeepsThePace) {
    TypeWriter typer("typer_jitter");
    typer.start(0);
    // One step at 130 sets lastStep to 2 x 130 - 0 - 125 = 135, ahead of the clock. A frame
    // at 133 is before it: no step (as an unsigned difference it was 4294967294 ms, and
    // every frame from there on stepped).
    EXPECT_TRUE(typer.advanceTyping(130, 125));
    EXPECT_EQ(typer.lastStep, 135u);
    EXPECT_FALSE(typer.advanceTyping(133, 125));
    EXPECT_FALSE(typer.advanceTyping(134, 125));
    EXPECT_FALSE(typer.advanceTyping(260, 125));  // 125 after lastStep: not more
    EXPECT_TRUE(typer.advanceTyping(261, 125));
    EXPECT_FLOAT_EQ(typer.reveal, 0.65f);

    // A clock of 16 ms frames that wobble by up to 6 ms either way, and now and then a
    // frame read early: steps stay at least timerate apart, and at most one frame more.
    typer.start(1000);
    const int wobble[] = {0, 6, -6, 3, -4, 5, -2, 1, -5, 6};
    uint32_t t = 1000, previousStep = 1000, previousFrame = 1000;
    int steps = 0;
    for (int i = 1; i < 80; ++i) {
        t = 1000 + uint32_t(16 * i + wobble[i % 10]);
        if (typer.advanceTyping(t, 125)) {
            if (steps > 0) {
                EXPECT_GE(t - previousStep, 125u) << "step at " << t;
                EXPECT_LE(t - previousStep, 125u + 2 * 28u) << "step at " << t;
            }
            previousStep = t;
            ++steps;
        }
        previousFrame = t;
    }
    // 1.27 s of frames: about nine steps of 125-150 ms; never more than one per frame.
    EXPECT_GE(steps, 8);
    EXPECT_LE(steps, 10);
    EXPECT_LE(typer.greyLevel(previousFrame), 0.91f);
}

TEST_F(TypeWriterTest, CursorShowsOnlyBetweenItsLimits) {
    TypeWriter typer("typer_cursor");
    typer.maxValue.current = 0.0f;  // the picture invisible: only the cursor shows
    typer.start(0);
    // The line at x = reveal, colour 0.7 at alpha 0.7 over black: 0.49 x 255 = 125.
    auto cursorAt = [&](float reveal, int row = side / 2) {
        typer.reveal = reveal;
        frame(typer, 0);
        int brightest = 0;
        for (int x = int(reveal * side) - 1; x <= int(reveal * side) + 1; ++x) {
            brightest = std::max<int>(brightest, testgl::readPixel(x, row).r);
        }
        return brightest;
    };
    EXPECT_NEAR(cursorAt(0.55f), 125, 2);
    EXPECT_EQ(cursorAt(0.3f), 0);
    EXPECT_EQ(cursorAt(0.9f), 0);
    EXPECT_EQ(cursorAt(0.25f), 0);

    // Events 44 and 45 shorten it to the upper half (y grows upwards).
    typer.handleEvent(event(eventTypeWriterCursorBottom, 0.5f));
    EXPECT_EQ(cursorAt(0.55f, side / 4), 0);
    EXPECT_NEAR(cursorAt(0.55f, side * 3 / 4), 125, 2);
    typer.handleEvent(event(eventTypeWriterCursorTop, 0.5f));
    EXPECT_FLOAT_EQ(typer.cursorY0, 0.5f);
}

TEST_F(TypeWriterTest, EventsOfItsOwnAndImagesPlacement) {
    TypeWriter typer("typer_events");
    typer.handleEvent(event(eventTypeWriterStep, 0.25f));
    EXPECT_FLOAT_EQ(typer.step, 0.25f);
    typer.handleEvent(event(eventImageAlphaFactor, 0.75f));
    EXPECT_FLOAT_EQ(typer.alphaFactor, 0.75f);
    typer.handleEvent(event(eventImageAlpha, 0.5f));
    EXPECT_FLOAT_EQ(typer.tint.alpha.current, 0.5f);
    typer.handleEvent(event(eventSpectrum, 1.0f));  // accepted, nothing drawn changes
    EXPECT_FLOAT_EQ(typer.alphaFactor, 0.75f);
    EXPECT_EQ(typer.findVariable("BlendSrc"), &typer.blendSource);  // the base one first

    // Position moves the quad right by half the screen; a start puts it back.
    typer.texture = &halvesTexture();
    typer.handleEvent(event(eventImagePosition, 0.5f));
    typer.start(0);
    EXPECT_EQ(typer.placement.position.x, 0.0f);
    typer.handleEvent(event(eventImagePosition, 0.5f));
    frame(typer, 0);
    EXPECT_EQ(at(0.3f, 0.5f).r, 0);
    EXPECT_GT(at(0.7f, 0.5f).r, 100);  // the picture's red left part, now right of centre
}

}  // namespace
