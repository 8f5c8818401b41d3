// The Scene effect's pictures, read back: shadows from the light "Spot01" where the light
// and the occluder put them (and none with the settings' shadows off, for a spot without
// a target, or on an object kept out of the blend), a keyed "Shadows", the depth
// information the passes leave in "scenedepth" for the depth-of-field filter, and the
// field of view "FOV" gives the camera.
#include "base/Globals.h"
#include "base/LumoraConfig.h"
#include "base/RenderTarget.h"
#include "demoSystem/EventIds.h"
#include "demoSystem/ScriptLoader.h"
#include "demos/EffectList_Test.h"
#include "effects/Effect3D.h"
#include "engine/Scene.h"
#include "engine/SceneDepthTarget.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLStateSnapshot.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SceneFolder.h"
#include "tests/support/SceneRecords.h"

#include <epoxy/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int side = testgl::contextWidth;

// Triangles wound counter-clockwise seen from outside: each is turned to face away from
// inside.
lvg::MeshRecord closedMesh(const std::string& name, int32_t id, int32_t materialId, std::vector<Vec3> vertices,
                           std::vector<std::array<int32_t, 3>> faces, const Vec3& inside) {
    lvg::MeshRecord m;
    m.node = testscene::node(name, id, -1, materialId);
    for (auto& f : faces) {
        const Vec3 a = vertices[size_t(f[0])], b = vertices[size_t(f[1])], c = vertices[size_t(f[2])];
        const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
        const Vec3 n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        const Vec3 out{a.x - inside.x, a.y - inside.y, a.z - inside.z};
        if (n.x * out.x + n.y * out.y + n.z * out.z < 0) std::swap(f[1], f[2]);
    }
    m.vertices = std::move(vertices);
    m.faces = std::move(faces);
    m.normals.clear();
    for (const Vec3& p : m.vertices) {
        const Vec3 d{p.x - inside.x, p.y - inside.y, p.z - inside.z};
        const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        m.normals.push_back({d.x / length, d.y / length, d.z / length});
    }
    return m;
}

lvg::MeshRecord box(const std::string& name, int32_t id, int32_t materialId, const Vec3& centre, float half) {
    std::vector<Vec3> corners;
    for (int i = 0; i < 8; ++i) {
        corners.push_back({centre.x + ((i & 1) ? half : -half), centre.y + ((i & 2) ? half : -half),
                           centre.z + ((i & 4) ? half : -half)});
    }
    return closedMesh(name, id, materialId, corners,
                      {{0, 1, 3}, {0, 3, 2}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                       {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 3, 7}, {1, 7, 5}},
                      centre);
}

// A square in the plane y = 0, facing up, its normals straight up.
lvg::MeshRecord ground(int32_t id, int32_t materialId, float half) {
    lvg::MeshRecord m = closedMesh("Ground", id, materialId, {{-half, 0, -half}, {-half, 0, half}, {half, 0, half}, {half, 0, -half}},
                                   {{0, 1, 2}, {0, 2, 3}}, Vec3{0, -1, 0});
    m.normals.assign(4, Vec3{0, 1, 0});
    return m;
}

const Vec3 cameraPosition{0, 15, 15};

// The ground lit from above by Omni01, a box floating over it, the camera looking down at
// the ground's centre at an angle. Spot01 (type 1 targeted, 2 free) shines down on the
// ground from spot.
LvgWriter shadowScene(const Vec3& spot, int32_t spotType) {
    LvgWriter w;
    w.header(0, 100, 10);
    w.materials({testscene::whiteMaterial(1), testscene::whiteMaterial(2)});
    w.light(testscene::light("Omni01", 20, 0, {0, 20, 0}, -1));
    w.light(testscene::light("Spot01", 21, spotType, spot, 1));
    w.mesh(ground(1, 1, 10));
    w.mesh(box("Box", 2, 2, {0, 5, 0}, 1));
    w.camera(testscene::camera("Cam", 30, cameraPosition, 45, 1));
    w.end();
    return w;
}

