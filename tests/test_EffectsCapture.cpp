// The program, headless, capturing a script that shows Tiles, Ripple, GridExp,
// TypeWriter and ViewFPS in turn, with pixels of the written frames checked; and a
// portrait window, taller than wide, through Ripple and GridExp.
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "resources/ImageLibrary.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

using RGB = std::vector<int>;

// A data folder with the script and two pictures: quadrants red | green over blue |
// white, and a plain white one.
std::string makeDataFolder(const std::string& tag, const char* script) {
    std::string dir = makeTempDirectory(tag);
    std::filesystem::create_directories(dir + "/data/scripts");
    std::filesystem::create_directories(dir + "/data/images");
    std::ofstream(dir + "/data/scripts/cvdemo.script") << script;
    std::vector<uint8_t> quadrants(16 * 16 * 3);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            uint8_t* p = &quadrants[size_t(y * 16 + x) * 3];
            p[0] = (x < 8) != (y >= 8) ? 255 : 0;
            p[1] = x >= 8 ? 255 : 0;
            p[2] = y >= 8 ? 255 : 0;
        }
    }
    writePng(dir + "/data/images/quadrants.png", 16, 16, 3, quadrants.data());
    std::vector<uint8_t> white(16 * 16 * 3, 255);
    writePng(dir + "/data/images/white.png", 16, 16, 3, white.data());
    return dir;
}

ProgramResult capture(const std::string& dir, const std::string& size, const std::string& to) {
    return runProgram(LUMORA_EXECUTABLE,
                      {"--headless", "--no-dialog", "--data", dir, "--capture", dir + "/frames", "--size", size,
                       "--fps", "4", "--to", to},
                      {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
}

// Frame i lies at 250 x i ms.
RGB pixel(const std::string& dir, int index, int x, int yFromTop) {
    DataPack::usePlainDirectory((dir + "/frames").c_str());
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", index);
    auto image = ImageLibrary::load(name, "");
    EXPECT_TRUE(image) << name;
    if (!image) return RGB(3, -1);
    const uint8_t* p = image->pixels.data() + size_t(yFromTop) * image->rowBytes + size_t(x) * image->bitsPerPixel / 8;
    return RGB{p[0], p[1], p[2]};
}

bool near(const RGB& got, const RGB& want, int tolerance = 6) {
    for (size_t i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > tolerance) return false;
    }
    return true;
}

std::string text(const RGB& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

const char* const allFiveScript = R"(__HEADER__
DEMO_START 0
DEMO_END 3000
DEMO_BEAT 100
__DEFS__
DEFINE SOURCE 2
DEFINE GRID_TEXTURE 4
__SETUP__
INSERT_EFFECT background AS Clear
INSERT_EFFECT picture AS Image
INSERT_EFFECT tiles AS Tiles
INSERT_EFFECT ripple AS Ripple
INSERT_EFFECT grid AS GridExp
INSERT_EFFECT typer AS TypeWriter
INSERT_EFFECT fps AS ViewFPS
0 SIGNAL picture Datafile "data/images/quadrants.png"
0 SIGNAL typer Datafile "data/images/white.png"
__TIMELINE__
0 SIGNAL background Red 0.2
0 SIGNAL background Green 0.2
0 SIGNAL background Blue 0.2
0 BEGIN background
// the picture replaces what is under it; it is only ever drawn as a source
0 SIGNAL picture BlendSrc 1
0 SIGNAL picture BlendDst 0
0 TRIGGER tiles SOURCE "picture"
0 BEGIN tiles
0 INIT tiles
1000 END tiles
1000 TRIGGER ripple SOURCE "picture"
1000 BEGIN ripple
1000 INIT ripple
2000 END ripple
// no swirl: the grid shows its picture's left half, upside down, added
0 SIGNAL grid ampX 0
0 SIGNAL grid ampY 0
2000 TRIGGER grid GRID_TEXTURE "data/images/quadrants.png"
2000 BEGIN grid
2000 INIT grid
2500 END grid
2500 BEGIN typer
2500 INIT typer
2500 BEGIN fps
2500 INIT fps
)";

TEST(EffectsCaptureRun, EachOfTheFiveShowsInTheCapturedFrames) {
    std::string dir = makeDataFolder("capture_five", allFiveScript);
    ProgramResult result = capture(dir, "64x64", "2750");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err.find(".cpp:"), std::string::npos) << result.err;
    const RGB background{51, 51, 51};

    // 250 ms: T = 25. Tile 0 (bottom left) has faded out (alpha 1 - 0.5 x 0.5 x 10 < 0);
    // tile 1 starts at T x 0.02 = 0.6, so it and the rest still show the picture.
    EXPECT_TRUE(near(pixel(dir, 1, 5, 58), background)) << text(pixel(dir, 1, 5, 58));
    EXPECT_TRUE(near(pixel(dir, 1, 26, 58), RGB{0, 0, 255})) << text(pixel(dir, 1, 26, 58));
    EXPECT_TRUE(near(pixel(dir, 1, 58, 5), RGB{0, 255, 0}));
    EXPECT_TRUE(near(pixel(dir, 1, 5, 5), RGB{255, 0, 0}));

    // 1250 ms: the ripple's disc shows the picture enlarged about its centre: pixel 8 of
    // 64 shows u = 0.5 + (17 / 64 - 1) x 0.414 = 0.196 of it.
    EXPECT_TRUE(near(pixel(dir, 5, 8, 8), RGB{255, 0, 0}, 16)) << text(pixel(dir, 5, 8, 8));
    EXPECT_TRUE(near(pixel(dir, 5, 56, 8), RGB{0, 255, 0}, 16));
    EXPECT_TRUE(near(pixel(dir, 5, 8, 56), RGB{0, 0, 255}, 16));
    EXPECT_TRUE(near(pixel(dir, 5, 56, 56), RGB{255, 255, 255}, 16));

    // 2250 ms: the grid adds its picture over the background, the picture's top (red) at
    // the bottom of the frame: pixel (4, 60) is grid u = 0.07, v = 0.2; pixel (4, 4) is
    // v = 0.7, the picture's lower left (blue).
    EXPECT_TRUE(near(pixel(dir, 9, 4, 60), RGB{255, 51, 51}, 10)) << text(pixel(dir, 9, 4, 60));
    EXPECT_TRUE(near(pixel(dir, 9, 4, 4), RGB{51, 51, 255}, 10)) << text(pixel(dir, 9, 4, 4));
    EXPECT_TRUE(near(pixel(dir, 9, 60, 60), RGB{255, 51, 51}, 10));

    // 2500 ms: the type-writer's first frame shows 55 % of the white picture at grey 0.9,
    // its alpha running from 0.9 to fade = 0.01 across: at pixel 6 (x = 0.1) alpha 0.736,
    // so 0.9 x 0.736 + 0.2 x 0.264 = 0.715 of white (182).
    EXPECT_TRUE(near(pixel(dir, 10, 6, 32), RGB{182, 182, 182}, 4)) << text(pixel(dir, 10, 6, 32));
    EXPECT_TRUE(near(pixel(dir, 10, 45, 32), background));
    // The frame-rate bar at x = 0.95 (pixel 60), white, rising from the bottom: its height
    // is the real counter's (between the tick and the bar, a few ms: 100 frames a second
    // or more, the full bar, on an idle machine), so only its foot is certain.
    EXPECT_TRUE(near(pixel(dir, 10, 60, 63), RGB{255, 255, 255}, 0)) << text(pixel(dir, 10, 60, 63));
    EXPECT_TRUE(near(pixel(dir, 10, 59, 63), background)) << text(pixel(dir, 10, 59, 63));
    std::filesystem::remove_all(dir);
}

