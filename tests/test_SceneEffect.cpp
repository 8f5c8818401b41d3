// The Scene effect without looking at pixels: its variables, loading the scene its script
// names (through the script loader, as the program does), the camera, focal, fog and
// lighting values it hands the scene each frame, the shared scene and clock, its events,
// and its two reports.
#include "base/Globals.h"
#include "demoSystem/EventIds.h"
#include "demoSystem/ScriptLoader.h"
#include "demos/EffectList_Test.h"
#include "effects/Effect3D.h"
#include "engine/MeshObject.h"
#include "engine/Scene.h"
#include "engine/SceneLoaderLVG.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/SceneFolder.h"
#include "tests/support/SceneRecords.h"

#include <epoxy/gl.h>
#include <fstream>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Box > Lid > Knob, Lid's sibling Hinge, the root Floor after Box; cameras CamA (30°),
// CamB (45°), CamC (60°) looking at Floor; Omni01 and Spot01 aimed at Floor.
LvgWriter threeCameraScene() {
    LvgWriter w;
    w.header(0, 1000, 10);
    w.materials({testscene::whiteMaterial(1), testscene::whiteMaterial(2)});
    w.light(testscene::light("Omni01", 20, 0, {}));
    w.light(testscene::light("Spot01", 21, 1, {}, 5));
    w.mesh(testscene::triangle("Box", 1, -1, 1));
    w.mesh(testscene::triangle("Lid", 2, 1, 1));
    w.mesh(testscene::triangle("Knob", 3, 2, 2));
    w.mesh(testscene::triangle("Hinge", 4, 1, 2));
    w.mesh(testscene::triangle("Floor", 5, -1, 2));
    w.camera(testscene::camera("CamA", 10, {0, 0, 10}, 30, 5));
    w.camera(testscene::camera("CamB", 11, {0, 0, 10}, 45, 5));
    w.camera(testscene::camera("CamC", 12, {0, 0, 10}, 60, 5));
    w.end();
    return w;
}

const char* const scenePath = "data/scenes/three.lvg";

class SceneEffect : public testing::Test {
protected:
    static void SetUpTestSuite() {
        testgl::context();
        folder = new testscene::SceneFolder;
        folder->use();
        ASSERT_TRUE(folder->write(scenePath, threeCameraScene()));
        LvgWriter other = threeCameraScene();
        ASSERT_TRUE(folder->write("data/scenes/other.lvg", other));
    }
    static void TearDownTestSuite() {
        DataPack::usePlainDirectory("");
        delete folder;
    }
    void SetUp() override {
        folder->use();
        shadowsDisabled = false;
    }

    // Loads a script whose set-up declares the effects; fails the test on a script error.
    void load(const std::string& script) {
        ScriptFailure failure;
        ASSERT_TRUE(loader.loadText(script.data(), script.size(), failure)) << failure.message << ": " << failure.detail;
    }
    Effect3D& scene(const std::string& name = "scene") {
        auto* effect = dynamic_cast<Effect3D*>(list.findEffect(name));
        EXPECT_NE(effect, nullptr) << name;
        return *effect;
    }
    void send(Effect& effect, int32_t id, float value = 0, const std::string& text = "", float v1 = 0, float v2 = 0) {
        DemoEvent event;
        event.id = id;
        event.value = value;
        event.text = text;
        event.values[0] = value;
        event.values[1] = v1;
        event.values[2] = v2;
        effect.handleEvent(event);
    }

    static testscene::SceneFolder* folder;
    EffectList_Test list;
    EventQueue events;
    ScriptLoader loader{list, events};
};

testscene::SceneFolder* SceneEffect::folder = nullptr;

const std::string header = "DEMO_END 60000\nINSERT_EFFECT scene AS Scene\n__SETUP__\n0 SIGNAL scene Datafile \"" +
                           std::string(scenePath) + "\"\n__TIMELINE__\n0 BEGIN scene\n";