// Where a world point lands in the 128 x 128 frame, seen by the scene's camera.
struct Pixel {
    int x, y;
};
Pixel project(const Vec3& world) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45, 1.333f, 1, 2000);
    GLdouble projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(cameraPosition.x, cameraPosition.y, cameraPosition.z, 0, 0, 0, 0, 1, 0);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glPopMatrix();
    const GLint viewport[4] = {0, 0, side, side};
    GLdouble x = 0, y = 0, z = 0;
    gluProject(world.x, world.y, world.z, modelview, projection, viewport, &x, &y, &z);
    return {int(x), int(y)};
}

class ScenePictures : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testgl::context();
        LumoraConfig::query();
        folder = new testscene::SceneFolder;
        folder->use();
        // A slanted spot, one straight above the ground's centre, and a spot without target.
        ASSERT_TRUE(folder->write("data/scenes/slanted.lvg", shadowScene({2, 10, 0}, 1)));
        ASSERT_TRUE(folder->write("data/scenes/above.lvg", shadowScene({0, 10, 0}, 1)));
        ASSERT_TRUE(folder->write("data/scenes/free.lvg", shadowScene({2, 10, 0}, 2)));
    }
    static void TearDownTestSuite() {
        DataPack::usePlainDirectory("");
        delete folder;
    }
    void SetUp() override {
        folder->use();
        shadowsDisabled = false;
        screenWidth = side;
        screenHeight = side;
        keyEndTime = 0;
    }

    Effect3D& load(const std::string& file, const std::string& timeline = "") {
        const std::string script = "DEMO_END 60000\nINSERT_EFFECT scene AS Scene\n__SETUP__\n0 SIGNAL scene Datafile \"" +
                                   file + "\"\n__TIMELINE__\n0 SIGNAL scene FOV 0.25\n" + timeline;
        ScriptFailure failure;
        EXPECT_TRUE(loader.loadText(script.data(), script.size(), failure)) << failure.message << failure.detail;
        auto* effect = dynamic_cast<Effect3D*>(list.findEffect("scene"));
        EXPECT_NE(effect, nullptr);
        EXPECT_NE(effect->scene(), nullptr);
        return *effect;
    }
    // One frame of the effect over a cleared frame buffer; the frame's pixels.
    std::vector<uint8_t> frame(Effect3D& effect, uint32_t t) {
        glViewport(0, 0, side, side);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        testgl::updateAndRender(effect, t);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return testgl::readRgba(0, 0, side, side);
    }
    static int red(const std::vector<uint8_t>& pixels, Pixel p) { return pixels[size_t(p.y * side + p.x) * 4]; }
    void send(Effect& effect, int32_t id, float value, const std::string& text = "") {
        DemoEvent event;
        event.id = id;
        event.value = value;
        event.values[0] = value;
        event.text = text;
        effect.handleEvent(event);
    }

    static testscene::SceneFolder* folder;
    EffectList_Test list;
    EventQueue events;
    ScriptLoader loader{list, events};
};

testscene::SceneFolder* ScenePictures::folder = nullptr;

TEST_F(ScenePictures, TheBoxShadowsTheGroundWhereTheSlantedSpotPutsIt) {
    Effect3D& fx = load("data/scenes/slanted.lvg");
    // From (2, 10, 0) over the box at height 4 to 6, x -1 to 1, the shadow covers x from
    // -5.5 to 0.3 on the ground.
    const Pixel shadowed = project({-4, 0, 0});
    const Pixel lit = project({4, 0, 0});
    const Pixel beside = project({2, 0, 0});
    const std::vector<uint8_t> plain = frame(fx, 0);
    ASSERT_GT(red(plain, shadowed), 150) << "the ground is lit where the shadow will fall";
    fx.scene()->setShadows(true);
    const std::vector<uint8_t> shadows = frame(fx, 16);
    EXPECT_NEAR(red(shadows, shadowed), red(plain, shadowed) / 2, 3) << "half as bright in the shadow";
    EXPECT_NEAR(red(shadows, lit), red(plain, lit), 2);
    EXPECT_NEAR(red(shadows, beside), red(plain, beside), 2);
    fx.scene()->setShadows(false);
    EXPECT_EQ(frame(fx, 32), plain) << "switched off, the picture is as before";
}

