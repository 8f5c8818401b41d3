// The script loader: tokens and comments, expressions, every statement and timeline
// command, the value lists, failures, and the load procedure.
#include "base/Globals.h"
#include "base/lvp.h"
#include "demoSystem/ScriptLoader.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class ScriptEffect : public Effect {
public:
    explicit ScriptEffect(const std::string& name) : Effect(name) {
        registerVariable(alpha, "Alpha", listKindPlain, typeKindFloat);
        registerVariable(file, "File", listKindNames0, typeKindChoice);
        registerVariable(mode, "Mode", listKindPlain, typeKindChoice);
        registerVariable(on, "On", listKindPlain, typeKindBool);
        registerVariable(scene, "Scene", listKindNames0, typeKindChoice);
        scene.isText = true;
        registerVariable(view, "View", listKindNames1000, typeKindChoice);
        view.isText = true;
    }
    void render(uint32_t) override {}
    void onListEntryAdded(int32_t kind, const std::string& text, uint32_t count) override {
        added.push_back(std::to_string(kind) + ":" + text + ":" + std::to_string(count));
    }
    FloatVariable alpha{1.0f};
    ChoiceVariable file{0, 1};
    ChoiceVariable mode{0, 5};
    BoolVariable on;
    ChoiceVariable scene{0, 1};  // text-marked choices among names, as a scene's file and camera
    ChoiceVariable view{0, 4};
    std::vector<std::string> added;
};

class ScriptList : public EffectList {
public:
    bool createEffect(const std::string& name, const std::string& type) override {
        types.push_back(type);
        appendEffect(new ScriptEffect(name), type);
        return true;
    }
    ScriptEffect* get(const std::string& name) { return static_cast<ScriptEffect*>(findEffect(name)); }
    std::vector<std::string> types;
};

using BoolKeys = std::vector<std::pair<uint32_t, bool>>;
using FloatKeys = std::vector<std::pair<uint32_t, float>>;

template <typename Value>
std::vector<std::pair<uint32_t, Value>> pairs(const std::vector<VariableKey<Value>>& keys) {
    std::vector<std::pair<uint32_t, Value>> out;
    for (const auto& key : keys) {
        out.emplace_back(key.time, key.value);
    }
    return out;
}

class Loader : public testing::Test {
protected:
    // Loads text; expects success unless told otherwise.
    bool load(const std::string& text, bool expectSuccess = true) {
        failure = ScriptFailure{};
        bool ok = loader.loadText(text.data(), text.size(), failure);
        if (expectSuccess) {
            EXPECT_TRUE(ok) << failure.message << ": " << failure.detail;
        }
        return ok;
    }
    void expectFailure(const std::string& text, const std::string& message, const std::string& detail) {
        EXPECT_FALSE(load(text, false)) << text;
        EXPECT_EQ(failure.message, message) << text;
        EXPECT_EQ(failure.detail, detail) << text;
    }
    BoolKeys activity(const std::string& name) { return pairs(list.get(name)->activity.keys); }

    static constexpr const char* header = "DEMO_END 60000\nINSERT_EFFECT fx AS Probe\n__TIMELINE__\n";

    ScriptList list;
    EventQueue events;
    ScriptLoader loader{list, events};
    ScriptFailure failure;
};

TEST_F(Loader, EmptyScriptGivesDefaults) {
    demoEnd = 1;
    load("");
    EXPECT_EQ(list.size(), 0u);
    EXPECT_TRUE(events.records().empty());
    EXPECT_EQ(demoStart, 0u);
    EXPECT_EQ(demoEnd, 60000u);
    EXPECT_EQ(beatLength, 100u);
}

TEST_F(Loader, HeaderDefinesAndLeftToRightExpressions) {
    load("DEMO_START 2 + 3 * 4\nDEMO_END 90000\nDEMO_BEAT 125\nDEFINE BAR 2000\nDEFINE A 10\nDEFINE A 20\n"
         "DEFINE B A * 2 - BAR\nDEMO_FULLSCREEN 1 DEMO_MUSIC 0\n");
    EXPECT_EQ(demoStart, 20u);
    EXPECT_EQ(demoEnd, 90000u);
    EXPECT_EQ(beatLength, 125u);
    EXPECT_EQ(keyEndTime, 90000u);
    load("DEFINE BAR 2000\nDEFINE A 10\nDEFINE A 20\nDEFINE B A * 2 - BAR\nDEMO_END B + 0\n"
         "DEMO_START BAR * 4 + 250\nDEMO_BEAT A+2\n",
         false);
    // A+2 is one operand: a name nobody defined.
    EXPECT_EQ(failure.message, "DEFINE not found");
    EXPECT_EQ(failure.detail, "A+2");
    load("DEFINE BAR 2000\nDEFINE A 10\nDEFINE A 20\nDEFINE B A * 2 - BAR\nDEMO_END B + 0\nDEMO_START BAR * 4 + 250\n");
    EXPECT_EQ(int32_t(demoEnd), -1980);  // A keeps 10
    EXPECT_EQ(demoStart, 8250u);
}

