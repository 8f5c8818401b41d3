// FramebufferScroll, LineDistortion, Mosaic, RotoZoom, Noise and TechnoNoise drawn into
// the offscreen frame over sources of known pictures and read back: offsets and wrap,
// strip shifts, mosaic blocks and brightening, turns and zooms, static and scan lines,
// with and without the demo's fragment programs.
#include "base/PngWriter.h"
#include "base/RenderTarget.h"
#include "base/lvp.h"
#include "demoSystem/EffectVariable.h"
#include "effects/Drawing2D.h"
#include "effects/FramebufferScroll.h"
#include "effects/LineDistortion.h"
#include "effects/Mosaic.h"
#include "effects/Noise.h"
#include "effects/RotoZoom.h"
#include "effects/TechnoNoise.h"
#include "resources/ImageLibrary.h"
#include "resources/Texture.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

constexpr int side = testgl::contextWidth;

testgl::Rgba at(float x, float yFromTop) {
    return testgl::readPixel(int(x * side), side - 1 - int(yFromTop * side));
}

struct Colour {
    int r, g, b;
};

void expectColour(const testgl::Rgba& pixel, Colour expected, int tolerance, const char* where) {
    EXPECT_NEAR(pixel.r, expected.r, tolerance) << where;
    EXPECT_NEAR(pixel.g, expected.g, tolerance) << where;
    EXPECT_NEAR(pixel.b, expected.b, tolerance) << where;
}

// A source of known pictures: rectangles of colour in unit coordinates, y running down
// from the top as a picture's rows do. Like the demo's overlays it leaves the depth test
// and depth writes on.
class Regions : public Effect {
public:
    struct Region {
        float x0, y0, x1, y1;
        float red, green, blue;
    };
    explicit Regions(std::vector<Region> pictured) : Effect("regions"), regions(std::move(pictured)) {}
    void render(uint32_t) override {
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        setOrthoUnitFlipped();
        for (const Region& region : regions) {
            glColor3f(region.red, region.green, region.blue);
            glBegin(GL_QUADS);
            glVertex2f(region.x0, region.y0);
            glVertex2f(region.x1, region.y0);
            glVertex2f(region.x1, region.y1);
            glVertex2f(region.x0, region.y1);
            glEnd();
        }
        glColor4f(1, 1, 1, 1);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
    }
    std::vector<Region> regions;
};

Regions uniformSource(float red, float green, float blue) {
    return Regions({{0, 0, 1, 1, red, green, blue}});
}

// Red left half, blue right half.
Regions halvesSource(float value = 1.0f) {
    return Regions({{0, 0, 0.5f, 1, value, 0, 0}, {0.5f, 0, 1, 1, 0, 0, value}});
}

// Red top-left, green top-right, blue bottom-left, white bottom-right.
Regions quadrantsSource() {
    return Regions({{0, 0, 0.5f, 0.5f, 1, 0, 0},
                    {0.5f, 0, 1, 0.5f, 0, 1, 0},
                    {0, 0.5f, 0.5f, 1, 0, 0, 1},
                    {0.5f, 0.5f, 1, 1, 1, 1, 1}});
}

// One frame as the timeline draws it: background, then update and render at t inside
// pushed matrices.
void frame(Effect& effect, uint32_t t, float background = 0.0f) {
    glViewport(0, 0, side, side);
    glClearColor(background, background, background, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    testgl::updateAndRender(effect, t);
}

std::vector<uint8_t> wholeFrame() {
    return testgl::readRgba(0, 0, side, side);
}

DemoEvent event(int32_t id, float value = 0, const std::string& text = "") {
    DemoEvent made;
    made.id = id;
    made.value = value;
    made.text = text;
    return made;
}

// T = elapsed ms / 1000.
void oneUnitPerSecond(Effect& effect) {
    effect.setSpeedValue(0.005f);
}

// The effect blend as scripts set it for a picture that replaces the frame: BlendSrc 1
// (stored as 1 x 10), BlendDst 0.
void replaceBlend(Effect& effect) {
    effect.blendSource.current = 10;
    effect.blendDestination.current = 0;
}

// Event 36 with a shipped program, read from the source tree as the plain data folder.
void attachShippedProgram(Effect& effect, const char* base) {
    DataPack::usePlainDirectory(LUMORA_SOURCE_DIR);
    effect.handleEvent(event(eventSetProgram, 0, std::string("data/shaders/") + base + ".glsl"));
    ASSERT_NE(effect.program, nullptr);
}

std::vector<uint8_t> textureTexels(uint32_t name, int width, int height) {
    std::vector<uint8_t> texels(size_t(width) * size_t(height) * 4);
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

class ImageEffects : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        std::srand(1);
    }
};

// --- FramebufferScroll ---

