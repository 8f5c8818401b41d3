// Every effect type of the registry leaves the GL state the next effect relies on as it
// found it: one frame of each row (its events, update, and render inside the frame's
// pushed matrices), once as made and once with every switch on, compared with the state
// before the frame. A new registry row joins by itself; a type that needs something to
// draw (a picture, a source effect) gets one line in the set-up table below.
#include "base/Globals.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "demoSystem/EventIds.h"
#include "demos/EffectList_Test.h"
#include "tests/support/GLStateSnapshot.h"
#include "tests/support/EffectFrame.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A 16 x 16 picture in the plain data folder of this process, beside the demo's shaders.
const char* const picture = "glstate.png";

// What a set-up works with: the list the effect under test lives in (so that event 2
// finds other effects), and the effect.
struct Stage {
    EffectList_Test& list;
    Effect& effect;

    void send(int32_t id, float value = 0, const std::string& text = "") const {
        DemoEvent event;
        event.id = id;
        event.value = value;
        event.text = text;
        effect.handleEvent(event);
    }
    // The variable's constant value (its keys, if any, stay).
    void set(const char* variableName, float value) const {
        EffectVariable* variable = effect.findVariable(variableName);
        ASSERT_NE(variable, nullptr) << effect.typeName() << " has no variable " << variableName;
        variable->setValue(value, 0);
    }
    // An Image named "source" that shows the picture, made the effect's source.
    void givePictureSource() const {
        list.createEffect("source", "Image");
        Effect* source = list.findEffect("source");
        source->addListEntry(listKindNames0, picture);
        source->blendSource.current = 10;  // GL_ONE, GL_ZERO: the picture replaces
        send(eventSetSource, 0, "source");
    }
};

// --- set-ups, shared by the types that need them ---

void namePicture(Stage& stage) {
    stage.effect.addListEntry(listKindNames0, picture);
}

void pictureSource(Stage& stage) {
    stage.givePictureSource();
}

// The set-up per type name, one line each. A type without a line gets no set-up.
struct SetUpRow {
    const char* typeName;
    void (*setUp)(Stage&);
};
const SetUpRow setUps[] = {
    {"FramebufferScroll", pictureSource},
    {"Blur", pictureSource},
    {"GridExp", pictureSource},
    {"Image", namePicture},
    {"LineDistortion", pictureSource},
    {"Mosaic", pictureSource},
    {"Ripple", pictureSource},
    {"RotoZoom", pictureSource},
    {"TechnoNoise", pictureSource},
    {"ShaderRTT", pictureSource},
    {"ShaderDOF", pictureSource},
    {"Tiles", pictureSource},
    {"TypeWriter", namePicture},
};

void (*setUpFor(const std::string& typeName))(Stage&) {
    for (const SetUpRow& row : setUps) {
        if (typeName == row.typeName) return row.setUp;
    }
    return nullptr;
}

// Sets every bool variable of the effect on, so that the frame runs its optional passes.
void switchEverythingOn(Effect& effect) {
    for (EffectVariable* variable : effect.variables()) {
        if (std::strcmp(variable->kindName(), "bool") == 0) variable->setValue(1, 0);
    }
}

// One frame as the timeline draws it.
void frame(Effect& effect, uint32_t t) {
    glViewport(0, 0, testgl::contextWidth, testgl::contextHeight);
    testgl::updateAndRender(effect, t);
}

std::vector<std::string> registryTypeNames() {
    size_t count = 0;
    const EffectTypeRow* rows = effectTypeRows(count);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) names.push_back(rows[i].typeName);
    return names;
}