const char* const portraitScript = R"(__HEADER__
DEMO_START 0
DEMO_END 1000
DEMO_BEAT 100
__DEFS__
DEFINE SOURCE 2
__SETUP__
INSERT_EFFECT background AS Clear
INSERT_EFFECT picture AS Image
INSERT_EFFECT ripple AS Ripple
INSERT_EFFECT grid AS GridExp
0 SIGNAL picture Datafile "data/images/quadrants.png"
__TIMELINE__
0 BEGIN background
0 SIGNAL picture BlendSrc 1
0 SIGNAL picture BlendDst 0
0 TRIGGER ripple SOURCE "picture"
0 BEGIN ripple
0 INIT ripple
500 END ripple
500 TRIGGER grid SOURCE "picture"
500 BEGIN grid
500 INIT grid
)";

TEST(EffectsCaptureRun, PortraitWindowRunsRippleAndGridWithoutAReport) {
    std::string dir = makeDataFolder("capture_portrait", portraitScript);
    ProgramResult result = capture(dir, "240x320", "750");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err.find(".cpp:"), std::string::npos) << result.err;
    // 250 ms: the ripple drew the picture (aspect 1, not 0): upper left red, lower right
    // white.
    EXPECT_TRUE(near(pixel(dir, 1, 60, 80), RGB{255, 0, 0}, 16)) << text(pixel(dir, 1, 60, 80));
    EXPECT_TRUE(near(pixel(dir, 1, 180, 240), RGB{255, 255, 255}, 16)) << text(pixel(dir, 1, 180, 240));
    // 750 ms: the grid covers the frame with its captured source, added over black.
    int lit = 0;
    for (auto [x, y] : {std::pair{10, 10}, {230, 10}, {120, 160}, {10, 310}, {230, 310}}) {
        RGB c = pixel(dir, 3, x, y);
        lit += (c[0] + c[1] + c[2]) > 0;
    }
    EXPECT_GE(lit, 1);
    std::filesystem::remove_all(dir);
}

}  // namespace