TEST_F(ImageEffects, ScrollOffsetGrowsWithTimeWrapsAndFollowsItsDirection) {
    Regions picture = halvesSource();
    FramebufferScroll scroll("scroll");
    scroll.source = &picture;
    replaceBlend(scroll);
    oneUnitPerSecond(scroll);
    scroll.factorX.current = 0.25f;
    scroll.start(0);

    // T = 0: no offset whatever the factors.
    frame(scroll, 0);
    expectColour(at(0.3f, 0.5f), {255, 0, 0}, 1, "unmoved left");
    expectColour(at(0.7f, 0.5f), {0, 0, 255}, 1, "unmoved right");

    // T = 1: the screen's left edge shows u = 0.25, so x samples x + 0.25 and the picture
    // moves left; x = 0.8 samples 1.05, which wraps to 0.05 (red).
    frame(scroll, 1000);
    expectColour(at(0.1f, 0.5f), {255, 0, 0}, 1, "0.35");
    expectColour(at(0.3f, 0.5f), {0, 0, 255}, 1, "0.55");
    expectColour(at(0.8f, 0.5f), {255, 0, 0}, 1, "1.05 wrapped");

    // Vertically: v runs up the screen, so FactorY 0.25 moves the picture down a quarter.
    // Red top, blue bottom; a point 0.3 above the bottom samples 0.55 (the red top half),
    // one 0.9 above it samples 1.15, wrapped to 0.15 (blue).
    Regions topBottom({{0, 0, 1, 0.5f, 1, 0, 0}, {0, 0.5f, 1, 1, 0, 0, 1}});
    scroll.source = &topBottom;
    scroll.factorX.current = 0;
    scroll.factorY.current = 0.25f;
    frame(scroll, 1000);
    expectColour(at(0.5f, 0.7f), {255, 0, 0}, 1, "0.55 from the bottom");
    expectColour(at(0.5f, 0.9f), {0, 0, 255}, 1, "0.35 from the bottom");
    expectColour(at(0.5f, 0.1f), {0, 0, 255}, 1, "1.15 wrapped");
    expectColour(at(0.5f, 0.4f), {255, 0, 0}, 1, "0.85 from the bottom");
}

TEST_F(ImageEffects, ScrollTintsMultipliesItsOverlayAndDrawsNothingWithoutSource) {
    std::string dir = makeTempDirectory("scroll-overlay");
    std::vector<uint8_t> halves(8 * 8 * 3, 0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 4; ++x) {
            std::fill_n(&halves[size_t(y * 8 + x) * 3], 3, uint8_t(255));  // white left, black right
        }
    }
    ASSERT_TRUE(writePng(dir + "/halves.png", 8, 8, 3, halves.data()));
    DataPack::usePlainDirectory(dir.c_str());

    Regions white = uniformSource(1, 1, 1);
    FramebufferScroll scroll("scroll_overlay");
    scroll.source = &white;
    replaceBlend(scroll);
    scroll.factorX.current = 0;
    scroll.tint.green.current = 0.5f;
    scroll.handleEvent(event(eventScrollOverlay, 0, "halves.png"));
    ASSERT_NE(scroll.overlay, nullptr);
    frame(scroll, 0);
    expectColour(at(0.25f, 0.5f), {255, 128, 255}, 1, "white overlay texel");
    expectColour(at(0.75f, 0.5f), {0, 0, 0}, 0, "black overlay texel");
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // Without a source the frame stays as it was, overlay or not.
    scroll.source = nullptr;
    frame(scroll, 0, 0.5f);
    expectColour(at(0.25f, 0.5f), {128, 128, 128}, 1, "no source");
    std::filesystem::remove_all(dir);
}

TEST_F(ImageEffects, ScrollRunsItsProgramWithTheFactors) {
    Regions white = uniformSource(1, 1, 1);
    FramebufferScroll scroll("scroll_program");
    scroll.source = &white;
    replaceBlend(scroll);
    attachShippedProgram(scroll, "fragment_tint");
    // Factors (1, 0.5, 0, 1): the brightness (1 for white) painted amber, fully mixed.
    scroll.factor0.current = 1.0f;
    scroll.factor1.current = 0.5f;
    scroll.factor3.current = 1.0f;
    frame(scroll, 0);
    expectColour(at(0.5f, 0.5f), {255, 128, 0}, 1, "amber");
    // At the factors' defaults the program leaves the picture as it is.
    scroll.factor0.current = scroll.factor1.current = scroll.factor3.current = 0;
    frame(scroll, 0);
    expectColour(at(0.5f, 0.5f), {255, 255, 255}, 1, "unchanged");
    GLint pipeline = -1;
    glGetIntegerv(GL_PROGRAM_PIPELINE_BINDING, &pipeline);
    EXPECT_EQ(pipeline, 0);
}

// --- LineDistortion ---