TEST_F(Loader, OperandsNumbersPrefixesAndSigns) {
    EXPECT_EQ(ScriptLoader::integerPrefix("1500ms"), 1500);
    EXPECT_EQ(ScriptLoader::integerPrefix("-7"), -7);
    EXPECT_EQ(ScriptLoader::integerPrefix("+7x"), 7);
    EXPECT_EQ(ScriptLoader::integerPrefix("abc"), 0);
    EXPECT_EQ(ScriptLoader::integerPrefix("99999999999"), int32_t(uint32_t(99999999999ull)));
    load("DEMO_END 0abc\n");  // starts with 0: the number 0, no lookup
    EXPECT_EQ(demoEnd, 0u);
    load("DEMO_END 10 -5 3\n", false);  // "-5" in operator position is a minus, 3 the operand
    EXPECT_EQ(failure.message, "");
    load("DEMO_END 10 -5 3\n");
    EXPECT_EQ(demoEnd, 7u);
    expectFailure("DEMO_END abc\n", "DEFINE not found", "abc");
    expectFailure("DEMO_END -0\n", "DEFINE not found", "-0");
}

TEST_F(Loader, CommentRules) {
    load("// a line comment DEMO_END 5\n//\nDEMO_END 1000 // trailing\nx// DEMO_BEAT 7\nDEMO_START 3\n");
    EXPECT_EQ(demoEnd, 1000u);
    EXPECT_EQ(demoStart, 3u);
    EXPECT_EQ(beatLength, 100u);
    // "abc//" is a token of its own: here an operand that nobody defined.
    expectFailure("DEMO_END abc//\n", "DEFINE not found", "abc//");
    // A block opened and closed on one line stays open until a later "*/".
    load("/* one line */ DEMO_END 5\nDEMO_BEAT 7\nstill comment */1000 DEMO_START 9\n", false);
    EXPECT_EQ(failure.message, "");
    load("/* one line */ DEMO_END 5\nDEMO_BEAT 7\n*/DEMO_START 9\n");
    EXPECT_EQ(demoStart, 9u);
    EXPECT_EQ(demoEnd, 60000u);
    EXPECT_EQ(beatLength, 100u);
    // After "*/" the rest of the token is a token: here an operand-less timeline line.
    load("/*\n*/1000 b fx\n", false);
    EXPECT_EQ(failure.message, "Effect not found");
    load("x/*y\nDEMO_END 5 */\nDEMO_BEAT 8\n");
    EXPECT_EQ(demoEnd, 60000u);
    EXPECT_EQ(beatLength, 8u);
}

TEST_F(Loader, LineEndsAndTheEndOfTheFile) {
    load("DEMO_END 4000\r\nDEMO_BEAT 50\r\n");
    EXPECT_EQ(demoEnd, 4000u);
    EXPECT_EQ(beatLength, 50u);
    load("DEMO_END 4000\nDEMO_BEAT 50");  // no final line end: read the same
    EXPECT_EQ(beatLength, 50u);
    // Ending inside a statement ends the load: what was read stands, nothing breaks.
    for (const char* cut : {"DEMO_BEAT", "DEMO_BEAT 5 +", "DEFINE", "DEFINE X", "INSERT_EFFECT fx",
                            "INSERT_EFFECT fx AS", "1000", "1000 b", "1000 s fx", "1000 t fx", "DEMO_MUSIC",
                            "1000 l fx", "/* open"}) {
        std::string text = std::string("DEMO_END 4000\n") + cut;
        EXPECT_TRUE(load(text)) << cut;
        EXPECT_EQ(demoEnd, 4000u) << cut;
    }
    load("DEMO_END 4000 __LINETIME__ DEMO_END 5 INSERT_EFFECT fx AS Probe\n");
    EXPECT_EQ(demoEnd, 4000u);
    EXPECT_EQ(list.size(), 0u);
}