TEST_F(ScenePictures, ASpotStraightAboveItsTargetShadowsTheGroundBeneathTheBox) {
    Effect3D& fx = load("data/scenes/above.lvg");
    // From (0, 10, 0) the shadow covers x and z from -2.5 to 2.5.
    const Pixel shadowed = project({-2, 0, 0});
    const Pixel lit = project({4, 0, 0});
    const std::vector<uint8_t> plain = frame(fx, 0);
    fx.scene()->setShadows(true);
    const std::vector<uint8_t> shadows = frame(fx, 16);
    EXPECT_NEAR(red(shadows, shadowed), red(plain, shadowed) / 2, 3);
    EXPECT_NEAR(red(shadows, lit), red(plain, lit), 2);
    fx.scene()->setShadows(false);
}

TEST_F(ScenePictures, NoShadowWhenTheSettingsSwitchedThemOffOrTheSpotHasNoTarget) {
    Effect3D& fx = load("data/scenes/slanted.lvg", "0 SIGNAL scene Shadows 0\n1000 SIGNAL scene Shadows 1\n");
    const std::vector<uint8_t> plain = frame(fx, 0);
    shadowsDisabled = true;
    EXPECT_EQ(frame(fx, 1000), plain) << "a keyed Shadows changes nothing";
    send(fx, eventSceneShadows, 1);
    EXPECT_FALSE(fx.scene()->shadowsOn);
    EXPECT_EQ(frame(fx, 1016), plain);
    shadowsDisabled = false;

    Effect3D& untargeted = load("data/scenes/free.lvg");
    const std::vector<uint8_t> freePlain = frame(untargeted, 0);
    untargeted.scene()->setShadows(true);
    ASSERT_TRUE(untargeted.scene()->shadowsOn);
    EXPECT_EQ(untargeted.scene()->shadowCaster(), nullptr);
    EXPECT_EQ(frame(untargeted, 16), freePlain) << "neither the map nor the blend touches the picture";
    untargeted.scene()->setShadows(false);
}

TEST_F(ScenePictures, AKeyedShadowsSwitchesOnAtItsKey) {
    Effect3D& fx = load("data/scenes/slanted.lvg", "0 SIGNAL scene Shadows 0\n2000 SIGNAL scene Shadows 1\n"
                                                    "4000 SIGNAL scene Shadows 0\n");
    const Pixel shadowed = project({-4, 0, 0});
    const int before = red(frame(fx, 1999), shadowed);
    EXPECT_FALSE(fx.scene()->shadowsOn);
    EXPECT_NEAR(red(frame(fx, 2000), shadowed), before / 2, 3);
    EXPECT_TRUE(fx.scene()->shadowsOn);
    EXPECT_EQ(red(frame(fx, 4000), shadowed), before);
    EXPECT_FALSE(fx.scene()->shadowsOn);
}

TEST_F(ScenePictures, AnObjectKeptOutOfTheBlendShowsNoShadow) {
    Effect3D& fx = load("data/scenes/slanted.lvg", "0 SIGNAL scene Shadows 1\n");
    const Pixel shadowed = project({-4, 0, 0});
    const int dark = red(frame(fx, 0), shadowed);
    send(fx, eventSceneSelectObject, 0, "Ground");
    send(fx, eventSceneCastsShadow, 0);
    const int excluded = red(frame(fx, 16), shadowed);
    EXPECT_GT(excluded, dark + 50) << "drawn as without shadows";
    send(fx, eventSceneCastsShadow, 1);
    EXPECT_EQ(red(frame(fx, 32), shadowed), dark);
    fx.scene()->setShadows(false);
}

TEST_F(ScenePictures, AFrameWithShadowsLeavesTheStateAsItFoundIt) {
    Effect3D& fx = load("data/scenes/slanted.lvg", "0 SIGNAL scene Shadows 1\n");
    testgl::resetFrameState();
    const testgl::GLStateSnapshot before = testgl::GLStateSnapshot::capture();
    for (uint32_t t : {0u, 16u}) {
        glViewport(0, 0, side, side);
        testgl::updateAndRender(fx, t);
        EXPECT_EQ(testgl::GLStateSnapshot::capture().differencesFrom(before), "") << t;
    }
    EXPECT_TRUE(fx.scene()->shadowsOn);
    fx.scene()->setShadows(false);
    testgl::resetFrameState();
}