TEST_F(SceneEffect, VariablesAfterTheBaseOnesInTheirOrderWithTheirDefaults) {
    Effect3D effect("fx");
    std::vector<std::string> names;
    for (const EffectVariable* variable : effect.variables()) names.push_back(variable->name);
    const std::vector<std::string> expected = {"Loop", "Shadows", "Camera", "FOV", "FocalPoint", "FocalNear",
                                               "FocalFar", "FocalClamp", "Fog", "FogMode", "FogR", "FogG", "FogB",
                                               "FogDensity", "FogScale", "FogStart", "FogEnd", "Datafile",
                                               "LightingOn", "LightingOff", "MoreLight"};
    ASSERT_GE(names.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(names.end() - long(expected.size()), names.end()), expected);
    EXPECT_EQ(effect.camera.listKind, listKindNames1000);
    EXPECT_TRUE(effect.camera.isText);
    EXPECT_EQ(effect.camera.count, 0u);
    EXPECT_EQ(effect.datafile.listKind, listKindNames0);
    EXPECT_TRUE(effect.datafile.isText);
    EXPECT_EQ(effect.fogMode.count, 3u);
    EXPECT_FLOAT_EQ(effect.fov.valueAt(0), 0.25f);
    EXPECT_FLOAT_EQ(effect.fogScale.valueAt(0), 1.0f / 60.0f);
    EXPECT_FLOAT_EQ(effect.fogEnd.valueAt(0), 2.0f);
    EXPECT_FLOAT_EQ(effect.focalClamp.valueAt(0), 1.0f);
    // Without a scene the effect updates, renders and takes events without doing anything.
    effect.update(100);
    effect.render(100);
    send(effect, eventSceneSelectObject, 0, "Box");
    EXPECT_EQ(effect.selectedObject(), nullptr);
}

TEST_F(SceneEffect, TheScriptsDatafileLoadsTheSceneAndNamesItsCameras) {
    load(header);
    Effect3D& fx = scene();
    ASSERT_NE(fx.scene(), nullptr);
    EXPECT_EQ(fx.sceneFileName(), scenePath);
    EXPECT_EQ(fx.nameList(listKindNames0), (std::vector<std::string>{scenePath}));
    EXPECT_EQ(fx.datafile.count, 1u);
    EXPECT_EQ(fx.nameList(listKindNames1000), (std::vector<std::string>{"CamA", "CamB", "CamC"}));
    EXPECT_EQ(fx.camera.count, 3u);
    EXPECT_NEAR(fx.fov.current * 180.0f, 30.0f, 0.01f);  // the first camera's
    ASSERT_NE(fx.shadowLight(), nullptr);
    EXPECT_EQ(fx.shadowLight()->name(), "Spot01");
}

TEST_F(SceneEffect, CameraNamesPickTheirCameraNumbersScaleAndFovFollows) {
    load(header + "0 SIGNAL scene FOV 0.25\n1000 SIGNAL scene Camera \"CamC\"\n2000 SIGNAL scene Camera \"CamB\"\n"
                  "3000 SIGNAL scene Camera 0.5\n4000 SIGNAL scene Camera \"nobody\"\n");
    Effect3D& fx = scene();
    Scene& s = *fx.scene();
    fx.update(1000);
    EXPECT_EQ(s.currentCamera, 2u);
    // "FOV" 0.25 is a 45 degree camera.
    EXPECT_FLOAT_EQ(s.currentCameraObject()->fov, 45.0f);
    fx.update(2000);
    EXPECT_EQ(s.currentCamera, 1u);
    fx.update(3000);
    EXPECT_EQ(s.currentCamera, 1u) << "0.5 of three cameras is the middle one";
    fx.update(4000);
    EXPECT_EQ(s.currentCamera, 0u) << "an unknown name is the first entry";
    // A stored value beyond the cameras leaves the camera alone.
    fx.camera.keys.clear();
    fx.camera.current = 7;
    s.currentCamera = 2;
    fx.update(5000);
    EXPECT_EQ(s.currentCamera, 2u);
}

TEST_F(SceneEffect, Event18LocksTheCameraAgainstLaterCameraAndFovKeys) {
    load(header + "1000 SIGNAL scene Camera \"CamA\"\n3000 SIGNAL scene Camera \"CamC\"\n"
                  "3000 SIGNAL scene FOV 0.5\n");
    Effect3D& fx = scene();
    Scene& s = *fx.scene();
    fx.update(1000);
    send(fx, eventSceneLockCamera, 0, "CamB");
    EXPECT_TRUE(fx.cameraLocked());
    EXPECT_EQ(s.currentCamera, 1u);
    send(fx, eventSceneCameraFov, 70);
    for (uint32_t t : {2000u, 3000u, 50000u}) {
        fx.update(t);
        EXPECT_EQ(s.currentCamera, 1u) << t;
        EXPECT_FLOAT_EQ(s.currentCameraObject()->fov, 70.0f) << t;
    }
    send(fx, eventSceneLockCamera, 0, "nobody");  // stays on the camera it has
    EXPECT_EQ(s.currentCamera, 1u);
}