TEST_F(Loader, InsertEffectAndBeginEndKeysWithOffsets) {
    load(std::string(header) + "DEFINE X 5\nX * 2 + 1 b fx\nTIMEOFFSET 1000\n500 e fx\nINSERT_EFFECT g as Other\n"
                               "TIMEOFFSET 2000\n0 BEGIN g 100 END g\n");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.types, (std::vector<std::string>{"Probe", "Other"}));
    EXPECT_EQ(activity("fx"), (BoolKeys{{0, false}, {11, true}, {1500, false}, {60000, false}}));
    EXPECT_EQ(activity("g"), (BoolKeys{{0, false}, {2000, true}, {2100, false}, {60000, false}}));
    EXPECT_EQ(demoEnd, 60000u);  // header values are not shifted
    expectFailure("INSERT_EFFECT fx As Probe\n", "Syntax error in INSERT_EFFECT command", "");
    EXPECT_FALSE(failure.hasDetail);
    expectFailure(std::string(header) + "1000 b nobody\n", "Effect not found", "nobody");
}

TEST_F(Loader, NeverBegunEffectCollapsesToOffAndDuplicatesReachTheFirst) {
    load("DEMO_END 60000\nINSERT_EFFECT fx AS Probe\nINSERT_EFFECT fx AS Probe\n__TIMELINE__\n1000 b fx\n");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(pairs(list.at(0)->activity.keys), (BoolKeys{{0, false}, {1000, true}, {60000, false}}));
    EXPECT_TRUE(list.at(1)->activity.keys.empty());  // (0, off), (end, off) became a constant
    EXPECT_FALSE(list.at(1)->activity.isOn(30000));
}

TEST_F(Loader, KeysBeforeDemoEndStayInOrder) {
    load("INSERT_EFFECT fx AS Probe\n__TIMELINE__\n1000 b fx\n500 s fx Alpha 0.5\nDEMO_END 9000\n2000 s fx Alpha 0.25\n");
    // Without a known end the activity had one key at 0, so the BEGIN after it added nothing.
    EXPECT_TRUE(list.get("fx")->activity.keys.empty());
    EXPECT_FALSE(list.get("fx")->activity.isOn(1000));
    // Alpha got (0, 0.5), (500, 0.5); the key at 2000 fell past them; finalize made a constant.
    EXPECT_TRUE(list.get("fx")->alpha.keys.empty());
    EXPECT_FLOAT_EQ(list.get("fx")->alpha.valueAt(5000), 0.5f);
}