// Three walls square to the view at eye distances 10, 50 and 65 of a far plane at 100, each
// filling a third of the picture from left to right.
LvgWriter wallsScene() {
    LvgWriter w;
    w.header(0, 100, 10);
    w.materials({testscene::whiteMaterial(1)});
    w.light(testscene::light("Omni01", 20, 0, {0, 0, 0}, -1));
    const float halfHeight = std::tan(22.5f * 3.14159265f / 180.0f);
    struct Wall { float distance, left, right; };
    int32_t id = 1;
    for (Wall wall : {Wall{10, -1.5f, -1.0f / 3}, Wall{50, -1.0f / 3, 1.0f / 3}, Wall{65, 1.0f / 3, 1.5f}}) {
        const float y = wall.distance * halfHeight * 1.5f;
        const float x0 = wall.left * wall.distance * halfHeight * 1.333f;
        const float x1 = wall.right * wall.distance * halfHeight * 1.333f;
        const float z = -wall.distance;
        lvg::MeshRecord m = closedMesh("Wall" + std::to_string(id), id, 1, {{x0, -y, z}, {x1, -y, z}, {x1, y, z}, {x0, y, z}},
                                       {{0, 1, 2}, {0, 2, 3}}, Vec3{0, 0, z - 1});
        m.normals.assign(4, Vec3{0, 0, 1});
        w.mesh(m);
        ++id;
    }
    lvg::DummyRecord aim;
    aim.node = testscene::node("Aim", 10, -1);
    aim.node.position = {0, 0, -50};
    w.dummy(aim);
    w.camera(testscene::camera("Cam", 30, {0, 0, 0}, 45, 10, 100));
    w.end();
    return w;
}

TEST_F(ScenePictures, SceneDepthHoldsTheBlurOfNearFocalAndFarWalls) {
    ASSERT_TRUE(folder->write("data/scenes/walls.lvg", wallsScene()));
    Effect3D& fx = load("data/scenes/walls.lvg", "0 SIGNAL scene FocalFar 0.8\n");
    frame(fx, 0);
    RenderTarget& depth = sceneDepthTarget();
    const int row = depth.height() / 2;
    const std::vector<int> red = testgl::redRow(depth, row);
    const int w = depth.width();
    // Planes 0.1, 0.5, 0.8: the near wall at 0.1 is fully blurred, the middle one sharp,
    // the far one at 0.65 half way to the far plane of full blur.
    EXPECT_NEAR(red[size_t(w / 6)], 255, 3);
    EXPECT_NEAR(red[size_t(w / 2)], 0, 3);
    EXPECT_NEAR(red[size_t(w * 5 / 6)], 128, 4);
    // The planes follow the variables.
    fx.focalPoint.current = 0.65f;
    fx.focalPoint.keys.clear();
    frame(fx, 16);
    const std::vector<int> moved = testgl::redRow(depth, row);
    EXPECT_NEAR(moved[size_t(w * 5 / 6)], 0, 3);
    EXPECT_NEAR(moved[size_t(w / 2)], 70, 4);  // (0.65 - 0.5) / (0.65 - 0.1) of the way
}

TEST_F(ScenePictures, FovQuarterGivesAFortyFiveDegreeCamera) {
    // The middle wall's top and bottom lie at 1.5 times the half height a 45 degree
    // camera sees at its distance: it covers the whole height; a 90 degree lens ("FOV"
    // 0.5) sees past it.
    ASSERT_TRUE(folder->write("data/scenes/walls.lvg", wallsScene()));
    Effect3D& fx = load("data/scenes/walls.lvg", "1000 SIGNAL scene FOV 0.5\n");
    std::vector<uint8_t> narrow = frame(fx, 0);
    EXPECT_FLOAT_EQ(fx.scene()->currentCameraObject()->fov, 45.0f);
    EXPECT_GT(red(narrow, {side / 2, side - 2}), 100);
    EXPECT_GT(red(narrow, {side / 2, 1}), 100);
    std::vector<uint8_t> wide = frame(fx, 1000);
    EXPECT_FLOAT_EQ(fx.scene()->currentCameraObject()->fov, 90.0f);
    EXPECT_EQ(red(wide, {side / 2, side - 2}), 0);
    EXPECT_GT(red(wide, {side / 2, side / 2}), 100);
}

}  // namespace
