// Drawing scenes made by the scene generator, read back from a 128x128 offscreen frame:
// lighting, the uv flip, material switching, fog, every shade model's look, animation,
// the vertex-program path, more lights than GL has, and the GL state a frame leaves.
#include "base/ErrorReport.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "engine/LVGParser.h"
#include "engine/MeshObject.h"
#include "engine/Scene.h"
#include "engine/SceneLoaderLVG.h"
#include "tests/support/GLStateSnapshot.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"
#include "tests/support/SceneRecords.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string lvgenTool = std::string(LUMORA_BINARY_DIR) + "/tools/lvgen/lvgen";

// A camera 60 units in front of the origin looking at it, a light beside the camera.
const char* const stage =
    "dummy 1 Target at 0 0 0\n"
    "camera 2 Cam at 0 0 60 fov 45 target 1\n"
    "light 3 Omni01 omni at 0 0 100\n";

int brightness(const testgl::Rgba& p) {
    return p.r + p.g + p.b;
}

// Where a point of the plane z = 0 lands, for the stage's camera (aspect 1.333).
int screenX(float x) {
    return 64 + int(x / (60 * 0.41421356f * 1.333f) * 64);
}
int screenY(float y) {
    return 64 + int(y / (60 * 0.41421356f) * 64);
}

class SceneDraw : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testgl::context();
        dir = makeTempDirectory("scenedraw");
        fs::create_directories(dir + "/data/textures");
        fs::create_directories(dir + "/data/shaders");
        solid("red.png", 255, 0, 0);
        solid("blue.png", 0, 0, 255);
        solid("yellow.png", 255, 255, 0);
        solid("cyan.png", 0, 255, 255);
        solid("white.png", 255, 255, 255);
        solid("flatbump.png", 128, 128, 255);  // every normal straight out of the surface
        // Top half red, bottom half blue, rows top first as in every picture file.
        std::vector<uint8_t> halves(4 * 4 * 3, 0);
        for (int i = 0; i < 16; ++i) halves[size_t(i) * 3 + (i < 8 ? 0 : 2)] = 255;
        ASSERT_TRUE(writePng(dir + "/data/textures/updown.png", 4, 4, 3, halves.data()));
        // Green in the middle, red around it: environment coordinates of a surface that
        // faces the eye read the middle.
        std::vector<uint8_t> framed(4 * 4 * 3, 0);
        for (int i = 0; i < 16; ++i) {
            const bool middle = (i / 4 == 1 || i / 4 == 2) && (i % 4 == 1 || i % 4 == 2);
            framed[size_t(i) * 3 + (middle ? 1 : 0)] = 255;
        }
        ASSERT_TRUE(writePng(dir + "/data/textures/framed.png", 4, 4, 3, framed.data()));
        fs::copy_file(std::string(LUMORA_SOURCE_DIR) + "/data/shaders/vertex_lighting.glsl",
                      dir + "/data/shaders/vertex_lighting.glsl");
        DataPack::usePlainDirectory(dir.c_str());
    }
    static void TearDownTestSuite() {
        DataPack::usePlainDirectory("");
        fs::remove_all(dir);
    }
    static void solid(const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
        std::vector<uint8_t> pixels(4 * 4 * 3);
        for (size_t i = 0; i < 16; ++i) {
            pixels[i * 3] = r;
            pixels[i * 3 + 1] = g;
            pixels[i * 3 + 2] = b;
        }
        ASSERT_TRUE(writePng(dir + "/data/textures/" + name, 4, 4, 3, pixels.data()));
    }

    // Generates the scene from its description and loads it as the Scene effect does.
    Scene& load(const std::string& name, const std::string& description) {
        const std::string source = dir + "/" + name + ".scene";
        std::ofstream(source) << "frames 0 1600 160\n" << description;
        const ProgramResult made = runProgram(lvgenTool, {"--out", dir, source});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        Scene* scene = SceneLoaderLVG::load("data/scenes/" + name + ".lvg", sceneCompressedTextureFolder,
                                            sceneTextureFolder);
        if (!scene) {
            ADD_FAILURE() << "scene " << name << " did not load";
            static Scene empty(1, 160);
            return empty;
        }
        return *scene;
    }

    static void frame(Scene& scene, float t = 0) {
        testgl::resetFrameState();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.setTime(t);
        scene.animate();
        scene.updateWorld();
        scene.render();
    }

    static std::string dir;
};