class EffectGLState : public testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() {
        testgl::context();
        screenWidth = testgl::contextWidth;
        screenHeight = testgl::contextHeight;
        beatLength = 100;
        // A folder of this process alone: ctest runs the cases in parallel processes.
        folder = makeTempDirectory("effect-glstate");
        std::vector<uint8_t> pixels(16 * 16 * 3);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7);
        writePng(folder + "/" + picture, 16, 16, 3, pixels.data());
        // Effects load their programs from data/shaders when made.
        std::filesystem::create_directories(folder + "/data");
        std::filesystem::copy(std::string(LUMORA_SOURCE_DIR) + "/data/shaders", folder + "/data/shaders");
        DataPack::usePlainDirectory(folder.c_str());
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder); }

    // Makes the effect, sets it up, starts it at 0 and checks the state after a frame at
    // 0 ms and one at 1000 ms.
    void checkFrames(const std::string& typeName, bool everySwitchOn) {
        testgl::context();
        keyEndTime = 60000;
        EffectList_Test list;
        ASSERT_TRUE(list.createEffect("fx", typeName));
        Effect& effect = *list.findEffect("fx");
        Stage stage{list, effect};
        if (auto setUp = setUpFor(typeName)) setUp(stage);
        if (everySwitchOn) switchEverythingOn(effect);
        keyEndTime = 0;

        testgl::resetFrameState();
        const testgl::GLStateSnapshot before = testgl::GLStateSnapshot::capture();
        stage.send(eventStart);
        for (uint32_t t : {0u, 1000u}) {
            frame(effect, t);
            const std::string differences = testgl::GLStateSnapshot::capture().differencesFrom(before);
            if (!differences.empty()) {
                ADD_FAILURE() << typeName << (everySwitchOn ? " with every switch on" : " as made")
                              << ", frame at " << t << " ms, leaves:\n" << differences;
                testgl::resetFrameState();
            }
        }
    }

    static std::string folder;
};

std::string EffectGLState::folder;

TEST_P(EffectGLState, OneFrameLeavesTheStateAsFound) {
    checkFrames(GetParam(), false);
}

TEST_P(EffectGLState, OneFrameWithEverySwitchOnLeavesTheStateAsFound) {
    checkFrames(GetParam(), true);
}

INSTANTIATE_TEST_SUITE_P(EveryRegistryRow, EffectGLState, testing::ValuesIn(registryTypeNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

// The check itself: a state an effect would leave behind is named in the difference.
TEST(GLStateSnapshot, NamesWhatChanged) {
    testgl::context();
    testgl::resetFrameState();
    const testgl::GLStateSnapshot before = testgl::GLStateSnapshot::capture();
    EXPECT_EQ(testgl::GLStateSnapshot::capture().differencesFrom(before), "");

    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    glColor4f(1, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 12345);  // GL_INVALID_ENUM
    const std::string differences = testgl::GLStateSnapshot::capture().differencesFrom(before);
    EXPECT_NE(differences.find("GL_BLEND_SRC_RGB: GL_ONE, now GL_SRC_ALPHA\n"), std::string::npos) << differences;
    EXPECT_NE(differences.find("GL_BLEND_DST_ALPHA: GL_ZERO, now GL_ONE_MINUS_SRC_ALPHA\n"), std::string::npos);
    EXPECT_NE(differences.find("unit 1 GL_TEXTURE_2D: off, now on\n"), std::string::npos) << differences;
    EXPECT_NE(differences.find("GL_CURRENT_COLOR: (1, 1, 1, 1), now (1, 0, 0, 1)\n"), std::string::npos);
    EXPECT_NE(differences.find("GL_MATRIX_MODE: GL_MODELVIEW, now GL_PROJECTION\n"), std::string::npos);
    EXPECT_NE(differences.find("GL_PROJECTION_STACK_DEPTH: 1, now 2\n"), std::string::npos);
    EXPECT_NE(differences.find("GL error: none, now GL_INVALID_ENUM\n"), std::string::npos) << differences;
    EXPECT_EQ(differences.find("GL_ACTIVE_TEXTURE"), std::string::npos) << "the snapshot selects units back";
    testgl::resetFrameState();
    EXPECT_EQ(testgl::GLStateSnapshot::capture().differencesFrom(before), "");
}

}  // namespace
