// The effects that redraw a picture on moving geometry: Tiles, Ripple and GridExp, read
// back from the offscreen frame, and their meshes and warps on their own.
#include "base/Globals.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "effects/GridExp.h"
#include "effects/GridMesh.h"
#include "effects/GridWarp.h"
#include "effects/Image.h"
#include "effects/Ripple.h"
#include "effects/RippleMesh.h"
#include "effects/ScreenAspect.h"
#include "effects/Tiles.h"
#include "resources/Texture.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <numbers>
#include <set>

namespace {

constexpr int side = testgl::contextWidth;

testgl::Rgba at(float x, float yFromTop) {
    return testgl::readPixel(int(x * side), side - 1 - int(yFromTop * side));
}

bool isColour(testgl::Rgba got, int r, int g, int b, int tolerance = 8) {
    return std::abs(got.r - r) <= tolerance && std::abs(got.g - g) <= tolerance && std::abs(got.b - b) <= tolerance;
}

// One frame as the timeline draws it: background (depth cleared too), then update and
// render at t inside pushed matrices.
void frame(Effect& effect, uint32_t t, float background = 0.0f) {
    glViewport(0, 0, side, side);
    glClearColor(background, background, background, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    testgl::updateAndRender(effect, t);
}

struct Rgb {
    uint8_t r, g, b;
};

// A 16 x 16 picture, first row at the top, nearest filtering.
std::unique_ptr<Texture> makePicture(const std::function<Rgb(int x, int y)>& colourAt) {
    auto image = std::make_unique<ImageData>();
    image->width = image->height = 16;
    image->bitsPerPixel = 32;
    image->rowBytes = 64;
    image->pixels.resize(16 * 16 * 4);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            Rgb c = colourAt(x, y);
            uint8_t* p = &image->pixels[size_t(y * 16 + x) * 4];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = 255;
        }
    }
    auto texture = std::make_unique<Texture>(GL_TEXTURE_2D, GL_RGBA, false);
    texture->upload(std::move(image));
    texture->setFilter(GL_NEAREST, GL_NEAREST);
    return texture;
}

// Red | green over blue | white.
Texture& quadrants() {
    static auto texture = makePicture([](int x, int y) {
        bool right = x >= 8, bottom = y >= 8;
        return Rgb{uint8_t(right == bottom ? 255 : 0), uint8_t(right ? 255 : 0), uint8_t(bottom ? 255 : 0)};
    });
    return *texture;
}

// Blue along the top quarter, red down the left quarter, green elsewhere.
Texture& framedPicture() {
    static auto texture = makePicture([](int x, int y) {
        if (y < 4) return Rgb{0, 0, 255};
        return x < 4 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
    });
    return *texture;
}

// A source: the picture drawn over the whole screen, replacing what is there.
struct PictureSource {
    explicit PictureSource(Texture* texture) : image("picture_source") {
        image.texture = texture;
        image.blendSource.current = 10;  // GL_ONE, as a script's "1"
        image.blendDestination.current = 0;
    }
    Image image;
};

// The state every effect leaves for the next: texturing, blending and client arrays
// off, the default blend, colour white, modelview matrices, culling as the test had it.
void expectStateLeftClean() {
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    GLint value = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_BLEND_DST_RGB, &value);
    EXPECT_EQ(value, GL_ZERO);
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

class MeshEffects : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        screenWidth = side;
        screenHeight = side;
    }
};

// --- Tiles ---

TEST_F(MeshEffects, TilesAtRestShowTheWholePicture) {
    PictureSource picture(&quadrants());
    Tiles tiles("tiles");
    tiles.source = &picture.image;
    tiles.start(0);
    frame(tiles, 0);
    EXPECT_TRUE(isColour(at(0.1f, 0.1f), 255, 0, 0));
    EXPECT_TRUE(isColour(at(0.9f, 0.1f), 0, 255, 0));
    EXPECT_TRUE(isColour(at(0.1f, 0.9f), 0, 0, 255));
    EXPECT_TRUE(isColour(at(0.9f, 0.9f), 255, 255, 255));
    EXPECT_TRUE(isColour(at(0.4f, 0.4f), 255, 0, 0));   // across the first tile border
    EXPECT_TRUE(isColour(at(0.6f, 0.6f), 255, 255, 255));
    expectStateLeftClean();
}

