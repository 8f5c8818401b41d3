// `lumora --dump-timeline --data DIR` on hand-written scripts: the keys and events the
// script implies, as JSON on stdout; script errors as reports with exit code 1.
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

class DumpTimeline : public testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDirectory("dump");
        std::filesystem::create_directories(dir + "/data/scripts");
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    ProgramResult dump(const std::string& script) {
        FILE* f = std::fopen((dir + "/data/scripts/cvdemo.script").c_str(), "wb");
        std::fwrite(script.data(), 1, script.size(), f);
        std::fclose(f);
        return runProgram(LUMORA_EXECUTABLE, {"--dump-timeline", "--data", dir},
                          {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    }

    std::string dir;
};

#define EXPECT_CONTAINS(haystack, needle) \
    EXPECT_NE((haystack).find(needle), std::string::npos) << "missing: " << (needle) << "\nin: " << (haystack)

const char* const script = R"(__HEADER__
DEMO_START 1000
DEMO_END 60000
DEMO_BEAT 125
__DEFS__
DEFINE BAR 2000     // one bar
DEFINE SWITCH 26
__SETUP__
INSERT_EFFECT fx AS Clear
INSERT_EFFECT never AS Fade
__TIMELINE__
TIMEOFFSET BAR
0 b fx
BAR * 2 e fx
-1000 s fx Speed 0.25
500 s fx BlendSrc 4
1000 t fx SWITCH "dir\x.png" 1 2 3
0 i fx
0 t never SWITCH 5
1000 s fx Pattern "1010"
)";

TEST_F(DumpTimeline, KeysEventsAndVariablesAsTheScriptImplies) {
    ProgramResult r = dump(script);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string& out = r.out;
    EXPECT_EQ(out.rfind(R"({"demoStart":1000,"demoEnd":60000,"beatLength":125,"effects":[{"name":"fx","type":"Clear",)"
                        R"("activity":{"current":false,"keys":[[0,false],[2000,true],[6000,false],[60000,false]]},)"
                        R"("variables":[{"name":"Speed","kind":"float","typeKind":1,"listKind":10000,"interpolation":2,)"
                        R"("current":0.5,"keys":[[0,0.25],[1000,0.25],[60000,0.25]]},)"
                        R"({"name":"SpectrumStr","kind":"float","typeKind":1,"listKind":10000,"interpolation":2,)"
                        R"("current":0,"keys":[]},)"
                        R"({"name":"Pattern","kind":"text","typeKind":4,"listKind":10000,"interpolation":2,)"
                        R"("current":"1000","keys":[[0,"1010"],[3000,"1010"],[60000,"1010"]]},)"
                        R"({"name":"Factor0","kind":"float","typeKind":1,"listKind":10000,"interpolation":3,)"
                        R"("current":0,"keys":[]},)",
                        0),
              0u)
        << out;
    EXPECT_CONTAINS(out, R"({"name":"BlendSrc","kind":"choice","typeKind":3,"listKind":10000,"interpolation":2,)"
                         R"("count":11,"current":1,"keys":[[0,40],[2500,40],[60000,40]]},)"
                         R"({"name":"BlendDst","kind":"choice","typeKind":3,"listKind":10000,"interpolation":2,)"
                         R"("count":11,"current":0,"keys":[]},)"
                         R"({"name":"BlendEquation","kind":"choice","typeKind":3,"listKind":10000,"interpolation":2,)"
                         R"("count":3,"current":0,"keys":[]},{"name":"Red",)");
    // Never begun: (0, off) and (end, off) collapsed into a constant off.
    EXPECT_CONTAINS(out, R"({"name":"never","type":"Fade","activity":{"current":false,"keys":[]},)");
    EXPECT_CONTAINS(out, R"("lists":{"0":[],"1000":[]}})");
    // Events in time order; same-time ones in script order.
    size_t events = out.find(R"(],"events":[)");
    ASSERT_NE(events, std::string::npos);
    EXPECT_EQ(out.substr(events),
              R"(],"events":[)"
              R"({"time":2000,"target":"fx","id":0,"value":0,"text":"","values":[0,0,0]},)"
              R"({"time":2000,"target":"never","id":26,"value":5,"text":"","values":[5,0,0]},)"
              R"({"time":3000,"target":"fx","id":26,"value":1,"text":"dir\\x.png","values":[1,2,3]}]})"
              "\n");
}

TEST_F(DumpTimeline, EmptyScriptGivesTheDefaults) {
    ProgramResult r = dump("");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "{\"demoStart\":0,\"demoEnd\":60000,\"beatLength\":100,\"effects\":[],\"events\":[]}\n");
}

TEST_F(DumpTimeline, ScriptErrorsAreReportsWithExitCodeOne) {
    ProgramResult unknownType = dump("INSERT_EFFECT fx AS osc\n");
    EXPECT_EQ(unknownType.exitCode, 1);
    EXPECT_CONTAINS(unknownType.err, "demos/EffectList_Test.cpp:");
    EXPECT_CONTAINS(unknownType.err, " EffectType not found: osc\n");
    EXPECT_EQ(unknownType.out, "");

    ProgramResult undefined = dump("DEMO_END FOREVER\n");
    EXPECT_EQ(undefined.exitCode, 1);
    EXPECT_CONTAINS(undefined.err, "demoSystem/ScriptLoader.cpp:");
    EXPECT_CONTAINS(undefined.err, " DEFINE not found: FOREVER\n");

    std::filesystem::remove(dir + "/data/scripts/cvdemo.script");
    ProgramResult missing = runProgram(LUMORA_EXECUTABLE, {"--dump-timeline", "--data", dir},
                                       {"SDL_VIDEODRIVER=offscreen"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_CONTAINS(missing.err, " script: could not open file for parsing\n");
}

}  // namespace