std::string SceneDraw::dir;

}  // namespace

TEST_F(SceneDraw, ALitSphereIsBrighterOnTheSideFacingTheLight) {
    Scene& scene = load("lit", std::string(stage) +
                                   "light 4 Side omni at 300 0 60\n"
                                   "material 1 Chalk diffuse 1 1 1 ambient 0 0 0 specular 0 0 0\n"
                                   "mesh 5 Ball sphere 15 32 16 material 1\n");
    scene.lights()[0]->enabled = false;  // only the light on the right
    frame(scene);
    const testgl::Rgba right = testgl::readPixel(64 + 18, 64);
    const testgl::Rgba left = testgl::readPixel(64 - 18, 64);
    EXPECT_GT(brightness(right), brightness(left) + 150) << brightness(right) << " " << brightness(left);
    EXPECT_GT(brightness(right), 300);
}

TEST_F(SceneDraw, ATexturedQuadShowsItsPictureTheRightWayUp) {
    Scene& scene = load("updown", std::string(stage) +
                                      "material 1 Sign specular 0 0 0 map 1 updown.png\n"
                                      "mesh 5 Quad plane 40 40 1 material 1 turn 1 0 0 90\n");
    frame(scene);
    const testgl::Rgba top = testgl::readPixel(64, screenY(12));
    const testgl::Rgba bottom = testgl::readPixel(64, screenY(-12));
    EXPECT_GT(top.r, 150);
    EXPECT_LT(top.b, 50);
    EXPECT_GT(bottom.b, 150);
    EXPECT_LT(bottom.r, 50);
}

TEST_F(SceneDraw, MeshesOfOneMaterialApplyItOncePerFrame) {
    Scene& scene = load("runs", std::string(stage) +
                                    "material 1 First specular 0 0 0 map 1 red.png\n"
                                    "material 2 Second diffuse 0 1 0 specular 0 0 0\n"
                                    "mesh 5 A plane 10 10 1 material 2 at -15 0 0 turn 1 0 0 90\n"
                                    "mesh 6 B plane 10 10 1 material 1 at 0 0 0 turn 1 0 0 90\n"
                                    "mesh 7 C plane 10 10 1 material 1 at 15 0 0 turn 1 0 0 90\n");
    frame(scene);
    EXPECT_EQ(scene.material(1)->applyCount(), 1u);
    EXPECT_EQ(scene.material(2)->applyCount(), 1u);
    EXPECT_EQ(scene.appliedMaterial(), nullptr);
    frame(scene);
    EXPECT_EQ(scene.material(1)->applyCount(), 2u);
    EXPECT_GT(testgl::readPixel(screenX(15), 64).r, 150);
    EXPECT_GT(testgl::readPixel(screenX(-15), 64).g, 150);
}