TEST_F(MeshEffects, FirstTileShrinksAndFadesWhileTheOthersRest) {
    PictureSource picture(&quadrants());
    Tiles tiles("tiles_moving");
    tiles.source = &picture.image;
    tiles.rotationSpeed.current = 0.0f;
    tiles.fadeSpeed.current = 0.25f;
    tiles.start(0);
    // Speed 0.5: T = 0.1 per ms, so T = 10 at 100 ms. Tile 0 (bottom left): g = 10 x 0.02
    // + 1 = 1.2, l = 0.2; size 1/3 / 1.2 = 0.278 about its centre (1/6, 1/6), alpha 1 -
    // 0.2 x 0.25 x 10 = 0.5. Tile 1 waits until T x 0.02 passes 0.6.
    frame(tiles, 100);
    EXPECT_FLOAT_EQ(Tiles::tileGrowth(10.0f, 0), 1.2f);
    EXPECT_FLOAT_EQ(Tiles::tileGrowth(10.0f, 1), 1.0f);
    EXPECT_TRUE(isColour(at(1.0f / 6, 5.0f / 6), 0, 0, 128, 2));  // blue at half alpha
    EXPECT_TRUE(isColour(at(0.01f, 0.99f), 0, 0, 0, 0));           // outside the shrunk tile
    EXPECT_TRUE(isColour(at(0.32f, 0.68f), 0, 0, 0, 0));
    EXPECT_TRUE(isColour(at(0.45f, 0.9f), 0, 0, 255));             // tile 1 as it was
    EXPECT_TRUE(isColour(at(5.0f / 6, 1.0f / 6), 0, 255, 0));
    // At T = 40 tile 0 has faded out (and is still drawn, invisibly) and tile 1 moves.
    EXPECT_GT(Tiles::tileGrowth(40.0f, 1), 1.0f);
    EXPECT_FLOAT_EQ(Tiles::tileGrowth(40.0f, 2), 1.0f);
    expectStateLeftClean();
}

// --- Ripple ---

TEST(RippleMeshShape, RingsBandsAndTheirCover) {
    RippleMesh mesh;
    // The fan (10), then rings of 16, 32, ..., 8192 vertices.
    EXPECT_EQ(mesh.vertices().size() / 3, size_t(10 + 8 * (2048 - 2)));
    EXPECT_EQ(mesh.texCoords().size() / 2, mesh.vertices().size() / 3);
    EXPECT_EQ(RippleMesh::bandIndexCount(0), 72u);
    EXPECT_EQ(RippleMesh::bandIndexCount(9), 72u * 512);
    EXPECT_EQ(RippleMesh::bandOffset(9) + RippleMesh::bandIndexCount(9), mesh.indices().size());
    EXPECT_EQ(RippleMesh::ringStart(10) + RippleMesh::ringSize(10), int(mesh.vertices().size() / 3));

    // Each band's triangles use only its two rings, and together with the centre fan they
    // cover the outer ring's polygon once: no holes, no overlaps.
    const auto& v = mesh.vertices();
    auto area = [&](int a, int b, int c) {
        double abx = v[b * 3] - v[a * 3], aby = v[b * 3 + 1] - v[a * 3 + 1];
        double acx = v[c * 3] - v[a * 3], acy = v[c * 3 + 1] - v[a * 3 + 1];
        return std::abs(abx * acy - aby * acx) / 2;
    };
    double covered = 0;
    for (int i = 1; i + 1 < RippleMesh::fanVertexCount; ++i) covered += area(0, i, i + 1);
    for (int band = 0; band < RippleMesh::rings; ++band) {
        const int first = band == 0 ? 1 : RippleMesh::ringStart(band);
        const int last = RippleMesh::ringStart(band + 1) + RippleMesh::ringSize(band + 1);
        const size_t begin = RippleMesh::bandOffset(band);
        for (size_t i = begin; i < begin + RippleMesh::bandIndexCount(band); i += 3) {
            for (size_t k = 0; k < 3; ++k) {
                ASSERT_GE(mesh.indices()[i + k], first);
                ASSERT_LT(mesh.indices()[i + k], last);
            }
            covered += area(mesh.indices()[i], mesh.indices()[i + 1], mesh.indices()[i + 2]);
        }
    }
    const double outer = 0.5 * 8192 * 0.95 * 0.95 * std::sin(2 * std::numbers::pi / 8192);
    EXPECT_NEAR(covered, outer, 1e-4);
    // Texture coordinates are the positions; the outer ring lies at radius 0.95.
    const int outerFirst = RippleMesh::ringStart(10);
    EXPECT_FLOAT_EQ(mesh.texCoords()[size_t(outerFirst) * 2], v[size_t(outerFirst) * 3]);
    EXPECT_NEAR(std::hypot(v[outerFirst * 3] - 0.5, v[outerFirst * 3 + 1] - 0.5), 0.95, 1e-6);
}

