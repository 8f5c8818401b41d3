// The demo's script as the build packs it, held against the music it is written for and
// against the files the pack carries: the sections start where the music's do, effects
// switch and restart on the beat, every event reaches an effect, every effect type of the
// registry plays a part, and files named and files shipped match.
// Skipped where the build leaves the data out (-DLUMORA_BUILD_DATA=OFF).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/lvp.h"
#include "tests/support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

const std::string binaryDir = LUMORA_BINARY_DIR;
const std::string packPath = binaryDir + "/data.lvp";
const std::string stageDir = binaryDir + "/data-stage";
const std::string synthTool = binaryDir + "/tools/synth/synth";
const std::vector<std::string> headless = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

std::string scriptFromPack() {
    DataPack::usePack(packPath.c_str(), "tiger19");
    std::string text;
    if (PackFile* file = DataPack::open("data/scripts/cvdemo.script")) {
        text.assign(reinterpret_cast<const char*>(file->data), file->size);
        DataPack::close(file);
    }
    DataPack::usePlainDirectory("");
    return text;
}

bool packHolds(const std::string& name) {
    DataPack::usePack(packPath.c_str(), "tiger19");
    PackFile* file = DataPack::open(name.c_str());
    if (file) {
        DataPack::close(file);
    }
    DataPack::usePlainDirectory("");
    return file != nullptr;
}

std::vector<std::string> stagedFiles(const std::string& folder) {
    std::vector<std::string> names;
    if (fs::is_directory(stageDir + "/" + folder)) {
        for (const auto& entry : fs::directory_iterator(stageDir + "/" + folder)) {
            names.push_back(folder + "/" + entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::set<std::string> quotedDataPaths(const std::string& text) {
    std::set<std::string> names;
    const std::regex quoted("\"(data/[^\"]+)\"");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), quoted); it != std::sregex_iterator(); ++it) {
        names.insert((*it)[1].str());
    }
    return names;
}

// The parts of the timeline dump these tests read.
struct EffectEntry {
    std::string name, type;
    std::vector<long> activityKeys;
};
struct EventEntry {
    long time = 0;
    std::string target;
    long id = 0;
    std::string text;
};
struct Timeline {
    long demoEnd = 0, beat = 0;
    std::vector<EffectEntry> effects;
    std::vector<EventEntry> events;
};

long numberAfter(const std::string& json, const std::string& key) {
    const size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -1 : std::strtol(json.c_str() + at + key.size() + 3, nullptr, 10);
}

Timeline dumpTimeline() {
    Timeline timeline;
    const ProgramResult result = runProgram(LUMORA_EXECUTABLE, {"--dump-timeline"}, headless);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string& json = result.out;
    timeline.demoEnd = numberAfter(json, "demoEnd");
    timeline.beat = numberAfter(json, "beatLength");
    // Effects: name, type, then the activity's keys as [time,bool] pairs.
    const std::regex effect(R"re(\{"name":"([^"]*)","type":"([^"]*)","activity":\{"current":(?:true|false),"keys":\[((?:\[\d+,(?:true|false)\],?)*)\]\})re");
    const std::regex key(R"(\[(\d+),)");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), effect); it != std::sregex_iterator(); ++it) {
        EffectEntry entry{(*it)[1].str(), (*it)[2].str(), {}};
        const std::string keys = (*it)[3].str();
        for (auto k = std::sregex_iterator(keys.begin(), keys.end(), key); k != std::sregex_iterator(); ++k) {
            entry.activityKeys.push_back(std::stol((*k)[1].str()));
        }
        timeline.effects.push_back(entry);
    }
    const std::regex event(R"re(\{"time":(\d+),"target":"([^"]*)","id":(-?\d+),"value":[^,]*,"text":"([^"]*)")re");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), event); it != std::sregex_iterator(); ++it) {
        timeline.events.push_back({std::stol((*it)[1].str()), (*it)[2].str(), std::stol((*it)[3].str()), (*it)[4].str()});
    }
    return timeline;
}

class DemoScript : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(packPath)) {
            GTEST_SKIP() << "the demo data is not built here (LUMORA_BUILD_DATA=OFF)";
        }
        script = scriptFromPack();
        ASSERT_FALSE(script.empty()) << "data/scripts/cvdemo.script is not in the pack";
    }
    std::string script;
};

}  // namespace