TEST_F(SceneEffect, EffectsNamingOneFileShareOneScene) {
    load("DEMO_END 60000\nINSERT_EFFECT left AS Scene\nINSERT_EFFECT right AS Scene\n__SETUP__\n"
         "0 SIGNAL left Datafile \"data/scenes/other.lvg\"\n0 SIGNAL right Datafile \"data/scenes/other.lvg\"\n"
         "__TIMELINE__\n0 SIGNAL left Camera \"CamC\"\n");
    Effect3D& left = scene("left");
    Effect3D& right = scene("right");
    ASSERT_NE(left.scene(), nullptr);
    EXPECT_EQ(left.scene(), right.scene());
    left.update(10);
    EXPECT_EQ(right.scene()->currentCamera, 2u) << "the camera change of one is seen by the other";
}

TEST_F(SceneEffect, FocalPlanesAndFogReachTheSceneEachFrame) {
    load(header + "0 SIGNAL scene FocalPoint 0.3\n0 SIGNAL scene FocalFar 0.9\n0 SIGNAL scene Fog 1\n"
                  "0 SIGNAL scene FogMode 1\n0 SIGNAL scene FogR 0.25\n1000 SIGNAL scene FogMode 0.5\n"
                  "1000 SIGNAL scene FogDensity 0.2\n");
    Effect3D& fx = scene();
    Scene& s = *fx.scene();
    fx.update(0);
    EXPECT_FLOAT_EQ(s.focalPoint, 0.3f);
    EXPECT_FLOAT_EQ(s.focalNear, 0.1f);
    EXPECT_FLOAT_EQ(s.focalFar, 0.9f);
    EXPECT_TRUE(s.fogOn);
    // FogMode 1 (stored 2) is linear fog: 0.2 and 2 units of 1/60 x 30000.
    EXPECT_EQ(s.fogMode, uint32_t(GL_LINEAR));
    EXPECT_FLOAT_EQ(s.fogStart, 100.0f);
    EXPECT_FLOAT_EQ(s.fogEnd, 1000.0f);
    EXPECT_FLOAT_EQ(s.fogColour.r, 0.25f);
    EXPECT_FLOAT_EQ(s.fogColour.a, 1.0f);
    fx.update(1000);
    EXPECT_EQ(s.fogMode, uint32_t(GL_EXP2));
    EXPECT_FLOAT_EQ(s.fogDensity, 0.002f);
}

TEST_F(SceneEffect, LightingSwitchesActWhenTheirKeysFlipThem) {
    load(header + "0 SIGNAL scene LightingOff 0\n1000 SIGNAL scene LightingOff 1\n2000 SIGNAL scene LightingOff 0\n");
    Effect3D& fx = scene();
    Scene& s = *fx.scene();
    fx.update(500);
    for (const auto& [id, m] : s.materials()) m->lightingOff = true;  // set by someone else: left alone
    fx.update(600);
    for (const auto& [id, m] : s.materials()) EXPECT_TRUE(m->lightingOff);
    for (const auto& [id, m] : s.materials()) m->lightingOff = false;
    fx.update(1000);
    for (const auto& [id, m] : s.materials()) EXPECT_TRUE(m->lightingOff) << "the key turned it on";
    fx.update(2000);
    for (const auto& [id, m] : s.materials()) EXPECT_FALSE(m->lightingOff);
}

TEST_F(SceneEffect, TheSceneClockIsSharedAdvancedBySpeedAndResetByEveryStart) {
    load("DEMO_END 60000\nINSERT_EFFECT a AS Scene\nINSERT_EFFECT b AS Scene\n__TIMELINE__\n"
         "0 SIGNAL b Speed 1\n");
    Effect3D& a = scene("a");
    Effect3D& b = scene("b");
    a.start(0);
    b.start(0);
    EXPECT_FLOAT_EQ(sceneClock, 0.0f);
    a.update(100);  // Speed 0.5: 0.1 per ms
    EXPECT_FLOAT_EQ(sceneClock, 10.0f);
    b.update(100);  // Speed 1: 0.2 per ms
    EXPECT_FLOAT_EQ(sceneClock, 30.0f);
    a.start(100);
    EXPECT_FLOAT_EQ(sceneClock, 0.0f);
}