TEST(RippleMeshWave, TravelsOutwardsAndSettlesToTheHistorysMean) {
    RippleMesh mesh;
    for (uint32_t t = 1; t <= 50; ++t) mesh.waveStep(t * 100);
    // t = 0 clears the history: only the centre is lifted, by sin(0) - 1.
    mesh.waveStep(0);
    EXPECT_FLOAT_EQ(mesh.heightOf(0), -1.0f);
    EXPECT_EQ(mesh.heightOf(1), 0.0f);
    EXPECT_EQ(mesh.heightOf(9), 0.0f);
    EXPECT_EQ(mesh.history()[1], 0.0f);
    // 100 more steps: the wave has reached ring 1 (history 84..166) but not ring 2.
    for (uint32_t t = 1; t <= 100; ++t) mesh.waveStep(t);
    EXPECT_LT(mesh.heightOf(1), 0.0f);
    EXPECT_LT(mesh.heightOf(RippleMesh::ringStart(1)), 0.0f);
    EXPECT_EQ(mesh.heightOf(RippleMesh::ringStart(2)), 0.0f);
    // With t held, every history value becomes h = sin(0.5) - 1, and each ring the mean
    // (1/83) x sum over k < 83 of k x h / 83 = h x 3403 / 6889. The outer ring stays at 0.
    for (int i = 0; i < 1000; ++i) mesh.waveStep(500);
    const double h = std::sin(0.5) - 1.0;
    EXPECT_NEAR(mesh.heightOf(1), h * 3403 / 6889, 1e-5);
    EXPECT_NEAR(mesh.heightOf(9), h * 3403 / 6889, 1e-5);
    EXPECT_NEAR(mesh.heightOf(RippleMesh::ringStart(9) + 7), h * 3403 / 6889, 1e-5);
    EXPECT_EQ(mesh.heightOf(RippleMesh::ringStart(10)), 0.0f);
    EXPECT_EQ(mesh.heightOf(RippleMesh::ringStart(10) + 4000), 0.0f);
}

TEST_F(MeshEffects, RippleAtTimeZeroEnlargesThePictureAboutItsCentre) {
    PictureSource picture(&framedPicture());
    Ripple ripple("ripple");
    ripple.source = &picture.image;
    ripple.start(0);
    // The flat disc one unit away under a 45-degree view shows tan(22.5) = 0.414 of it on
    // each side of the centre: the picture's quarter lines (u = 0.25, v = 0.75) land at
    // 0.5 - 0.25 / 0.414 / 2 = 0.198 of the screen from the left and the top, not at 0.25.
    for (int portrait = 0; portrait < 2; ++portrait) {
        // A window taller than wide has an aspect of at least 1, not 0.
        screenWidth = portrait ? 96 : side;
        frame(ripple, 0);
        EXPECT_TRUE(isColour(at(0.17f, 0.5f), 255, 0, 0, 16)) << portrait;
        EXPECT_TRUE(isColour(at(0.23f, 0.5f), 0, 255, 0, 16)) << portrait;
        EXPECT_TRUE(isColour(at(0.5f, 0.17f), 0, 0, 255, 16)) << portrait;
        EXPECT_TRUE(isColour(at(0.5f, 0.23f), 0, 255, 0, 16)) << portrait;
        EXPECT_TRUE(isColour(at(0.9f, 0.9f), 0, 255, 0, 16)) << portrait;
        expectStateLeftClean();
    }
    EXPECT_EQ(integerScreenAspect(), 1.0);
    screenWidth = 2 * side;
    EXPECT_EQ(integerScreenAspect(), 2.0);
    screenHeight = 0;
    EXPECT_EQ(integerScreenAspect(), 1.0);
}