TEST_F(DemoScript, SectionsStartOnTheBarsOfTheMusicsSections) {
    if (!fs::exists(synthTool)) GTEST_SKIP() << synthTool << " is not built";
    const ProgramResult sections = runProgram(synthTool, {"--sections"});
    ASSERT_EQ(sections.exitCode, 0) << sections.err;

    // The script's section defines: "DEFINE NAME 0" or "DEFINE NAME BAR * N".
    std::map<std::string, long> scriptBars;
    const std::regex define(R"(DEFINE ([A-Z_]+) (?:0|BAR \* (\d+))\s*)");
    std::istringstream scriptLines(script);
    for (std::string line; std::getline(scriptLines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, define)) {
            scriptBars[match[1].str()] = match[2].matched ? std::stol(match[2].str()) : 0;
        }
    }
    ASSERT_NE(script.find("DEFINE BAR BEAT * 4"), std::string::npos);
    ASSERT_NE(script.find("DEFINE BEAT 480"), std::string::npos);

    std::istringstream lines(sections.out);
    std::string name;
    long bar = 0, milliseconds = 0;
    int count = 0;
    long lastStart = 0;
    while (lines >> name >> bar >> milliseconds) {
        SCOPED_TRACE(name);
        ++count;
        EXPECT_EQ(milliseconds, bar * 1920);
        ASSERT_EQ(scriptBars.count(name), 1u) << "the script has no section define of that name";
        EXPECT_EQ(scriptBars[name], bar);
        EXPECT_GT(milliseconds, lastStart - (count == 1 ? 1 : 0)) << "sections in order";
        lastStart = milliseconds;
    }
    EXPECT_GE(count, 8) << sections.out;
    const Timeline timeline = dumpTimeline();
    EXPECT_GT(timeline.demoEnd - lastStart, 4 * 1920) << "the last section lasts at least four bars";
}

TEST_F(DemoScript, EffectsSwitchAndRestartOnTheBeat) {
    const Timeline timeline = dumpTimeline();
    ASSERT_EQ(timeline.beat, 480);
    ASSERT_GE(timeline.demoEnd, 180000) << "three minutes at least";
    for (const EffectEntry& effect : timeline.effects) {
        for (long time : effect.activityKeys) {
            if (time != timeline.demoEnd) {
                EXPECT_EQ(time % timeline.beat, 0) << effect.name << " switches at " << time;
            }
        }
    }
    size_t restarts = 0;
    for (const EventEntry& event : timeline.events) {
        if (event.id == 0) {
            ++restarts;
            EXPECT_EQ(event.time % timeline.beat, 0) << event.target << " restarts at " << event.time;
        }
    }
    EXPECT_GE(restarts, 50u);
}

TEST_F(DemoScript, EveryEventReachesAnEffectAndEverySourceIsAnEffect) {
    const Timeline timeline = dumpTimeline();
    std::set<std::string> names;
    std::map<std::string, std::string> typeOf;
    for (const EffectEntry& effect : timeline.effects) {
        EXPECT_TRUE(names.insert(effect.name).second) << "two effects named " << effect.name;
        typeOf[effect.name] = effect.type;
    }
    // A misspelt target is dropped without a word while the demo plays.
    std::set<std::string> withSource;
    for (const EventEntry& event : timeline.events) {
        EXPECT_EQ(names.count(event.target), 1u) << "event " << event.id << " at " << event.time << " for " << event.target;
        // Id 2 names the source of a filter, or the target of the music's level.
        if (event.id == 2 || (event.id == 3 && typeOf[event.target] == "Spectrum")) {
            EXPECT_EQ(names.count(event.text), 1u) << event.target << " names " << event.text;
            withSource.insert(event.target);
        }
    }
    // A filter that plays without a source draws nothing.
    const std::set<std::string> filters = {"Blur", "ShaderRTT", "ShaderDOF", "FramebufferScroll", "LineDistortion",
                                           "Mosaic", "RotoZoom", "TechnoNoise", "Tiles", "Ripple"};
    // A scene is drawn by the filter over it: begun on its own as well, it would be
    // drawn twice and its animation clock would run twice as fast.
    std::set<std::string> sources;
    for (const EventEntry& event : timeline.events) {
        if (event.id == 2 && filters.count(typeOf[event.target])) sources.insert(event.text);
    }
    for (const EffectEntry& effect : timeline.effects) {
        const bool begun = effect.activityKeys.size() > 2;
        if (filters.count(effect.type) && begun) {
            EXPECT_EQ(withSource.count(effect.name), 1u) << effect.name << " plays without a source";
        }
        if (effect.type == "Scene") {
            EXPECT_FALSE(begun) << effect.name << " is begun";
            EXPECT_EQ(sources.count(effect.name), 1u) << "no filter draws " << effect.name;
        }
    }
}