TEST_F(SceneEffect, ObjectEventsReachWhatEachNames) {
    load(header);
    Effect3D& fx = scene();
    Scene& s = *fx.scene();
    SceneObject& box = *s.findObject("Box");
    SceneObject& lid = *s.findObject("Lid");
    SceneObject& knob = *s.findObject("Knob");
    SceneObject& hinge = *s.findObject("Hinge");
    SceneObject& floor = *s.findObject("Floor");

    send(fx, eventSceneSelectObject, 0, "Lid");
    EXPECT_EQ(fx.selectedObject(), &lid);
    // 20: the selection and all its descendants.
    send(fx, eventSceneVisible, 0);
    EXPECT_FALSE(lid.visible);
    EXPECT_FALSE(knob.visible);
    EXPECT_TRUE(hinge.visible);
    EXPECT_TRUE(box.visible);
    // 16: and its following siblings with theirs.
    send(fx, eventSceneInheritTransform, 1);
    EXPECT_TRUE(lid.inheritTransform);
    EXPECT_TRUE(knob.inheritTransform);
    EXPECT_TRUE(hinge.inheritTransform);
    EXPECT_FALSE(box.inheritTransform);
    // 43: castsShadow down the chain of first children; only the selection is excluded.
    send(fx, eventSceneSelectObject, 0, "Box");
    send(fx, eventSceneCastsShadow, 0);
    EXPECT_FALSE(box.castsShadow);
    EXPECT_TRUE(box.shadowExcluded);
    EXPECT_FALSE(knob.shadowExcluded);
    send(fx, eventSceneCastsShadow, 1);
    for (SceneObject* o : {&box, &lid, &knob}) EXPECT_TRUE(o->castsShadow) << o->name();
    EXPECT_FALSE(hinge.castsShadow);
    EXPECT_FALSE(floor.castsShadow);
    EXPECT_FALSE(box.shadowExcluded);

    // 11 and the spectrum level place the selection every frame.
    send(fx, eventSpectrum, 1);  // "SpectrumStr" 0: level 0, no offset
    fx.start(0);
    send(fx, eventSceneSpin, 90, "", 0, 0);
    fx.update(10000);  // T = 0.1 x 10000 = 1000: 90000 degrees about x, a whole number of turns
    EXPECT_NEAR(box.rotation[5], 1.0f, 1e-3f);
    EXPECT_FLOAT_EQ(box.offset.x, 0.0f);
    fx.update(10010);  // one more unit of T: 90 degrees about x
    EXPECT_NEAR(box.rotation[5], 0.0f, 1e-3f);
    EXPECT_NEAR(box.rotation[6], 1.0f, 1e-3f);

    // An unknown name clears the selection; events needing one then do nothing.
    send(fx, eventSceneSelectObject, 0, "nobody");
    EXPECT_EQ(fx.selectedObject(), nullptr);
    send(fx, eventSceneVisible, 0);
    send(fx, eventSceneCastsShadow, 1);
    EXPECT_TRUE(floor.visible);
}

TEST_F(SceneEffect, ProgramEventsReachTheChainsOfFirstChildren) {
    load(header);
    Effect3D& fx = scene();
    Scene& s = *fx.scene();
    auto mesh = [&](const char* name) { return static_cast<MeshObject*>(s.findObject(name)); };
    const std::string lighting = "data/shaders/vertex_lighting.glsl";
    const std::string focus = "data/shaders/fragment_focus.glsl";
    // 37 / 38: the selection and its first children, not their siblings.
    send(fx, eventSceneSelectObject, 0, "Lid");
    send(fx, eventSceneObjectVertexProgram, 0, lighting);
    EXPECT_NE(mesh("Lid")->vertexProgram(), nullptr);
    EXPECT_NE(mesh("Knob")->vertexProgram(), nullptr);
    EXPECT_EQ(mesh("Hinge")->vertexProgram(), nullptr);
    EXPECT_EQ(mesh("Box")->vertexProgram(), nullptr);
    send(fx, eventSceneObjectFragmentProgram, 0, focus);
    EXPECT_NE(mesh("Knob")->fragmentProgram(), nullptr);
    EXPECT_EQ(mesh("Floor")->fragmentProgram(), nullptr);
    // 35 / 36: every root (Box, Floor) and its first children; Hinge is no first child.
    send(fx, eventSceneFragmentProgram, 0, focus);
    EXPECT_NE(fx.program, nullptr) << "the base's event 36 still sets the effect's program";
    for (const char* name : {"Box", "Lid", "Knob", "Floor"}) EXPECT_NE(mesh(name)->fragmentProgram(), nullptr) << name;
    EXPECT_EQ(mesh("Hinge")->fragmentProgram(), nullptr);
    send(fx, eventSceneVertexProgram, 0, lighting);
    EXPECT_EQ(mesh("Floor")->vertexProgram(), mesh("Lid")->vertexProgram());
    EXPECT_EQ(mesh("Hinge")->vertexProgram(), nullptr);
}