TEST_F(MeshEffects, RippleWithoutASourceDrawsNothing) {
    Ripple ripple("ripple_alone");
    frame(ripple, 0, 0.5f);
    EXPECT_TRUE(isColour(at(0.5f, 0.5f), 128, 128, 128, 1));
}

// --- GridExp ---

TEST(GridMeshShape, GridStripsAndTheWarpsBounds) {
    GridMesh mesh;
    const float* first = mesh.vertex(0, 0);
    const float* last = mesh.vertex(49, 49);
    EXPECT_FLOAT_EQ(first[GridMesh::position], -10.0f);
    EXPECT_FLOAT_EQ(last[GridMesh::position + 1], 10.0f);
    EXPECT_FLOAT_EQ(last[GridMesh::texCoord], 0.5f);
    EXPECT_FLOAT_EQ(last[GridMesh::texCoord + 1], 0.7f);
    EXPECT_EQ(mesh.stripIndices().size(), size_t(49 * 100));
    EXPECT_EQ(mesh.stripIndices()[0], 0);
    EXPECT_EQ(mesh.stripIndices()[1], 50);
    EXPECT_EQ(mesh.stripIndices()[100], 50);   // row 1 begins with vertex (1, 0) and the one above it
    EXPECT_EQ(mesh.stripIndices()[101], 100);

    // The default warp, the swirl, keeps the grid flat and moves only interior texture
    // coordinates; the outer rows and columns 0, 48 and 49 keep theirs.
    applyGridWarp(mesh, 3, 12.0f, GridWarpInputs{});
    for (int i = 0; i < 50; ++i) {
        for (int j = 0; j < 50; ++j) {
            const float* v = mesh.vertex(i, j);
            ASSERT_EQ(v[GridMesh::position + 2], 0.0f);
            ASSERT_EQ(v[GridMesh::position], v[GridMesh::basePosition]);
            const bool interior = i >= 1 && i <= 47 && j >= 1 && j <= 47;
            if (!interior) {
                ASSERT_EQ(v[GridMesh::texCoord], v[GridMesh::baseTexCoord]) << i << " " << j;
            }
        }
    }
    EXPECT_NE(mesh.vertex(10, 10)[GridMesh::texCoord], mesh.vertex(10, 10)[GridMesh::baseTexCoord]);
    EXPECT_EQ(mesh.vertex(10, 10)[GridMesh::colour + 3], 1.0f);

    // The same warp time twice gives the same grid: the warps start from the base values.
    applyGridWarp(mesh, 0, 12.0f, GridWarpInputs{});
    const float once = mesh.vertex(20, 30)[GridMesh::position];
    applyGridWarp(mesh, 0, 12.0f, GridWarpInputs{});
    EXPECT_EQ(mesh.vertex(20, 30)[GridMesh::position], once);
    EXPECT_NE(once, mesh.vertex(20, 30)[GridMesh::basePosition]);
}

TEST(GridMeshShape, DentDepthFollowsSinOfTheWarpTime) {
    GridMesh mesh;
    applyGridWarp(mesh, 0, 12.0f, GridWarpInputs{});
    // Vertex (10, 25) lies 15 from the middle (25, 25): d = 15 sin(15 pi / sqrt(1250)).
    const double d = 15 * std::sin(15 * std::numbers::pi / std::sqrt(1250.0));
    // x = 10: strength sin(1) x 0.5; x = 40: sin(4) < 0, so the fixed 0.01.
    applyGridWarp(mesh, 1, 10.0f, GridWarpInputs{});
    EXPECT_NEAR(mesh.vertex(10, 25)[GridMesh::position + 2], -d * d * std::sin(1.0) * 0.5, 1e-3);
    EXPECT_EQ(mesh.vertex(25, 25)[GridMesh::position + 2], 0.0f);
    // The waves' x and y offsets are gone: the dent starts from the base every frame.
    EXPECT_EQ(mesh.vertex(20, 30)[GridMesh::position], mesh.vertex(20, 30)[GridMesh::basePosition]);
    applyGridWarp(mesh, 1, 40.0f, GridWarpInputs{});
    EXPECT_NEAR(mesh.vertex(10, 25)[GridMesh::position + 2], -d * d * 0.01, 1e-4);
    EXPECT_NEAR(mesh.vertex(10, 25)[GridMesh::colour], 0.1 * d * d * 0.01, 1e-5);
}