TEST(LineDistortionShift, FollowsTheWaveAndCountsNotANumberAsZero) {
    // p = 32, F = 20, G = 0.2: angle 32 x 20 / 512 x 0.2 x 6.28 = 1.57, sin = 0.99999968;
    // r = 0.8 x that; E = 1, A = 1: s = r / 2 = 0.4.
    EXPECT_NEAR(LineDistortion::stripShift(32, 20, 0.2f, 1, 1, 0), 0.4f, 1e-6);
    // The noise alone (p = 0): 32767 x 3.0518509e-05 x 0.2 = 0.2; E = 2, A = 0.5: 0.01.
    EXPECT_NEAR(LineDistortion::stripShift(0, 20, 0.2f, 2, 0.5f, 32767), 0.01f, 1e-6);
    // p = 96: angle 4.71, r = -0.8. An odd whole exponent keeps the sign: -0.512 / 2.
    EXPECT_NEAR(LineDistortion::stripShift(96, 20, 0.2f, 3, 1, 0), -0.256f, 1e-5);
    // A fractional power of a negative r is not a number: the strip stays put.
    EXPECT_EQ(LineDistortion::stripShift(96, 20, 0.2f, 0.5f, 1, 0), 0.0f);
    EXPECT_EQ(LineDistortion::stripShift(96, 20, 0.2f, 0.5f, 0, 0), 0.0f);
    EXPECT_EQ(LineDistortion::stripShift(0, 20, 0.2f, 5, 0, 12345), 0.0f);  // no amplitude
}

TEST_F(ImageEffects, LineDistortionWithoutAmplitudeShowsTheSourceUnshifted) {
    Regions picture = quadrantsSource();
    LineDistortion lines("lines_still");
    lines.source = &picture;
    replaceBlend(lines);
    lines.maxAmplitude.current = 0;
    frame(lines, 0);
    expectColour(at(0.25f, 0.25f), {255, 0, 0}, 1, "top-left");
    expectColour(at(0.75f, 0.25f), {0, 255, 0}, 1, "top-right");
    expectColour(at(0.25f, 0.75f), {0, 0, 255}, 1, "bottom-left");
    expectColour(at(0.75f, 0.75f), {255, 255, 255}, 1, "bottom-right");
    expectColour(at(0.01f, 0.99f), {0, 0, 255}, 1, "bottom-left corner");
    const float* coords = LineDistortion::stripTexCoords();
    ASSERT_NE(coords, nullptr);
    for (int i = 0; i < LineDistortion::stripCount; ++i) {
        ASSERT_EQ(coords[i * 8], 0.0f) << "strip " << i;
        ASSERT_EQ(coords[i * 8 + 4], 1.0f) << "strip " << i;
    }
}

TEST_F(ImageEffects, LineDistortionDefaultWaveKeepsAUniformSourceUniform) {
    Regions grey = uniformSource(0.2f, 0.4f, 0.8f);
    LineDistortion lines("lines_wave");
    lines.source = &grey;
    replaceBlend(lines);
    frame(lines, 0);
    // The strips do move (the wave is on), but the capture clamps at its edges, so a
    // uniform picture stays uniform: 0.2, 0.4, 0.8 of 255.
    const float* coords = LineDistortion::stripTexCoords();
    int moved = 0;
    for (int i = 0; i < LineDistortion::stripCount; ++i) moved += coords[i * 8] != 0.0f;
    EXPECT_GT(moved, 100);
    std::vector<uint8_t> pixels = wholeFrame();
    for (size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_NEAR(pixels[i], 51, 1) << "pixel " << i / 4;
        ASSERT_NEAR(pixels[i + 1], 102, 1) << "pixel " << i / 4;
        ASSERT_NEAR(pixels[i + 2], 204, 1) << "pixel " << i / 4;
    }
}

TEST_F(ImageEffects, LineDistortionPhaseAdvancesAtEveryRenderOfAnyInstance) {
    Regions grey = uniformSource(0.5f, 0.5f, 0.5f);
    LineDistortion first("lines_a");
    LineDistortion second("lines_b");
    first.source = second.source = &grey;
    second.magic2.current = 0.25f;
    LineDistortion::setPhase(10);
    frame(first, 0);
    frame(second, 0);
    EXPECT_FLOAT_EQ(LineDistortion::phase(), 11.25f);
    second.source = nullptr;  // no source: no render, no advance
    frame(second, 0);
    EXPECT_FLOAT_EQ(LineDistortion::phase(), 11.25f);
}

