// The program, headless and capturing, on a plain data folder holding a scene file, its
// texture and a script: the scene shows in the frames, a Blur glow over it brightens it,
// and a ShaderDOF over that blurs what the scene's depth information puts out of focus.
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "resources/ImageLibrary.h"
#include "tests/support/RunProgram.h"
#include "tests/support/SceneFolder.h"
#include "tests/support/SceneRecords.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int frameSide = 128;

// A ground square textured in one dim orange, lit from above, seen at a slant by a camera
// whose far plane puts the ground's centre at the focal point and its far edge well
// behind it.
LvgWriter groundScene() {
    LvgWriter w;
    w.header(0, 100, 10);
    lvg::MaterialRecord m;
    m.id = 1;
    m.name = "orange";
    m.diffuse = {1, 1, 1};
    m.opacity = 1;
    m.textures = {{"orange.png", 1}};
    w.materials({m});
    w.light(testscene::light("Omni01", 20, 0, {0, 30, 0}));
    lvg::MeshRecord g;
    g.node = testscene::node("Ground", 1, -1, 1);
    g.vertices = {{-10, 0, -10}, {-10, 0, 10}, {10, 0, 10}, {10, 0, -10}};
    g.normals.assign(4, Vec3{0, 1, 0});
    g.uvChannel0 = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    g.faces = {{0, 1, 2}, {0, 2, 3}};
    w.mesh(g);
    w.camera(testscene::camera("Cam", 30, {0, 15, 15}, 45, 1, 40));
    w.end();
    return w;
}

std::string script(bool glow, bool depthOfField) {
    std::string s = "__HEADER__\nDEMO_START 0\nDEMO_END 2000\nDEMO_BEAT 100\n__DEFS__\nDEFINE SOURCE 2\n__SETUP__\n"
                    "INSERT_EFFECT background AS Clear\nINSERT_EFFECT scene AS Scene\n"
                    "INSERT_EFFECT glow AS Blur\nINSERT_EFFECT dof AS ShaderDOF\n"
                    "0 SIGNAL scene Datafile \"data/scenes/ground.lvg\"\n__TIMELINE__\n0 BEGIN background\n"
                    "0 SIGNAL scene FOV 0.25\n0 TRIGGER glow SOURCE \"scene\"\n0 TRIGGER dof SOURCE \"glow\"\n"
                    "0 SIGNAL glow DoBlur 1\n0 SIGNAL dof BlurFactorX 1\n0 SIGNAL dof BlurFactorY 1\n";
    if (!glow && !depthOfField) return s + "0 BEGIN scene\n";
    s += "0 BEGIN dof\n";
    if (glow) s += "0 SIGNAL glow DoGlow 1\n";
    if (depthOfField) s += "0 SIGNAL dof DoBlur 1\n";
    return s;
}

struct Frame {
    std::unique_ptr<ImageData> image;
    int red(int x, int yFromTop) const {
        return image->pixels[size_t(yFromTop) * image->rowBytes + size_t(x) * image->bitsPerPixel / 8];
    }
    int blue(int x, int yFromTop) const {
        return image->pixels[size_t(yFromTop) * image->rowBytes + size_t(x) * image->bitsPerPixel / 8 + 2];
    }
};

// Captures frame 1 (at 500 ms) of the script, run as a user runs the program.
Frame capture(testscene::SceneFolder& folder, const std::string& text, const std::string& tag) {
    std::ofstream(folder.root + "/data/scripts/cvdemo.script") << text;
    const std::string frames = folder.root + "/frames_" + tag;
    const std::string size = std::to_string(frameSide) + "x" + std::to_string(frameSide);
    ProgramResult result = runProgram(LUMORA_EXECUTABLE, {"--headless", "--no-dialog", "--data", folder.root, "--capture",
                                                          frames, "--size", size, "--fps", "2", "--to", "500"},
                                      {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    DataPack::usePlainDirectory(frames.c_str());
    Frame frame{ImageLibrary::load("frame_000001.png", "")};
    EXPECT_TRUE(frame.image) << tag;
    DataPack::usePlainDirectory("");
    return frame;
}

// Rows on the centre column whose red lies between a fifth and four fifths of the level
// below the ground's far edge: the width of the edge.
int edgeWidth(const Frame& frame, int level) {
    int width = 0;
    for (int y = 0; y < frameSide / 2; ++y) {
        const int r = frame.red(frameSide / 2, y);
        if (r > level / 5 && r < level * 4 / 5) ++width;
    }
    return width;
}

TEST(SceneCapture, TheSceneShowsAndTheGlowAndTheDepthOfFieldOverItChangeItAsTheyShould) {
    testscene::SceneFolder folder;
    ASSERT_TRUE(folder.write("data/scenes/ground.lvg", groundScene()));
    std::vector<uint8_t> orange(8 * 8 * 3);
    for (size_t i = 0; i < orange.size(); i += 3) {
        orange[i] = 100;
        orange[i + 1] = 50;
    }
    ASSERT_TRUE(writePng(folder.root + "/data/textures/orange.png", 8, 8, 3, orange.data()));

    const Frame plain = capture(folder, script(false, false), "plain");
    const Frame glow = capture(folder, script(true, false), "glow");
    const Frame both = capture(folder, script(true, true), "both");
    ASSERT_TRUE(plain.image && glow.image && both.image);
    const int c = frameSide / 2;

    // The camera looks at the ground's centre: the texture's orange, lit from above; the
    // rows at the top look past the ground's far edge into the cleared black.
    EXPECT_NEAR(plain.red(c, c), 100, 12);
    EXPECT_LT(plain.blue(c, c), 5);
    EXPECT_EQ(plain.red(c, 1), 0);
    // The glow adds its blurred copy: the ground is about twice as bright.
    EXPECT_GT(glow.red(c, c), plain.red(c, c) * 3 / 2);
    EXPECT_LT(glow.blue(c, c), 5);
    // The depth of field keeps the focal point as it is and blurs the far edge, which
    // lies behind the focal plane.
    EXPECT_NEAR(both.red(c, c), glow.red(c, c), 8);
    const int level = glow.red(c, c);
    EXPECT_GT(edgeWidth(both, level), edgeWidth(glow, level) + 1)
        << "edge " << edgeWidth(glow, level) << " rows wide with the glow alone, " << edgeWidth(both, level)
        << " with the depth of field";
}

}  // namespace