TEST_F(Loader, SignalSetsKeysInTheTimelineOnly) {
    load("DEMO_END 60000\nINSERT_EFFECT fx AS Probe\n__SETUP__\n0 s fx Alpha 0.3\n0 s fx File \"a.png\"\n"
         "0 s fx File \"b.png\"\n0 s fx Pattern \"1100\"\n__TIMELINE__\n1000 s fx Alpha 0.5\n2000 s fx Mode 2\n"
         "3000 s fx File \"b.png\"\n4000 s fx File \"zzz\"\n5000 s fx On 1\n6000 s fx Pattern \"10\"\n"
         "7000 s fx Alpha 0.75 0.1 9\n");
    ScriptEffect* fx = list.get("fx");
    EXPECT_EQ(fx->nameList(0), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(fx->added, (std::vector<std::string>{"0:a.png:1", "0:b.png:2"}));
    EXPECT_EQ(pairs(fx->alpha.keys), (FloatKeys{{0, 0.5f}, {1000, 0.5f}, {7000, 0.75f}, {60000, 0.5f}}));
    EXPECT_EQ(fx->mode.keys[1].time, 2000u);
    EXPECT_EQ(fx->mode.keys[1].value, 8);  // 2 * (5 - 1)
    // A name stands for its index in the list; an unknown name for 0. File has one choice.
    EXPECT_EQ(fx->file.keys[0].value, 1);
    EXPECT_EQ(fx->file.keys[1].time, 3000u);
    EXPECT_EQ(fx->file.keys[2].time, 4000u);
    EXPECT_EQ(fx->file.keys[2].value, 0);
    EXPECT_TRUE(fx->on.isOn(5000));
    // Text keys go in whatever the section; the first one spans the demo.
    EXPECT_EQ(fx->pattern.textAt(0), "1100");
    EXPECT_EQ(fx->pattern.textAt(6000), "10");
    expectFailure(std::string(header) + "1000 s fx Nothing 1\n", "Variable not found", "Nothing");
    expectFailure(std::string(header) + "1000 s nobody Alpha 1\n", "Effect not found", "nobody");
}

TEST_F(Loader, TextMarkedChoicesTakeNamesIntoTheirListAndSelectThemByIndex) {
    load("DEMO_END 60000\nINSERT_EFFECT fx AS Probe\n__SETUP__\n0 s fx Scene \"a.lvg\"\n"
         "0 s fx View \"front\"\n0 s fx View \"side\"\n0 s fx View \"top\"\n0 s fx View \"back\"\n"
         "__TIMELINE__\n1000 s fx View \"top\"\n2000 s fx View 1\n3000 s fx View \"nowhere\"\n");
    ScriptEffect* fx = list.get("fx");
    // In the set-up section the text is registered, so the effect hears of it.
    EXPECT_EQ(fx->nameList(0), (std::vector<std::string>{"a.lvg"}));
    EXPECT_EQ(fx->nameList(1000), (std::vector<std::string>{"front", "side", "top", "back"}));
    EXPECT_EQ(fx->added.front(), "0:a.lvg:1");
    EXPECT_TRUE(fx->scene.keys.empty());
    // On the timeline a name is its plain index (not scaled by the four choices); a number
    // keeps the script's scaling; an unknown name is the first entry.
    ASSERT_EQ(fx->view.keys.size(), 5u);
    EXPECT_EQ(fx->view.keys[1].time, 1000u);
    EXPECT_EQ(fx->view.keys[1].value, 2);
    EXPECT_EQ(fx->view.keys[2].value, 3);  // 1 * (4 - 1)
    EXPECT_EQ(fx->view.keys[3].value, 0);
    EXPECT_FLOAT_EQ(fx->view.valueAt(1500), 2.0f);
}

TEST_F(Loader, NumericSignalBeforeTheTimelineSetsNothing) {
    load("DEMO_END 60000\nINSERT_EFFECT fx AS Probe\n__SETUP__\n1000 s fx Alpha 0.5\n1000 s fx File \"x\"\n");
    EXPECT_TRUE(list.get("fx")->alpha.keys.empty());
    EXPECT_FLOAT_EQ(list.get("fx")->alpha.valueAt(1000), 1.0f);
    load("DEMO_END 60000\nINSERT_EFFECT fx AS Probe\n1000 s fx File \"x\"\n");  // no section: nothing
    EXPECT_TRUE(list.get("fx")->nameList(0).empty());
}

TEST_F(Loader, TriggerAndInitEventsInStableTimeOrder) {
    load(std::string(header) + "DEFINE MOVE 22\nDEFINE SPIN 27\n2000 t fx MOVE 1 2 3 4\n1000 t fx SPIN \"data/x.png\" 0.5\n"
                               "1000 i fx\n1000 t other MOVE SPIN\n1000 t fx UNDEFINED 5\n500 t fx MOVE \"t\"\n"
                               "3000 t fx MOVE -1.5 \"late\" 7\n");
    const auto& r = events.records();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].time, 500u);
    EXPECT_EQ(r[0].text, "t");
    EXPECT_EQ(r[1].id, 27);
    EXPECT_EQ(r[1].text, "data/x.png");
    EXPECT_FLOAT_EQ(r[1].value, 0.5f);
    EXPECT_EQ(r[2].id, 0);  // INIT, in script order among the same-time events
    EXPECT_EQ(r[2].target, "fx");
    EXPECT_EQ(r[3].target, "other");  // not looked up
    EXPECT_FLOAT_EQ(r[3].value, 27.0f);  // a define name as the value
    EXPECT_EQ(r[4].time, 2000u);
    EXPECT_EQ(r[5].time, 3000u);
    EXPECT_EQ(std::vector<float>(r[4].values, r[4].values + 3), (std::vector<float>{1, 2, 3}));
    // 3000 is past the last key... but events have no such limit.
    load(std::string(header) + "DEFINE E 9\n3000 t fx E -1.5 \"late\" 7\n100 t fx E\n");
    ASSERT_EQ(events.records().size(), 2u);
    const DemoEvent& late = events.records()[1];
    EXPECT_FLOAT_EQ(late.value, 7.0f);  // a later item overrides
    EXPECT_EQ(late.text, "late");
    EXPECT_EQ(std::vector<float>(late.values, late.values + 3), (std::vector<float>{7, 0, 0}));
    EXPECT_EQ(events.records()[0].values[1], 0.0f);  // extra values never reach another line
    EXPECT_EQ(events.cursor(), 0u);
}