TEST_F(ImageEffects, LineDistortionWithAFractionalExponentShiftsOnlyByNumbers) {
    Regions picture = halvesSource();
    LineDistortion lines("lines_fraction");
    lines.source = &picture;
    replaceBlend(lines);
    lines.magic3.current = 0.5f;  // half the wave is negative: its square root is no number
    lines.maxAmplitude.current = 0.02f;
    frame(lines, 0);
    const float* coords = LineDistortion::stripTexCoords();
    int still = 0;
    for (int i = 0; i < LineDistortion::stripCount; ++i) {
        ASSERT_TRUE(std::isfinite(coords[i * 8])) << "strip " << i;
        ASSERT_LE(std::fabs(coords[i * 8]), 0.01f) << "strip " << i;
        still += coords[i * 8] == 0.0f;
    }
    EXPECT_GT(still, 50);
    // Shifts of at most 0.01 keep both halves in place away from the seam.
    expectColour(at(0.25f, 0.5f), {255, 0, 0}, 1, "left");
    expectColour(at(0.75f, 0.5f), {0, 0, 255}, 1, "right");
}

TEST_F(ImageEffects, LineDistortionRunsItsProgramWithTheFactors) {
    Regions white = uniformSource(1, 1, 1);
    LineDistortion lines("lines_program");
    lines.source = &white;
    replaceBlend(lines);
    attachShippedProgram(lines, "fragment_tint");
    lines.factor1.current = 1.0f;  // (0, 1, 0, 1): brightness 1 painted green
    lines.factor3.current = 1.0f;
    frame(lines, 0);
    expectColour(at(0.5f, 0.5f), {0, 255, 0}, 1, "green");
    GLint pipeline = -1;
    glGetIntegerv(GL_PROGRAM_PIPELINE_BINDING, &pipeline);
    EXPECT_EQ(pipeline, 0);
}

// --- Mosaic ---

TEST_F(ImageEffects, MosaicBrightenDoublesPerPowerOfTwoAndOnceMore) {
    // n: 0 and 1 double once; 2 and 3 twice; 4 three times; 8 four times.
    const int factors[][2] = {{0, 2}, {1, 2}, {2, 4}, {3, 4}, {4, 8}, {8, 16}};
    for (const auto& [n, factor] : factors) {
        glViewport(0, 0, side, side);
        glClearColor(8 / 255.0f, 8 / 255.0f, 8 / 255.0f, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // With the depth test on the equal-depth quads would fail after the first.
        glEnable(GL_DEPTH_TEST);
        Mosaic::brighten(n);
        EXPECT_NEAR(at(0.5f, 0.5f).r, 8 * factor, 1) << "n = " << n;
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "kept as found";
    }
    glDisable(GL_DEPTH_TEST);
    EXPECT_FLOAT_EQ(Mosaic::zoomAt(0), 1.0f / 64);
    EXPECT_FLOAT_EQ(Mosaic::zoomAt(50), 1.0f / 64 + 0.5f);
    EXPECT_FLOAT_EQ(Mosaic::zoomAt(95.4375f), 0.97f);
    EXPECT_FLOAT_EQ(Mosaic::zoomAt(500), 0.97f);
}

TEST_F(ImageEffects, MosaicBlockColourAndBrighteningAreTheSameOnTheFirstAndSecondFrame) {
    // c = 48: the small copies are brightened by 4 (192); Saturation 0.2 gives n = 2, so
    // the blocks are too (192); each pixel is block x copy = 192 x 192 / 255 = 144.6.
    Regions dark = uniformSource(48 / 255.0f, 48 / 255.0f, 48 / 255.0f);
    Mosaic mosaic("mosaic_frames");
    mosaic.source = &dark;
    mosaic.saturation.current = 0.2f;
    frame(mosaic, 0);
    std::vector<uint8_t> first = wholeFrame();
    expectColour(at(0.5f, 0.5f), {145, 145, 145}, 2, "first frame");
    frame(mosaic, 0);
    expectColour(at(0.5f, 0.5f), {145, 145, 145}, 2, "second frame");
    EXPECT_EQ(wholeFrame(), first);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ImageEffects, MosaicBlockAtTZeroIsTheCentreOrTheCornerTexel) {
    // At T = 0 one block fills the screen and one copy of the picture lies over it. Red
    // left, blue right at 48: copies 192 red / 192 blue; Saturation 0.2 brightens by 4.
    Regions picture = halvesSource(48 / 255.0f);
    Mosaic mosaic("mosaic_block");
    mosaic.source = &picture;
    mosaic.saturation.current = 0.2f;
    // About the centre the block is low-resolution texel (32, 32), on the blue side: blue
    // block x red copy is black, blue x blue 144.6.
    frame(mosaic, 0);
    expectColour(at(0.25f, 0.5f), {0, 0, 0}, 1, "centred, left");
    expectColour(at(0.75f, 0.5f), {0, 0, 145}, 2, "centred, right");
    // About the corner it is texel (0, 0): red.
    mosaic.zoomCenter.current = false;
    frame(mosaic, 0);
    expectColour(at(0.25f, 0.5f), {145, 0, 0}, 2, "corner, left");
    expectColour(at(0.75f, 0.5f), {0, 0, 0}, 1, "corner, right");

    // Later the blocks are smaller: at T = 30.4375 (d = 0.32) a screen's width spans
    // 0.32 x 64 = 20.5 blocks, 20.5 copies of the picture: both colours show up.
    mosaic.zoomCenter.current = true;
    oneUnitPerSecond(mosaic);
    mosaic.start(0);
    frame(mosaic, 30437);
    std::vector<uint8_t> pixels = wholeFrame();
    int red = 0, blue = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        red += pixels[i] > 100;
        blue += pixels[i + 2] > 100;
    }
    EXPECT_GT(red, 1000);
    EXPECT_GT(blue, 1000);
}