TEST_F(SceneEffect, LightEventsSwitchTheSelectedLightAndTheFirstOnesFlicker) {
    load(header);
    Effect3D& fx = scene();
    Scene& s = *fx.scene();
    Light& omni = *s.findLight("Omni01");
    send(fx, eventSceneFlicker, 1);
    EXPECT_TRUE(omni.flicker);
    send(fx, eventSceneFlicker, 0);
    EXPECT_FALSE(omni.flicker);
    send(fx, eventSceneLightEnabled, 0);  // nothing selected yet
    EXPECT_TRUE(omni.enabled);
    send(fx, eventSceneSelectLight, 0, "Omni01");
    EXPECT_EQ(fx.selectedLight(), &omni);
    send(fx, eventSceneLightEnabled, 0);
    EXPECT_FALSE(omni.enabled);
    EXPECT_FALSE(glIsEnabled(GLenum(GL_LIGHT0 + omni.glIndex)));
    send(fx, eventSceneLightEnabled, 1);
    EXPECT_TRUE(omni.enabled);
    EXPECT_TRUE(glIsEnabled(GLenum(GL_LIGHT0 + omni.glIndex)));
    glDisable(GLenum(GL_LIGHT0 + omni.glIndex));
    send(fx, eventSceneSelectLight, 0, "nobody");
    EXPECT_EQ(fx.selectedLight(), nullptr);
}

TEST_F(SceneEffect, AFileThatDoesNotLoadIsReportedAndLeavesTheEffectWithoutAScene) {
    testing::internal::CaptureStderr();
    load("DEMO_END 60000\nINSERT_EFFECT scene AS Scene\n__SETUP__\n"
         "0 SIGNAL scene Datafile \"data/scenes/missing.lvg\"\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("effects/Effect3D.cpp:"), std::string::npos) << err;
    EXPECT_NE(err.find(" could not load scene: data/scenes/missing.lvg\n"), std::string::npos) << err;
    Effect3D& fx = scene();
    EXPECT_EQ(fx.scene(), nullptr);
    fx.update(0);
    fx.render(0);
    // A later name that loads gives it its scene.
    fx.addListEntry(listKindNames0, scenePath);
    EXPECT_NE(fx.scene(), nullptr);
    EXPECT_EQ(fx.datafile.count, 2u);
}

TEST_F(SceneEffect, TheTimelineDumpListsTheSceneFileAndItsCameras) {
    std::ofstream(folder->root + "/data/scripts/cvdemo.script") << header;
    ProgramResult dump = runProgram(LUMORA_EXECUTABLE, {"--dump-timeline", "--data", folder->root},
                                    {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    const std::string lists = std::string("\"lists\":{\"0\":[\"") + scenePath + "\"],\"1000\":[\"CamA\",\"CamB\",\"CamC\"]}";
    EXPECT_NE(dump.out.find(lists), std::string::npos) << dump.out;
}

TEST(SceneEffectDeathTest, ASceneWithoutCamerasEndsTheProgram) {
    testscene::SceneFolder folder;
    LvgWriter w;
    w.header(0, 100, 10);
    w.bareNode({1, "Alone"});
    w.end();
    ASSERT_TRUE(folder.write("data/scenes/nocamera.lvg", w));
    folder.use();
    Effect3D fx("fx");
    EXPECT_EXIT(fx.addListEntry(listKindNames0, "data/scenes/nocamera.lvg"), testing::ExitedWithCode(1),
                "effects/Effect3D.cpp:[0-9]+ no camera in scene: data/scenes/nocamera.lvg\n");
    DataPack::usePlainDirectory("");
}

}  // namespace