TEST_F(Loader, ValueListFailures) {
    std::string base = std::string(header) + "DEFINE E 1\n";
    expectFailure(base + "0 t fx E \"\"\n", "Error in script string", "");
    EXPECT_TRUE(failure.hasDetail);
    expectFailure(base + "0 t fx E \"open\n", "Error in script string", "open");
    std::string hundred(100, 'x');
    expectFailure(base + "0 t fx E \"" + hundred + "\"\n", "Error in script string", hundred.substr(0, 99));
    std::string ninetyNine(99, 'y');
    load(base + "0 t fx E \"" + ninetyNine + "\"\n");
    EXPECT_EQ(events.records()[0].text, ninetyNine);
    expectFailure(base + "0 t fx E 1 nothing\n", "DEFINE not found", "nothing");
    // A comment after a value is just another word.
    expectFailure(base + "0 s fx Alpha 0.5 // half\n", "DEFINE not found", "//");
}

TEST_F(Loader, LinesLongerThanTheBuffersAreRefused) {
    expectFailure("// " + std::string(199, 'a') + "\n", "Script line too long", " " + std::string(39, 'a'));
    load("// " + std::string(198, 'a') + "\r\nDEMO_END 5\n");  // 199 after the marker fit
    EXPECT_EQ(demoEnd, 5u);
    std::string base = std::string(header) + "DEFINE E 1\n";
    std::string numbers;
    while (numbers.size() < 200) {
        numbers += " 1";
    }
    expectFailure(base + "0 t fx E" + numbers + "\n", "Script line too long", numbers.substr(0, 40));
}

TEST_F(Loader, DefineAndEventNameRules) {
    expectFailure("DEFINE 9LIVES 1\n", "DEFINE id cannot start with digit", "9LIVES");
    load("DEFINE lower 1\nDEFINE LOWER 2\nDEMO_END lower + LOWER\n");  // names are case-sensitive
    EXPECT_EQ(demoEnd, 3u);
    // An unknown command does nothing; the tokens after it are statements.
    load("DEMO_END 60000\n1000 JUMP DEMO_BEAT 40\n");
    EXPECT_EQ(beatLength, 40u);
    // A second load starts from scratch: defines, effects and events.
    load(std::string(header) + "DEFINE E 1\n0 t fx E\n");
    load("DEMO_END E\n", false);
    EXPECT_EQ(failure.message, "DEFINE not found");
    EXPECT_EQ(list.size(), 0u);
    EXPECT_TRUE(events.records().empty());
}

TEST(ScriptLoaderDeathTest, FailuresAreFatalReportsWithTheirTexts) {
    std::string dir = makeTempDirectory("loader");
    std::filesystem::create_directories(dir + "/data/scripts");
    auto write = [&](const std::string& text) {
        FILE* f = std::fopen((dir + "/data/scripts/s.script").c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    };
    DataPack::usePlainDirectory(dir.c_str());
    ScriptList list;
    EventQueue events;
    ScriptLoader loader(list, events);
    EXPECT_EXIT(loader.load("data/scripts/missing.script"), testing::ExitedWithCode(1),
                "^demoSystem/ScriptLoader.cpp:[0-9]+ script: could not open file for parsing\n");
    write("DEMO_END nothing\n");
    EXPECT_EXIT(loader.load("data/scripts/s.script"), testing::ExitedWithCode(1),
                "^demoSystem/ScriptLoader.cpp:[0-9]+ DEFINE not found: nothing\n");
    write("INSERT_EFFECT a As b\n");
    EXPECT_EXIT(loader.load("data/scripts/s.script"), testing::ExitedWithCode(1),
                "^demoSystem/ScriptLoader.cpp:[0-9]+ Syntax error in INSERT_EFFECT command\n");
    write("DEFINE E 1\n0 t fx E \"\"\n");
    EXPECT_EXIT(loader.load("data/scripts/s.script"), testing::ExitedWithCode(1),
                "^demoSystem/ScriptLoader.cpp:[0-9]+ Error in script string: \n");
    write("DEMO_END 7\n");
    loader.load("data/scripts/s.script");
    EXPECT_EQ(demoEnd, 7u);
    std::filesystem::remove_all(dir);
    DataPack::usePlainDirectory("");
}

}  // namespace