// --- RotoZoom ---

TEST_F(ImageEffects, RotoZoomTurnsAQuarterAtZoomOne) {
    // T = 6.435 = 10 acos(0.8): z = 5 + 5 sin(0.6435 - pi/2) = 5 - 5 x 0.8 = 1. RotSpeed
    // 90 / (20 x 6.435) turns the texture 90 degrees anticlockwise about the centre, so
    // screen (u, v) shows the picture at (1 - v, u): the picture turns clockwise.
    Regions picture = quadrantsSource();
    RotoZoom roto("roto_turn");
    roto.source = &picture;
    oneUnitPerSecond(roto);
    roto.rotationSpeed.current = 90.0f / (20.0f * 6.435f);
    roto.start(0);
    EXPECT_NEAR(RotoZoom::zoomAt(6.435f), 1.0f, 1e-4);
    frame(roto, 6435);
    expectColour(at(0.25f, 0.25f), {0, 0, 255}, 1, "top-left shows bottom-left");
    expectColour(at(0.75f, 0.25f), {255, 0, 0}, 1, "top-right shows top-left");
    expectColour(at(0.75f, 0.75f), {0, 255, 0}, 1, "bottom-right shows top-right");
    expectColour(at(0.25f, 0.75f), {255, 255, 255}, 1, "bottom-left shows bottom-right");

    // Without a source the last capture is drawn again, tinted.
    roto.source = nullptr;
    roto.tint.red.current = 0.5f;
    frame(roto, 6435);
    expectColour(at(0.25f, 0.75f), {128, 255, 255}, 1, "last capture, tinted");
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(ImageEffects, RotoZoomFirstFrameShowsTheCentreColourEverywhere) {
    // At T = 0 the zoom is 1e-7: every pixel samples the picture's centre.
    Regions picture({{0, 0, 1, 1, 0, 0, 0}, {0.25f, 0.25f, 0.75f, 0.75f, 1, 1, 0}});
    RotoZoom roto("roto_first");
    roto.source = &picture;
    roto.start(0);
    frame(roto, 0);
    std::vector<uint8_t> pixels = wholeFrame();
    for (size_t i = 0; i < pixels.size(); i += 4) {
        ASSERT_EQ(pixels[i], 255) << "pixel " << i / 4;
        ASSERT_EQ(pixels[i + 1], 255) << "pixel " << i / 4;
        ASSERT_EQ(pixels[i + 2], 0) << "pixel " << i / 4;
    }
    // At T = 10 pi the zoom peaks at 10.
    EXPECT_NEAR(RotoZoom::zoomAt(31.415926f), 10.0f, 1e-4);
}

// --- Noise ---

// The static's grey at a screen pixel (column, row from the top) with the offset (0, 0):
// the pixel's centre samples texel 8 column + 4 of the 1024-texel layer and 4 column + 2
// of the 512-texel one, rows alike (v = 0 at the top under the upward projection).
struct StaticLayers {
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
    float at(int column, int rowFromTop, bool averaged) const {
        const float a = first[(size_t(8 * rowFromTop + 4) * 1024 + size_t(8 * column + 4)) * 4] / 255.0f;
        const float b = second[(size_t(4 * rowFromTop + 2) * 512 + size_t(4 * column + 2)) * 4] / 255.0f;
        return averaged ? (a + b) / 2 : a * b;
    }
};

StaticLayers layersOf(const Noise& noise) {
    return {textureTexels(noise.noise1->name(), 1024, 1024), textureTexels(noise.noise2->name(), 512, 512)};
}

// What a pixel of grey g becomes over a black frame with colour alpha a: the source
// (g, alpha a g) blended by its alpha, g x a g.
float overBlack(float grey, float alpha) {
    return grey * alpha * grey * 255.0f;
}

TEST_F(ImageEffects, NoiseAtAlphaZeroLeavesTheFrameAndTheSpectrumRaisesItsAlpha) {
    Noise noise("noise_alpha");
    Noise::noiseOffset() = QuadRect{0, 0, 1, 1};
    noise.tint.alpha.current = 0;
    frame(noise, 0, 0.5f);
    std::vector<uint8_t> pixels = wholeFrame();
    for (size_t i = 0; i < pixels.size(); i += 4) ASSERT_NEAR(pixels[i], 128, 1) << "pixel " << i / 4;

    // Event 5 with SpectrumStr 1 and level 0.5: alpha 0 + 0.5.
    noise.spectrumStrength.current = 1.0f;
    noise.handleEvent(event(eventSpectrum, 0.5f));
    EXPECT_FLOAT_EQ(noise.spectrumLevel(), 0.5f);
    frame(noise, 0);
    StaticLayers layers = layersOf(noise);
    for (int column : {3, 40, 77, 127}) {
        for (int row : {0, 19, 64, 100}) {
            const float grey = layers.at(column, row, false);
            EXPECT_NEAR(testgl::readPixel(column, side - 1 - row).r, overBlack(grey, 0.5f), 2)
                << column << ", " << row;
        }
    }
}

TEST_F(ImageEffects, NoiseStandsStillUnlessAnimated) {
    Noise noise("noise_animate");
    Noise::noiseOffset() = QuadRect{0, 0, 1, 1};
    frame(noise, 0);
    std::vector<uint8_t> first = wholeFrame();
    frame(noise, 40);
    EXPECT_EQ(wholeFrame(), first);

    noise.animate.current = true;
    frame(noise, 80);
    QuadRect jumped = Noise::noiseOffset();
    EXPECT_NE(wholeFrame(), first);
    frame(noise, 120);
    EXPECT_TRUE(Noise::noiseOffset().x != jumped.x || Noise::noiseOffset().y != jumped.y);
    for (float value : {jumped.x, jumped.y, Noise::noiseOffset().x, Noise::noiseOffset().y}) {
        EXPECT_GE(value, 0.0f);
        EXPECT_LE(value, 1.0f);
    }
    // Animate off again: the offset is kept.
    noise.animate.current = false;
    QuadRect kept = Noise::noiseOffset();
    frame(noise, 160);
    EXPECT_EQ(Noise::noiseOffset().x, kept.x);
    EXPECT_EQ(Noise::noiseOffset().y, kept.y);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
}

TEST_F(ImageEffects, NoiseProgramAveragesTheTwoLayers) {
    Noise noise("noise_program");
    Noise::noiseOffset() = QuadRect{0, 0, 1, 1};
    attachShippedProgram(noise, "fragment_noise");
    frame(noise, 0);
    StaticLayers layers = layersOf(noise);
    for (int column : {5, 66, 120}) {
        for (int row : {2, 50, 111}) {
            const float grey = layers.at(column, row, true);
            EXPECT_NEAR(testgl::readPixel(column, side - 1 - row).r, overBlack(grey, 1.0f), 2)
                << column << ", " << row;
        }
    }
    GLint pipeline = -1;
    glGetIntegerv(GL_PROGRAM_PIPELINE_BINDING, &pipeline);
    EXPECT_EQ(pipeline, 0);
}

// --- TechnoNoise ---

TEST_F(ImageEffects, TechnoNoiseScanLinesAverageOddAndEvenRows) {
    // c = 0.4. The lined copy holds c on odd rows and 0 on even ones; drawn at 128 rows
    // each pixel takes one of each, c / 2, added over the capture: 0.4 + 0.2 = 0.6 (153).
    Regions grey = uniformSource(0.4f, 0.4f, 0.4f);
    TechnoNoise techno("techno_lines");
    techno.source = &grey;
    replaceBlend(techno);
    techno.scaleSizeX.current = techno.scaleSizeY.current = 1;
    frame(techno, 0);
    std::vector<uint8_t> lined = textureTexels(TechnoNoise::linesTarget().colorTextureName(), 512, 512);
    for (int row : {0, 1, 2, 255, 510, 511}) {
        EXPECT_NEAR(lined[size_t(row) * 512 * 4 + 40], row % 2 ? 102 : 0, 1) << "row " << row;
    }
    std::vector<uint8_t> pixels = wholeFrame();
    for (size_t i = 0; i < pixels.size(); i += 4) ASSERT_NEAR(pixels[i], 153, 2) << "pixel " << i / 4;

    // ScaleAlpha 0.5: c + c / 4 = 0.5 (128).
    techno.scaleAlpha.current = 0.5f;
    frame(techno, 0);
    EXPECT_NEAR(at(0.5f, 0.5f).r, 128, 2);
}

TEST_F(ImageEffects, TechnoNoiseScalesTheLinedCopyAboutItsOffset) {
    // Half size about the top-left corner: the lined copy covers the top-left quarter
    // only (at 64 pixels for 512 rows each pixel still averages one odd and one even).
    Regions grey = uniformSource(0.4f, 0.4f, 0.4f);
    TechnoNoise techno("techno_scale");
    techno.source = &grey;
    replaceBlend(techno);
    techno.scaleSizeX.current = techno.scaleSizeY.current = 0.5f;
    techno.scaleOffsetX.current = techno.scaleOffsetY.current = 0;
    frame(techno, 0);
    EXPECT_NEAR(at(0.25f, 0.25f).r, 153, 2);
    EXPECT_NEAR(at(0.75f, 0.25f).r, 102, 1);
    EXPECT_NEAR(at(0.25f, 0.75f).r, 102, 1);

    // Without a source nothing is drawn.
    techno.source = nullptr;
    frame(techno, 0, 0.2f);
    EXPECT_NEAR(at(0.25f, 0.25f).r, 51, 1);
}

}  // namespace