TEST_F(MeshEffects, GridAnimIsTheStoredValueHeldToTheFourWarps) {
    GridExp grid("grid_anim");
    EXPECT_EQ(grid.warpAt(0), 3);
    grid.anim.current = 1;
    EXPECT_EQ(grid.warpAt(0), 1);
    grid.anim.current = 6;  // a script's 2, stored as 2 x 3
    EXPECT_EQ(grid.warpAt(0), 3);
    grid.anim.current = -2;
    EXPECT_EQ(grid.warpAt(0), 0);
}

TEST_F(MeshEffects, GridCoversTheFrameAdditively) {
    GridExp grid("grid_cover");
    grid.tint.red.current = 0.5f;
    grid.tint.green.current = 0.25f;
    grid.tint.blue.current = 0.0f;
    grid.tint.alpha.current = 0.5f;
    // No source, no texture: the untextured grid added at alpha 0.5 over grey 64:
    // red 64 + 0.5 x 0.5 x 255 = 128, green 64 + 0.25 x 0.5 x 255 = 96, blue 64.
    for (int portrait = 0; portrait < 2; ++portrait) {
        screenWidth = portrait ? 96 : side;
        frame(grid, 0, 0.25f);
        for (auto [x, y] : {std::pair{0.02f, 0.02f}, {0.98f, 0.02f}, {0.5f, 0.5f}, {0.02f, 0.98f}, {0.98f, 0.98f}}) {
            EXPECT_TRUE(isColour(at(x, y), 128, 96, 64, 2)) << x << " " << y << " portrait " << portrait;
        }
        expectStateLeftClean();
    }
}

TEST_F(MeshEffects, GridShowsItsSourceAsCapturedAtTheScreensViewport) {
    // The source's quad fills the 128 x 128 viewport, that is the lower-left quarter of the
    // 512 x 512 target: the grid's texture coordinates below 0.25 in u and v.
    Image source("grid_source");
    source.blendSource.current = 10;
    source.tint.red.current = 0.0f;
    source.tint.green.current = 0.0f;
    GridExp grid("grid_captured");
    grid.source = &source;
    grid.blend.current = false;
    grid.ampX.current = 0.0f;  // no swirl: interior coordinates are the base ones, v + 0.1
    grid.ampY.current = 0.0f;
    grid.start(0);
    frame(grid, 0);
    // Bottom left, screen (-0.9, -0.9): x = y = -7.46 of the grid, u = 0.064, v = 0.189.
    EXPECT_TRUE(isColour(at(0.05f, 0.95f), 0, 0, 255));
    // Top right: u = 0.437; top left: v = 0.711: outside the captured quarter.
    EXPECT_TRUE(isColour(at(0.95f, 0.05f), 0, 0, 0));
    EXPECT_TRUE(isColour(at(0.05f, 0.05f), 0, 0, 0));
    expectStateLeftClean();
}

class GridPictureFile : public MeshEffects {
protected:
    void SetUp() override {
        MeshEffects::SetUp();
        dir = makeTempDirectory("grid-picture");
        ASSERT_FALSE(dir.empty());
        std::vector<uint8_t> halves(16 * 16 * 3, 0);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) halves[size_t(y * 16 + x) * 3 + (y < 8 ? 0 : 1)] = 255;
        }
        writePng(dir + "/halves.png", 16, 16, 3, halves.data());
        DataPack::usePlainDirectory(dir.c_str());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

TEST_F(GridPictureFile, EventFourPictureLiesUpsideDown) {
    GridExp grid("grid_picture");
    DemoEvent load;
    load.id = eventGridExpTexture;
    load.text = "halves.png";
    grid.handleEvent(load);
    ASSERT_NE(grid.texture, nullptr);
    grid.blend.current = false;
    grid.ampX.current = 0.0f;
    grid.ampY.current = 0.0f;
    frame(grid, 0);
    // v grows up the grid, and the picture's first row (red) is v = 0: red below, green
    // above. Row 40 from the bottom is grid y = -3.04, v = 0.7 x (y + 10) / 20 + 0.1 = 0.34;
    // row 110 is y = 6.02, v = 0.66; the halves meet at v = 0.5.
    EXPECT_TRUE(isColour(testgl::readPixel(64, 40), 255, 0, 0));
    EXPECT_TRUE(isColour(testgl::readPixel(64, 110), 0, 255, 0));
    expectStateLeftClean();
}

}  // namespace
