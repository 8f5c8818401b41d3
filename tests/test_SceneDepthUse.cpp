// Who draws the scene's depth information: a scene drawn straight into the frame or
// captured by the depth-of-field filter fills "scenedepth"; captured by a filter that
// never reads it (ShaderRTT, Blur) it leaves the target as it was. In nested captures a
// depth of field anywhere in the chain keeps the pass, and the setting comes back after
// each capture.
#include "base/Globals.h"
#include "base/LumoraConfig.h"
#include "base/RenderTarget.h"
#include "demoSystem/ScriptLoader.h"
#include "demos/EffectList_Test.h"
#include "effects/Blur.h"
#include "effects/Effect3D.h"
#include "effects/ShaderDOF.h"
#include "effects/ShaderRTT.h"
#include "engine/SceneDepthTarget.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLStateSnapshot.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SceneFolder.h"
#include "tests/support/SceneRecords.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int side = testgl::contextWidth;

// One wall right in front of the camera, nearer than the near focal plane: fully out of
// focus, red 255 all over "scenedepth".
LvgWriter nearWallScene() {
    LvgWriter w;
    w.header(0, 100, 10);
    w.materials({testscene::whiteMaterial(1)});
    w.light(testscene::light("Omni01", 20, 0, {0, 0, 0}, -1));
    lvg::MeshRecord wall;
    wall.node = testscene::node("Wall", 1, -1, 1);
    wall.vertices = {{-50, -50, -5}, {50, -50, -5}, {50, 50, -5}, {-50, 50, -5}};
    wall.faces = {{0, 1, 2}, {0, 2, 3}};
    wall.normals.assign(4, Vec3{0, 0, 1});
    w.mesh(wall);
    lvg::DummyRecord aim;
    aim.node = testscene::node("Aim", 10, -1);
    aim.node.position = {0, 0, -50};
    w.dummy(aim);
    w.camera(testscene::camera("Cam", 30, {0, 0, 0}, 45, 10, 100));
    w.end();
    return w;
}

// Records what a scene drawn now would do about its depth pass.
class Probe : public Effect {
public:
    Probe() : Effect("probe") {}
    void render(uint32_t) override { sawDepthWanted = sceneDepthWanted(); }
    bool sawDepthWanted = false;
};

class SceneDepthUseTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testgl::context();
        LumoraConfig::query();
        folder = new testscene::SceneFolder;
        folder->use();
        ASSERT_TRUE(folder->write("data/scenes/wall.lvg", nearWallScene()));
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
        testgl::resetFrameState();
    }
    Effect3D& load() {
        const std::string script =
            "DEMO_END 60000\nINSERT_EFFECT scene AS Scene\n__SETUP__\n0 SIGNAL scene Datafile "
            "\"data/scenes/wall.lvg\"\n__TIMELINE__\n0 SIGNAL scene FocalNear 0.5\n"
            "0 SIGNAL scene FocalPoint 0.6\n0 SIGNAL scene FocalFar 0.8\n";
        ScriptFailure failure;
        EXPECT_TRUE(loader.loadText(script.data(), script.size(), failure)) << failure.message << failure.detail;
        auto* effect = dynamic_cast<Effect3D*>(list.findEffect("scene"));
        EXPECT_NE(effect, nullptr);
        EXPECT_NE(effect->scene(), nullptr);
        return *effect;
    }
    // "scenedepth" marked with red 64, then one update of filter; the red in its middle.
    static int depthAfterUpdate(Effect& filter) {
        testgl::fill(sceneDepthTarget(), 0.25f);
        glViewport(0, 0, side, side);
        filter.update(0);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return testgl::redAt(sceneDepthTarget(), sceneDepthTargetSide / 2, sceneDepthTargetSide / 2);
    }

    static testscene::SceneFolder* folder;
    EffectList_Test list;
    EventQueue events;
    ScriptLoader loader{list, events};
};

testscene::SceneFolder* SceneDepthUseTest::folder = nullptr;

TEST_F(SceneDepthUseTest, OnlyTheDepthOfFieldFilterAndTheFrameItselfGetTheDepthPass) {
    Effect3D& scene = load();

    ShaderDOF focus("focus");
    focus.source = &scene;
    EXPECT_NEAR(depthAfterUpdate(focus), 255, 3);

    ShaderRTT glow("glow");
    glow.source = &scene;
    EXPECT_EQ(depthAfterUpdate(glow), 64) << "ShaderRTT never reads the depth information";

    Blur blur("blur");
    blur.source = &scene;
    EXPECT_EQ(depthAfterUpdate(blur), 64) << "Blur never reads the depth information";

    // Straight into the frame, as before any filter.
    testgl::fill(sceneDepthTarget(), 0.25f);
    glViewport(0, 0, side, side);
    testgl::updateAndRender(scene, 0);
    EXPECT_NEAR(testgl::redAt(sceneDepthTarget(), sceneDepthTargetSide / 2, sceneDepthTargetSide / 2), 255, 3);
}

TEST_F(SceneDepthUseTest, ADepthOfFieldAnywhereInTheChainKeepsThePassAndTheSettingComesBack) {
    Probe probe;
    ShaderDOF focus("focus");
    focus.source = &probe;
    ShaderRTT glow("glow");
    glow.source = &focus;
    Blur blur("blur");
    blur.source = &probe;
    ShaderDOF focusOverBlur("focusOverBlur");
    focusOverBlur.source = &blur;

    glViewport(0, 0, side, side);
    glow.update(0);
    EXPECT_TRUE(probe.sawDepthWanted) << "a glow over the depth of field over a scene";
    EXPECT_TRUE(sceneDepthWanted());

    focusOverBlur.update(0);
    EXPECT_TRUE(probe.sawDepthWanted) << "the depth of field over a blur over a scene";
    EXPECT_TRUE(sceneDepthWanted());

    blur.update(0);
    EXPECT_FALSE(probe.sawDepthWanted);
    EXPECT_TRUE(sceneDepthWanted()) << "after the capture the frame's own draws get it again";
}

}  // namespace