// --- the six in the program, headless, over a picture ---

namespace {

const char* const imageEffectsScript = R"(__HEADER__
DEMO_START 0
DEMO_END 7000
DEMO_BEAT 100
__DEFS__
DEFINE SOURCE 2
DEFINE PROGRAM 36
__SETUP__
INSERT_EFFECT background AS Clear
INSERT_EFFECT picture AS Image
INSERT_EFFECT scroll AS FramebufferScroll
INSERT_EFFECT lines AS LineDistortion
INSERT_EFFECT mosaic AS Mosaic
INSERT_EFFECT roto AS RotoZoom
INSERT_EFFECT techno AS TechnoNoise
INSERT_EFFECT noise AS Noise
INSERT_EFFECT toned AS FramebufferScroll
0 SIGNAL picture Datafile "data/images/quadrants.png"
__TIMELINE__
0 BEGIN background
// the picture is never on the timeline itself: the filters draw it
0 SIGNAL picture BlendSrc 1
0 SIGNAL picture BlendDst 0
// half a picture a second to the left
0 TRIGGER scroll SOURCE "picture"
0 SIGNAL scroll BlendSrc 1
0 SIGNAL scroll BlendDst 0
0 SIGNAL scroll Speed 0.005
0 SIGNAL scroll FactorX 0.5
0 BEGIN scroll
0 INIT scroll
1000 END scroll
// strips without amplitude
1000 TRIGGER lines SOURCE "picture"
0 SIGNAL lines BlendSrc 1
0 SIGNAL lines BlendDst 0
0 SIGNAL lines MaxAmplitude 0
1000 BEGIN lines
2000 END lines
// one block, at T = 0
2000 TRIGGER mosaic SOURCE "picture"
0 SIGNAL mosaic Speed 0
0 SIGNAL mosaic Saturation 0.2
2000 BEGIN mosaic
2000 INIT mosaic
3000 END mosaic
// a quarter turn at zoom 1, 500 ms after the start
3000 TRIGGER roto SOURCE "picture"
0 SIGNAL roto Speed 0.06435
0 SIGNAL roto RotSpeed 0.699301
3000 BEGIN roto
3000 INIT roto
4000 END roto
// the capture at 0.4 with the lined copy at 0.4 over it, unscaled
4000 TRIGGER techno SOURCE "picture"
0 SIGNAL techno BlendSrc 1
0 SIGNAL techno BlendDst 0
0 SIGNAL techno Red 0.4
0 SIGNAL techno Green 0.4
0 SIGNAL techno Blue 0.4
0 SIGNAL techno ScaleAlpha 0.4
0 SIGNAL techno ScaleSizeX 1
0 SIGNAL techno ScaleSizeY 1
4000 BEGIN techno
5000 END techno
// static over the black background
5000 BEGIN noise
6000 END noise
// the picture unmoved, its brightness painted green by the tint program
6000 TRIGGER toned SOURCE "picture"
6000 TRIGGER toned PROGRAM "data/shaders/fragment_tint.glsl"
0 SIGNAL toned BlendSrc 1
0 SIGNAL toned BlendDst 0
0 SIGNAL toned FactorX 0
0 SIGNAL toned Factor1 1
0 SIGNAL toned Factor3 1
6000 BEGIN toned
)";

}  // namespace