TEST_F(DemoScript, EveryEffectTypeTakesPart) {
    const Timeline timeline = dumpTimeline();
    std::set<std::string> types;
    for (const EffectEntry& effect : timeline.effects) {
        types.insert(effect.type);
    }
    for (const char* type : {"Clear", "Fade", "Flash", "Image", "Blur", "ShaderRTT", "ShaderDOF", "FramebufferScroll",
                             "LineDistortion", "Mosaic", "RotoZoom", "Noise", "TechnoNoise", "Spectrum", "Osc",
                             "TypeWriter", "ViewFPS", "Tiles", "Ripple", "GridExp", "Scene"}) {
        EXPECT_EQ(types.count(type), 1u) << type;
    }
}

TEST_F(DemoScript, EveryFileTheScriptNamesIsInThePackAndEveryShippedFileIsUsed) {
    const std::set<std::string> named = quotedDataPaths(script);
    for (const std::string& name : named) {
        EXPECT_TRUE(packHolds(name)) << name << " is named by the script but not in the pack";
    }
    for (const std::string& picture : stagedFiles("data/images")) {
        if (picture != "data/images/loading1024.jpg") {  // the launcher's, before the script
            EXPECT_EQ(named.count(picture), 1u) << picture << " is shipped but not named";
        }
    }
    const std::vector<std::string> scenes = stagedFiles("data/scenes");
    EXPECT_GE(scenes.size(), 3u);
    for (const std::string& scene : scenes) {
        EXPECT_EQ(named.count(scene), 1u) << scene << " is shipped but not named";
    }

    // Shader programs: named by the script, or loaded by a type the script uses.
    const std::map<std::string, std::string> loadedByType = {
        {"data/shaders/fragment_blur.glsl", "ShaderRTT"},        {"data/shaders/fragment_submul.glsl", "ShaderRTT"},
        {"data/shaders/fragment_dof.glsl", "ShaderDOF"},         {"data/shaders/vertex_depth_info.glsl", "Scene"},
        {"data/shaders/fragment_depth_info.glsl", "Scene"},      {"data/shaders/fragment_shadowmap.glsl", "Scene"},
    };
    std::set<std::string> types;
    for (const EffectEntry& effect : dumpTimeline().effects) {
        types.insert(effect.type);
    }
    const std::vector<std::string> shaders = stagedFiles("data/shaders");
    EXPECT_GE(shaders.size(), 10u);
    for (const std::string& shader : shaders) {
        const auto loader = loadedByType.find(shader);
        EXPECT_TRUE(named.count(shader) == 1 || (loader != loadedByType.end() && types.count(loader->second) == 1))
            << shader << " is shipped but neither named nor loaded by an effect type the script uses";
    }

    // Scene textures: each is the file some material of a shipped scene comes to.
    std::string materialFiles;
    for (const std::string& scene : scenes) {
        const ProgramResult dump = runProgram(LUMORA_EXECUTABLE, {"--dump-scene", scene}, headless);
        ASSERT_EQ(dump.exitCode, 0) << scene << ": " << dump.err;
        EXPECT_TRUE(dump.err.empty()) << scene << ": " << dump.err;
        materialFiles += dump.out;
    }
    std::vector<std::string> textures = stagedFiles("data/textures");
    const std::vector<std::string> compressed = stagedFiles("data/texturesCompressed");
    textures.insert(textures.end(), compressed.begin(), compressed.end());
    EXPECT_GE(textures.size(), 8u);
    for (const std::string& texture : textures) {
        EXPECT_NE(materialFiles.find("\"" + texture + "\""), std::string::npos) << texture << " is shipped but no material uses it";
    }
}
