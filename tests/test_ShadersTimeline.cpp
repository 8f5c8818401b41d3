// Event 36 on the timeline: a script's TRIGGER attaches the fragment program its text
// names to the effect, when the event is due; loading a script from the pack compiles
// those programs up front, and loading from memory compiles nothing.
#include "base/lvp.h"
#include "demoSystem/ScriptLoader.h"
#include "demos/EffectList_Test.h"
#include "engine/ShaderManager.h"
#include "launcher/TimelineHost.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const char* const tintFragment = "#version 420 compatibility\nuniform vec4 factors;\n"
                                 "void main() { gl_FragColor = gl_Color * factors; }\n";

// A data folder of this process with data/shaders and data/scripts.
const std::string& dataFolder() {
    static const std::string folder = [] {
        std::string root = makeTempDirectory("shader-events");
        std::string command = "mkdir -p '" + root + "/data/shaders' '" + root + "/data/scripts'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return root;
    }();
    return folder;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(dataFolder() + "/" + path, std::ios::binary) << text;
}

// Two Clear effects; the first gets the program at 100 and loses it at 300 (no text),
// an effect that does not exist gets a program that does not exist.
std::string scriptFor(const std::string& shader, const std::string& missing) {
    return "DEMO_END 10000\nDEFINE PROGRAM 36\nINSERT_EFFECT first AS Clear\nINSERT_EFFECT second AS Clear\n"
           "__TIMELINE__\n"
           "0 b first\n0 b second\n"
           "100 t first PROGRAM \"" + shader + "\"\n"
           "200 t second PROGRAM \"" + shader + "\"\n"
           "300 t first PROGRAM\n"
           "100 t nobody PROGRAM \"" + missing + "\"\n";
}

class ShaderEvents : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        DataPack::usePlainDirectory(dataFolder().c_str());
    }
    void TearDown() override { DataPack::usePlainDirectory(""); }

    EffectList_Test effects;
    EventQueue events;
};

TEST_F(ShaderEvents, ScriptEventAttachesTheProgramToTheNamedEffectWhenDue) {
    const std::string shader = "data/shaders/tint_event.glsl";
    writeFile(shader, tintFragment);
    ShaderManager& manager = ShaderManager::instance();
    const uint32_t compiles = manager.compileCount();

    ScriptLoader loader(effects, events);
    ScriptFailure failure;
    std::string script = scriptFor(shader, "data/shaders/none.glsl");
    ASSERT_TRUE(loader.loadText(script.data(), script.size(), failure)) << failure.message;
    EXPECT_EQ(manager.compileCount(), compiles) << "the in-memory path compiles nothing";
    Effect* first = effects.findEffect("first");
    Effect* second = effects.findEffect("second");
    ASSERT_TRUE(first && second);

    deliverDueEvents(effects, events, 99);
    EXPECT_EQ(first->program, nullptr);
    deliverDueEvents(effects, events, 100);
    ASSERT_NE(first->program, nullptr);
    EXPECT_EQ(first->program->fileName(), shader);
    EXPECT_TRUE(first->program->hasFactors());
    EXPECT_EQ(second->program, nullptr);

    deliverDueEvents(effects, events, 250);
    EXPECT_EQ(second->program, first->program) << "one program for both effects";
    EXPECT_EQ(manager.compileCount(), compiles + 1);
    EXPECT_EQ(manager.useCount(ProgramKind::Fragment, shader), 2u);

    deliverDueEvents(effects, events, 300);
    EXPECT_EQ(first->program, nullptr) << "an empty text detaches the program";
    EXPECT_NE(second->program, nullptr);
}

TEST_F(ShaderEvents, LoadingFromThePackCompilesTheNamedProgramsUpFront) {
    const std::string shader = "data/shaders/tint_preload.glsl";
    writeFile(shader, tintFragment);
    writeFile("data/scripts/preload.script", scriptFor(shader, "data/shaders/none.glsl"));
    ShaderManager& manager = ShaderManager::instance();
    const uint32_t compiles = manager.compileCount();

    ScriptLoader loader(effects, events);
    loader.load("data/scripts/preload.script");  // the missing program is for no effect
    EXPECT_EQ(manager.compileCount(), compiles + 1);
    EXPECT_NE(manager.findFragmentProgram(shader), nullptr);
    EXPECT_EQ(effects.findEffect("first")->program, nullptr) << "attached only when due";

    deliverDueEvents(effects, events, 200);
    EXPECT_EQ(effects.findEffect("first")->program, manager.findFragmentProgram(shader));
    EXPECT_EQ(manager.compileCount(), compiles + 1);
}

TEST_F(ShaderEvents, LoadingAScriptThatNamesAMissingProgramStopsAtLoad) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // the child needs its own GL context
    writeFile("data/scripts/missing.script", scriptFor("data/shaders/missing_event.glsl", "data/shaders/none.glsl"));
    ScriptLoader loader(effects, events);
    EXPECT_EXIT(loader.load("data/scripts/missing.script"), testing::ExitedWithCode(1),
                "engine/ShaderProgram.cpp:[0-9]+ Shader file not found: data/shaders/missing_event.glsl");
}

}  // namespace