TEST_F(SceneDraw, LinearFogFrom100To1000UnitsColoursOnlyDistantGeometry) {
    Scene& scene = load("fog", std::string(stage) +
                                   "camera 4 Far at 0 0 1200 fov 45 target 1\n"
                                   "material 1 Wall diffuse 0 0 1 specular 0 0 0\n"
                                   "mesh 5 Quad plane 1200 1200 32 material 1 turn 1 0 0 90\n");
    scene.fogOn = true;
    scene.fogMode = GL_LINEAR;
    scene.fogStart = 100;
    scene.fogEnd = 1000;
    scene.fogColour = {1, 0, 0, 1};
    scene.currentCamera = 0;
    frame(scene);
    const testgl::Rgba near = testgl::readPixel(64, 64);
    scene.currentCamera = 1;
    frame(scene);
    const testgl::Rgba far = testgl::readPixel(64, 64);
    scene.currentCamera = 0;
    EXPECT_LT(near.r, 30);
    EXPECT_GT(near.b, 100);
    EXPECT_GT(far.r, 240);
    EXPECT_LT(far.b, 15);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(SceneDraw, EveryShadeModelDrawsItsOwnLook) {
    struct Case {
        const char* name;
        const char* material;
        const char* meshWords;
        int32_t model;
        bool (*looks)(const testgl::Rgba&);
    };
    const Case cases[] = {
        {"model0", "diffuse 0.2 0.9 0.2", "", 0, [](const testgl::Rgba& p) { return p.g > 150 && p.r < 100 && p.b < 100; }},
        {"model1", "map 1 red.png", "", 1, [](const testgl::Rgba& p) { return p.r > 150 && p.g < 30 && p.b < 30; }},
        {"model2", "map 9 blue.png", "", 2, [](const testgl::Rgba& p) { return p.b > 150 && p.r < 30 && p.g < 30; }},
        {"model4", "map 1 red.png map 9 blue.png", "", 4,
         [](const testgl::Rgba& p) { return p.r > 150 && p.b > 240 && p.g < 30; }},
        {"model5", "map 1 yellow.png map 7 cyan.png", "uv2", 5,
         [](const testgl::Rgba& p) { return p.g > 240 && p.r < 15 && p.b < 15; }},
        {"model6", "map 7 cyan.png", "uv2", 6, [](const testgl::Rgba& p) { return p.g > 240 && p.b > 240 && p.r < 15; }},
        {"model8", "map 9 white.png map 8 flatbump.png", "", 8,
         [](const testgl::Rgba& p) { return p.r > 200 && p.g > 200 && p.b > 200; }},
    };
    for (const Case& c : cases) {
        Scene& scene = load(c.name, std::string(stage) + "light 4 Spot01 spot at 0 0 100 target 1\n" +
                                        "material 1 Look specular 0 0 0 " + c.material + "\n" +
                                        "mesh 5 Quad plane 40 40 1 material 1 turn 1 0 0 90 " + c.meshWords + "\n");
        ASSERT_EQ(scene.material(1)->shadeModel, c.model) << c.name;
        frame(scene);
        const testgl::Rgba p = testgl::readPixel(64, 64);
        EXPECT_TRUE(c.looks(p)) << c.name << ": " << int(p.r) << " " << int(p.g) << " " << int(p.b);
    }
}

TEST_F(SceneDraw, TheBumpModelDarkensAsTheLightTurnsAway) {
    Scene& scene = load("grazing", std::string(stage) + "light 4 Spot01 spot at 0 0 100 target 1\n" +
                                       "material 1 Bumpy specular 0 0 0 map 9 white.png map 8 flatbump.png\n" +
                                       "mesh 5 Quad plane 40 40 1 material 1 turn 1 0 0 90\n");
    frame(scene);
    const int facing = brightness(testgl::readPixel(64, 64));
    Light* spot = scene.findLight("Spot01");
    ASSERT_NE(spot, nullptr);
    spot->position = {1000, 0, 300};  // about 73 degrees from the surface normal
    frame(scene);
    const int grazing = brightness(testgl::readPixel(64, 64));
    spot->position = {0, 0, 100};
    EXPECT_GT(facing, 600);
    EXPECT_LT(grazing, facing - 250) << facing << " " << grazing;
}

TEST_F(SceneDraw, StoredCoordinatesReachUnitZeroAfterAMaterialThatSelectedOtherUnits) {
    // The first material selects client unit 1 for its second set; the next one's uv0 must
    // still go to unit 0, or its picture shows one flat colour.
    Scene& scene = load("afterunits", std::string(stage) +
                                          "material 1 Both specular 0 0 0 map 1 red.png map 9 blue.png\n"
                                          "material 2 Sign specular 0 0 0 map 1 updown.png\n"
                                          "mesh 5 A plane 10 10 1 material 1 at -20 0 0 turn 1 0 0 90\n"
                                          "mesh 6 B plane 30 30 3 material 2 at 5 0 0 turn 1 0 0 90\n");
    for (int i = 0; i < 2; ++i) {
        frame(scene);
        const testgl::Rgba top = testgl::readPixel(screenX(5), screenY(10));
        const testgl::Rgba bottom = testgl::readPixel(screenX(5), screenY(-10));
        EXPECT_GT(top.r, 150) << i;
        EXPECT_LT(top.b, 50) << i;
        EXPECT_GT(bottom.b, 150) << i;
        EXPECT_LT(bottom.r, 50) << i;
    }
}

TEST_F(SceneDraw, GeneratedCoordinatesAreReadFromClientMemoryWhileBuffersExist) {
    Scene& scene = load("generated", std::string(stage) +
                                         "material 1 Chrome specular 0 0 0 ambient 1 1 1 map 9 framed.png\n"
                                         "mesh 5 Quad plane 40 40 4 material 1 turn 1 0 0 90\n");
    frame(scene);
    const testgl::Rgba p = testgl::readPixel(64, 64);
    EXPECT_GT(p.g, 150);
    EXPECT_LT(p.r, 60);
}

TEST_F(SceneDraw, AnAnimatedObjectIsWhereItsKeysPutItAtTheChosenTime) {
    Scene& scene = load("moving", std::string(stage) +
                                      "material 1 Marker diffuse 1 1 1 ambient 1 1 1 specular 0 0 0\n"
                                      "mesh 5 Dot plane 6 6 1 material 1 turn 1 0 0 90 move 40 0 0\n");
    frame(scene, 800);  // frame 5 of 11: half way
    SceneObject* dot = scene.findObject("Dot");
    ASSERT_NE(dot, nullptr);
    EXPECT_NEAR(dot->world[12], 20, 0.01f);
    EXPECT_GT(brightness(testgl::readPixel(screenX(20), 64)), 300);
    EXPECT_LT(brightness(testgl::readPixel(64, 64)), 30);
    frame(scene, 80);  // half way between keys 0 and 1
    EXPECT_NEAR(dot->world[12], 2, 0.01f);
}

TEST_F(SceneDraw, AFixedFunctionMeshAfterAVertexProgramMeshOfItsMaterialIsStillTextured) {
    // The program compares the light directions with the object's own normals: the
    // second light shines along the plane's unturned normal, +y.
    Scene& scene = load("programs", std::string(stage) + "light 4 Up omni at 0 100 0\n" +
                                        "material 1 Red specular 0 0 0 map 1 red.png\n"
                                        "mesh 5 A plane 10 10 1 material 1 at -15 0 0 turn 1 0 0 90\n"
                                        "mesh 6 B plane 10 10 1 material 1 at 0 0 0 turn 1 0 0 90\n"
                                        "mesh 7 C plane 10 10 1 material 1 at 15 0 0 turn 1 0 0 90\n");
    scene.findObject("B")->setVertexProgram("data/shaders/vertex_lighting.glsl", false, false);
    frame(scene);
    for (float x : {-15.0f, 0.0f, 15.0f}) {
        const testgl::Rgba p = testgl::readPixel(screenX(x), 64);
        EXPECT_GT(p.r, 100) << x;
        EXPECT_LT(p.g, 30) << x;
        EXPECT_LT(p.b, 30) << x;
    }
    EXPECT_EQ(scene.material(1)->applyCount(), 2u);  // A, and C after the program pass
}

TEST_F(SceneDraw, NineLightsDrawWithoutAGLErrorAndTheNinthStaysOutOfGL) {
    std::string lights;
    for (int i = 0; i < 8; ++i) lights += "light " + std::to_string(10 + i) + " L" + std::to_string(i) + " omni at 0 0 100 colour 0.1 0.1 0.1\n";
    Scene& scene = load("ninelights", std::string(stage) + lights +
                                          "material 1 Grey specular 0 0 0\n"
                                          "mesh 5 Quad plane 40 40 1 material 1 turn 1 0 0 90\n");
    ASSERT_EQ(scene.lights().size(), 9u);
    EXPECT_TRUE(scene.lights()[7]->hasGLLight());
    EXPECT_FALSE(scene.lights()[8]->hasGLLight());
    scene.lights()[8]->sendColours();
    scene.lights()[8]->switchGL(true);
    scene.lights()[0]->setFlicker(true);
    frame(scene);
    frame(scene);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // The flicker factor comes from a 15-bit value: the light never goes past its colour.
    EXPECT_LE(scene.lights()[0]->diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(Light::flickerFactor(32767), 1.0f);
    scene.lights()[0]->setFlicker(false);
    EXPECT_FLOAT_EQ(scene.lights()[0]->diffuse.r, 1.0f);
    EXPECT_GT(brightness(testgl::readPixel(64, 64)), 60);
}

TEST_F(SceneDraw, TwoFramesOfEveryPathLeaveTheStacksUnitsAndArraysAsTheyWere) {
    Scene& scene = load("everything", std::string(stage) +
                                          "light 4 Spot01 spot at 0 0 100 target 1\n"
                                          "material 1 M0 diffuse 0.5 0.5 0.5\n"
                                          "material 2 M1 map 1 red.png\n"
                                          "material 3 M2 map 9 blue.png opacity 0.5\n"
                                          "material 4 M4 map 1 red.png map 9 blue.png\n"
                                          "material 5 M5 map 1 yellow.png map 7 cyan.png\n"
                                          "material 6 M6 map 7 cyan.png map 10 red.png\n"
                                          "material 7 M8 map 9 white.png map 8 flatbump.png\n"
                                          "mesh 10 A plane 8 8 1 material 1 at -24 10 0 turn 1 0 0 90\n"
                                          "mesh 11 B plane 8 8 1 material 2 at -12 10 0 turn 1 0 0 90\n"
                                          "mesh 12 C plane 8 8 1 material 3 at 0 10 0 turn 1 0 0 90\n"
                                          "mesh 13 D plane 8 8 1 material 4 at 12 10 0 turn 1 0 0 90\n"
                                          "mesh 14 E plane 8 8 1 material 5 uv2 at 24 10 0 turn 1 0 0 90\n"
                                          "mesh 15 F plane 8 8 1 material 6 uv2 at -12 -10 0 turn 1 0 0 90\n"
                                          "mesh 16 G plane 8 8 1 material 7 at 0 -10 0 turn 1 0 0 90\n"
                                          "mesh 17 H plane 8 8 1 material 2 at 12 -10 0 turn 1 0 0 90\n");
    scene.findObject("H")->setVertexProgram("data/shaders/vertex_lighting.glsl", false, false);
    testgl::resetFrameState();
    const testgl::GLStateSnapshot before = testgl::GLStateSnapshot::capture();
    for (int i = 0; i < 2; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.setTime(0);
        scene.animate();
        scene.updateWorld();
        scene.render();
    }
    const testgl::GLStateSnapshot after = testgl::GLStateSnapshot::capture();
    // Stacks, units, texture enables, client arrays and buffers are back where they were;
    // the pass leaves only its own culling switched on.
    EXPECT_EQ(after.differencesFrom(before), "GL_CULL_FACE: off, now on\n");
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SceneDraw, AMeshThatWasNeverBoundIsSkippedByThePassesAndEndsTheColourPass) {
    // The mesh names a parent that does not exist: it is in no chain, never bound, and
    // has neither material nor arrays.
    lvg::File file;
    file.frameStep = 160;
    file.frameCount = 1;
    lvg::MaterialRecord material;
    material.id = 1;
    material.name = "Grey";
    material.opacity = 1;
    const lvg::MeshRecord orphan = testscene::triangle("Orphan", 5, 77, 1);
    lvg::DummyRecord root;
    root.node = testscene::node("Root", 1, -1);
    file.records = {material, root, orphan};
    std::unique_ptr<Scene> scene = SceneLoaderLVG(sceneCompressedTextureFolder, sceneTextureFolder).build(file);
    auto* mesh = static_cast<MeshObject*>(scene->findObject("Orphan"));
    ASSERT_FALSE(mesh->built());
    mesh->castsShadow = true;
    testgl::resetFrameState();
    glEnableClientState(GL_VERTEX_ARRAY);
    mesh->drawDepthPass();
    mesh->drawShadowPass();
    glDisableClientState(GL_VERTEX_ARRAY);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EXIT(mesh->draw(), testing::ExitedWithCode(1), "engine/MeshObject.cpp:[0-9]+ Mesh has no material: Orphan");
}