TEST(CaptureRun, EachImageEffectShowsInTheCapturedFrames) {
    std::string dir = makeTempDirectory("capture_image_effects");
    std::filesystem::create_directories(dir + "/data/scripts");
    std::filesystem::create_directories(dir + "/data/images");
    std::ofstream(dir + "/data/scripts/cvdemo.script") << imageEffectsScript;
    // Red top-left, green top-right, blue bottom-left, white bottom-right; 64 x 64, so
    // that each pixel lands on one texel of the mosaic's low-resolution copy (a smaller
    // picture, filtered up, would mix the quadrants in the centre texel).
    std::vector<uint8_t> quadrants(64 * 64 * 3);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            uint8_t* p = &quadrants[size_t(y * 64 + x) * 3];
            p[0] = (x < 32) != (y >= 32) ? 255 : 0;
            p[1] = x >= 32 ? 255 : 0;
            p[2] = y >= 32 ? 255 : 0;
        }
    }
    ASSERT_TRUE(writePng(dir + "/data/images/quadrants.png", 64, 64, 3, quadrants.data()));

    std::filesystem::create_directories(dir + "/data/shaders");
    std::filesystem::copy_file(std::string(LUMORA_SOURCE_DIR) + "/data/shaders/fragment_tint.glsl",
                               dir + "/data/shaders/fragment_tint.glsl");

    std::string frames = dir + "/frames";
    ProgramResult result = runProgram(LUMORA_EXECUTABLE, {"--headless", "--no-dialog", "--data", dir, "--capture",
                                                          frames, "--size", "64x64", "--fps", "2", "--to", "6500"},
                                      {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    DataPack::usePlainDirectory(frames.c_str());
    struct Frame {
        std::unique_ptr<ImageData> image;
        Colour at(float x, float yFromTop) const {
            const uint8_t* p = image->pixels.data() + size_t(yFromTop * 64) * image->rowBytes +
                               size_t(x * 64) * image->bitsPerPixel / 8;
            return {p[0], p[1], p[2]};
        }
    };
    auto load = [](int index) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", index);
        Frame loaded{ImageLibrary::load(name, "")};
        EXPECT_TRUE(loaded.image) << name;
        return loaded;
    };
    auto expect = [](Colour got, Colour expected, int tolerance, const char* where) {
        EXPECT_NEAR(got.r, expected.r, tolerance) << where;
        EXPECT_NEAR(got.g, expected.g, tolerance) << where;
        EXPECT_NEAR(got.b, expected.b, tolerance) << where;
    };
    const Colour red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255}, black{0, 0, 0};

    // Frame i is at 500 x i ms.
    Frame scrolled = load(1);  // T = 0.5: offset 0.25, x shows x + 0.25
    if (!scrolled.image) return;
    expect(scrolled.at(0.1f, 0.25f), red, 1, "scroll 0.35");
    expect(scrolled.at(0.4f, 0.25f), green, 1, "scroll 0.65");
    expect(scrolled.at(0.85f, 0.75f), blue, 1, "scroll 1.1 wrapped");

    Frame still = load(3);  // no amplitude: the picture as it is
    if (!still.image) return;
    expect(still.at(0.25f, 0.25f), red, 1, "lines top-left");
    expect(still.at(0.75f, 0.25f), green, 1, "lines top-right");
    expect(still.at(0.25f, 0.75f), blue, 1, "lines bottom-left");
    expect(still.at(0.75f, 0.75f), white, 1, "lines bottom-right");

    // One green block (the texel right of and above the centre) over one copy of the
    // picture: green where the copy has green in it, black elsewhere.
    Frame mosaic = load(5);
    if (!mosaic.image) return;
    expect(mosaic.at(0.25f, 0.25f), black, 1, "mosaic over red");
    expect(mosaic.at(0.75f, 0.25f), green, 1, "mosaic over green");
    expect(mosaic.at(0.25f, 0.75f), black, 1, "mosaic over blue");
    expect(mosaic.at(0.75f, 0.75f), green, 1, "mosaic over white");

    Frame turned = load(7);  // turned clockwise by a quarter
    if (!turned.image) return;
    expect(turned.at(0.25f, 0.25f), blue, 1, "roto top-left");
    expect(turned.at(0.75f, 0.25f), red, 1, "roto top-right");
    expect(turned.at(0.75f, 0.75f), green, 1, "roto bottom-right");
    expect(turned.at(0.25f, 0.75f), white, 1, "roto bottom-left");

    // 0.4 x 255 = 102 for the capture, plus 0.4 x (255 + 0) / 2 = 51 for the lines.
    Frame lined = load(9);
    if (!lined.image) return;
    expect(lined.at(0.25f, 0.25f), {153, 0, 0}, 2, "techno red");
    expect(lined.at(0.75f, 0.75f), {153, 153, 153}, 2, "techno white");

    // Grey static: every pixel grey, and not one grey.
    Frame grain = load(11);
    if (!grain.image) return;
    int lowest = 255, highest = 0;
    for (float y = 0.05f; y < 1; y += 0.1f) {
        for (float x = 0.05f; x < 1; x += 0.1f) {
            Colour pixel = grain.at(x, y);
            EXPECT_EQ(pixel.r, pixel.g);
            EXPECT_EQ(pixel.g, pixel.b);
            lowest = std::min(lowest, pixel.r);
            highest = std::max(highest, pixel.r);
        }
    }
    EXPECT_GT(highest - lowest, 50);

    // Brightness 0.299 R + 0.587 G + 0.114 B of each quadrant, in green.
    Frame toned = load(13);
    if (!toned.image) return;
    expect(toned.at(0.25f, 0.25f), {0, 76, 0}, 2, "toned red");
    expect(toned.at(0.75f, 0.25f), {0, 150, 0}, 2, "toned green");
    expect(toned.at(0.25f, 0.75f), {0, 29, 0}, 2, "toned blue");
    expect(toned.at(0.75f, 0.75f), {0, 255, 0}, 2, "toned white");
    std::filesystem::remove_all(dir);
}
