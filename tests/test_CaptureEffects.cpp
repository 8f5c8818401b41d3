// Capturing one effect into a render target for an image filter, and the whole program
// capturing a small script that shows each of Clear, Image, Fade and Flash in turn.
#include "base/PngWriter.h"
#include "base/RenderTarget.h"
#include "base/lvp.h"
#include "effects/Clear.h"
#include "effects/ImageFilter.h"
#include "resources/ImageLibrary.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

// A filter-like effect: captures its source into a target during update.
class Capturer : public ImageFilter {
public:
    explicit Capturer(RenderTarget& target) : ImageFilter("capturer"), target(target) {}
    void updateFromSource(uint32_t t) override { captureSource(target, t); }
    void render(uint32_t) override {}
    RenderTarget& target;
};

void setClearColour(Clear& clear, float red, float green, float blue) {
    clear.tint.red.current = red;
    clear.tint.green.current = green;
    clear.tint.blue.current = blue;
}

std::vector<uint8_t> colourTexels(const RenderTarget& target) {
    std::vector<uint8_t> texels(64 * 64 * 4);
    glBindTexture(GL_TEXTURE_2D, target.colorTextureName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

TEST(CaptureSource, SourceIsDrawnIntoTheTargetAndTheViewportComesBack) {
    testgl::context();
    RenderTarget target;
    target.init("capture_target", 32, 32, RenderTarget::rgbaColor);  // a 64 x 64 texture
    Clear green("green");
    setClearColour(green, 0, 1, 0);
    Capturer capturer(target);
    capturer.source = &green;
    glViewport(0, 0, 100, 90);
    capturer.update(0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 90);
    EXPECT_EQ(RenderTarget::bindingDepth(), 0u);
    std::vector<uint8_t> texels = colourTexels(target);
    EXPECT_EQ(texels[1], 255);
    EXPECT_EQ(texels[0], 0);
}

TEST(CaptureSource, WithoutSourceTheTargetIsLeftAlone) {
    testgl::context();
    RenderTarget target;
    target.init("capture_untouched", 64, 64, RenderTarget::rgbaColor);
    std::vector<uint8_t> before = colourTexels(target);
    Capturer capturer(target);
    capturer.update(0);
    EXPECT_EQ(colourTexels(target), before);
}

TEST(CaptureSource, StartingTheFilterStartsItsSource) {
    Clear clear("started_source");
    RenderTarget unused;
    Capturer capturer(unused);
    capturer.source = &clear;
    capturer.start(1234);
    EXPECT_EQ(capturer.startTime(), 1234u);
    EXPECT_EQ(clear.startTime(), 1234u);
    Capturer alone(unused);
    alone.start(99);  // no source: only its own clock
    EXPECT_EQ(alone.startTime(), 99u);
}

// The program, headless, on a plain data folder.
const char* const demoScript = R"(__HEADER__
DEMO_START 0
DEMO_END 4000
DEMO_BEAT 100
__DEFS__
DEFINE FADE_DURATION 22
__SETUP__
INSERT_EFFECT background AS Clear
INSERT_EFFECT picture AS Image
INSERT_EFFECT veil AS Fade
INSERT_EFFECT flash AS Flash
0 SIGNAL picture Datafile "data/images/quadrants.png"
__TIMELINE__
0 SIGNAL background Blue 1
0 BEGIN background
// the picture replaces what is under it
0 SIGNAL picture BlendSrc 1
0 SIGNAL picture BlendDst 0
1000 BEGIN picture
2000 END picture
// a red veil clearing in one second
2000 BEGIN veil
2000 INIT veil
2000 TRIGGER veil FADE_DURATION 200
0 SIGNAL veil Red 1
3000 END veil
3000 BEGIN flash
3000 INIT flash
)";

TEST(CaptureRun, EachEffectShowsInTheCapturedFrames) {
    std::string dir = makeTempDirectory("capture_effects");
    std::filesystem::create_directories(dir + "/data/scripts");
    std::filesystem::create_directories(dir + "/data/images");
    std::ofstream(dir + "/data/scripts/cvdemo.script") << demoScript;
    std::vector<uint8_t> quadrants(16 * 16 * 3);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = &quadrants[size_t(y * 16 + x) * 3];
            p[0] = (x < 8) != (y >= 8) ? 255 : 0;  // red top-left, white bottom-right
            p[1] = x >= 8 ? 255 : 0;
            p[2] = y >= 8 ? 255 : 0;
        }
    }
    ASSERT_TRUE(writePng(dir + "/data/images/quadrants.png", 16, 16, 3, quadrants.data()));

    std::string frames = dir + "/frames";
    ProgramResult result = runProgram(LUMORA_EXECUTABLE, {"--headless", "--no-dialog", "--data", dir, "--capture",
                                                          frames, "--size", "64x64", "--fps", "2", "--to", "3500"},
                                      {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    DataPack::usePlainDirectory(frames.c_str());
    auto pixel = [&](int index, int x, int yFromTop) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", index);
        auto image = ImageLibrary::load(name, "");
        EXPECT_TRUE(image) << name;
        std::vector<int> rgb(3, -1);
        if (!image) return rgb;
        const uint8_t* p = image->pixels.data() + size_t(yFromTop) * image->rowBytes + size_t(x) * image->bitsPerPixel / 8;
        rgb = {p[0], p[1], p[2]};
        return rgb;
    };
    using RGB = std::vector<int>;
    // Frame i is at 500 x i ms.
    EXPECT_EQ(pixel(1, 32, 32), (RGB{0, 0, 255}));    // 500: the background alone
    EXPECT_EQ(pixel(3, 10, 10), (RGB{255, 0, 0}));    // 1500: the picture, its first row on top
    EXPECT_EQ(pixel(3, 54, 10), (RGB{0, 255, 0}));
    EXPECT_EQ(pixel(3, 54, 54), (RGB{255, 255, 255}));
    RGB veil = pixel(5, 32, 32);                      // 2500: red veil at alpha 0.5 over blue
    EXPECT_NEAR(veil[0], 128, 2);
    EXPECT_NEAR(veil[2], 127, 2);
    EXPECT_EQ(pixel(6, 32, 32), (RGB{255, 255, 255}));  // 3000: flash at the step, added
    EXPECT_EQ(pixel(7, 32, 32), (RGB{0, 0, 255}));      // 3500: a '0' step of "1000"
    std::filesystem::remove_all(dir);
}

}  // namespace
