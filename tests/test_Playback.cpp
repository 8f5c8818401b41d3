// Playback controls of live and fixed-step runs: swap control per mode, frame pacing of a
// headless live run, the --bench figures (table and JSON), and the options' usage errors.
#include "launcher/FixedStepClock.h"
#include "launcher/FrameBench.h"
#include "launcher/FramePacer.h"
#include "launcher/LaunchOptions.h"
#include "launcher/SwapControl.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;
using Vsync = LaunchOptions::Vsync;

TEST(SwapControl, OnWithAWindowOffOffscreenAndOnTheFixedStepClockUnlessAsked) {
    EXPECT_TRUE(SwapControl::wanted(Vsync::Default, true, false));
    EXPECT_FALSE(SwapControl::wanted(Vsync::Default, false, false)) << "offscreen";
    EXPECT_FALSE(SwapControl::wanted(Vsync::Default, true, true)) << "capture or bench";
    EXPECT_TRUE(SwapControl::wanted(Vsync::On, false, true));
    EXPECT_FALSE(SwapControl::wanted(Vsync::Off, true, false));
    // Adaptive first, plain sync where the driver has no adaptive; off is interval 0.
    EXPECT_EQ(SwapControl::intervalsToTry(true), (std::vector<int>{-1, 1}));
    EXPECT_EQ(SwapControl::intervalsToTry(false), (std::vector<int>{0}));
}

TEST(SwapControl, TheGrantedIntervalIsTheOneInEffect) {
    testgl::context();
    EXPECT_EQ(SwapControl::apply(false), 0);
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
    int granted = SwapControl::apply(true);
    EXPECT_TRUE(granted == -1 || granted == 1 || granted == 0) << granted;
    if (granted != 0) {
        EXPECT_EQ(SDL_GL_GetSwapInterval(), granted);
    }
    SwapControl::apply(false);
}

TEST(FramePacing, FramesAreDueOneBudgetApartAndALateFrameRestartsTheSchedule) {
    EXPECT_EQ(FramePacer::nextDue(0, 5000, 100), 5100u) << "the first frame";
    EXPECT_EQ(FramePacer::nextDue(5100, 5050, 100), 5200u) << "on time: one budget on";
    EXPECT_EQ(FramePacer::nextDue(5200, 5250, 100), 5300u) << "a little late: no frame is dropped";
    EXPECT_EQ(FramePacer::nextDue(5300, 5900, 100), 6000u) << "far behind: no burst to catch up";
}

TEST(BenchFigures, PercentilesByNearestRank) {
    std::vector<double> values;
    for (int i = 1; i <= 100; ++i) {
        values.push_back(i);
    }
    EXPECT_EQ(FrameBench::percentile(values, 0.5), 50.0);
    EXPECT_EQ(FrameBench::percentile(values, 0.95), 95.0);
    EXPECT_EQ(FrameBench::percentile(values, 0.99), 99.0);
    EXPECT_EQ(FrameBench::percentile(values, 1.0), 100.0);
    EXPECT_EQ(FrameBench::percentile({7.0}, 0.99), 7.0);
    EXPECT_EQ(FrameBench::percentile({}, 0.5), 0.0);
}

// Just enough of a JSON reader to tell a valid document from an invalid one.
class JsonCheck {
public:
    static bool valid(const std::string& text) {
        JsonCheck check{text};
        return check.value() && check.skipBlanks() == text.size();
    }

private:
    explicit JsonCheck(const std::string& text) : s(text) {}
    size_t skipBlanks() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        return i;
    }
    bool take(char c) {
        skipBlanks();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool string() {
        if (!take('"')) return false;
        for (; i < s.size() && s[i] != '"'; ++i) {
            if (static_cast<unsigned char>(s[i]) < 0x20) return false;
            if (s[i] == '\\') ++i;
        }
        return i++ < s.size();
    }
    bool number() {
        std::smatch m;
        std::string rest = s.substr(i);
        if (!std::regex_search(rest, m, std::regex(R"(^-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][-+]?[0-9]+)?)"))) return false;
        i += size_t(m.length(0));
        return true;
    }
    bool value() {
        skipBlanks();
        if (i >= s.size()) return false;
        if (s[i] == '{') {
            ++i;
            if (take('}')) return true;
            do {
                if (!string() || !take(':') || !value()) return false;
            } while (take(','));
            return take('}');
        }
        if (s[i] == '[') {
            ++i;
            if (take(']')) return true;
            do {
                if (!value()) return false;
            } while (take(','));
            return take(']');
        }
        if (s[i] == '"') return string();
        for (const char* word : {"true", "false", "null"}) {
            if (s.compare(i, std::strlen(word), word) == 0) {
                i += std::strlen(word);
                return true;
            }
        }
        return number();
    }
    const std::string& s;
    size_t i = 0;
};

class PlaybackRun : public testing::Test {
protected:
    void SetUp() override {
        root = makeTempDirectory("playback");
        fs::create_directories(root + "/data/data/scripts");
        script("__HEADER__\nDEMO_START 0\nDEMO_END 3000\n__SETUP__\nINSERT_EFFECT back AS Clear\n"
               "INSERT_EFFECT veil AS Fade\n__TIMELINE__\n0 b back\n0 b veil\n");
    }
    void TearDown() override { fs::remove_all(root); }

    void script(const std::string& text) { std::ofstream(root + "/data/data/scripts/cvdemo.script") << text; }

    ProgramResult lumora(std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--headless", "--data", root + "/data"});
        return runProgram(LUMORA_EXECUTABLE, arguments, {"SDL_AUDIODRIVER=dummy"});
    }

    // The frame count of a headless live run's closing line.
    static long liveFrames(const std::string& err) {
        std::smatch m;
        if (!std::regex_search(err, m, std::regex(R"(lumora: ([0-9]+) frames in ([0-9.]+) s)"))) {
            return -1;
        }
        return std::stol(m[1]);
    }

    // The most frames a run capped at `cap` frames per second may draw in the seconds its
    // summary gives (printed to a tenth): a starved sound thread can make the demo take
    // longer than its length, and then more frames are right.
    static long framesAllowed(const std::string& err, double cap) {
        std::smatch m;
        if (!std::regex_search(err, m, std::regex(R"(lumora: ([0-9]+) frames in ([0-9.]+) s)"))) {
            return -1;
        }
        return long((std::stod(m[2]) + 0.05) * cap * 1.03) + 2;
    }

    std::string root;
};

TEST_F(PlaybackRun, BenchPrintsValidJsonWithOneEntryPerFrameOfTheDemoAt60Fps) {
    ProgramResult r = lumora({"--bench", "--json", "--size", "640x480"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::string json = r.out.substr(0, r.out.find_last_not_of('\n') + 1);
    EXPECT_TRUE(JsonCheck::valid(json)) << json;
    uint64_t frames = FixedStepClock::frameCount(0, 3000, 60);
    EXPECT_EQ(frames, 181u);
    EXPECT_EQ(json.rfind("{\"frames\":" + std::to_string(frames) + ",\"wallSeconds\":", 0), 0u) << json;
    EXPECT_TRUE(std::regex_search(json, std::regex(R"("frameMs":\{"median":[0-9.]+,"p95":[0-9.]+,"p99":[0-9.]+,"max":[0-9.]+\},"worstFrameAt":[0-9]+,)")))
        << json;
    EXPECT_NE(json.find("{\"type\":\"Clear\",\"instances\":1,\"msPerFrame\":"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"type\":\"Fade\",\"instances\":1,\"msPerFrame\":"), std::string::npos) << json;
    // The same figures as a table on stderr; no files, no frames written anywhere.
    EXPECT_NE(r.err.find("bench: 181 frames in "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("effect type"), std::string::npos) << r.err;
    EXPECT_TRUE(std::regex_search(r.err, std::regex("\nClear +1 +[0-9.]+\n"))) << r.err;
}

TEST_F(PlaybackRun, BenchHonoursFpsFromAndToAndPrintsNoJsonUnlessAsked) {
    ProgramResult r = lumora({"--bench", "--fps", "10", "--from", "1000", "--to", "2000", "--size", "64x48"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("bench: 11 frames in "), std::string::npos) << r.err;
}

TEST_F(PlaybackRun, AHeadlessLiveRunIsPacedToSixtyFramesPerSecond) {
    script("DEMO_END 5000\n");
    ProgramResult paced = lumora({"--no-dialog", "--size", "64x48"});
    ASSERT_EQ(paced.exitCode, 0) << paced.err;
    long frames = liveFrames(paced.err);
    // Pacing caps the rate; how close a loaded machine comes to the cap is no business of
    // a test (a sanitizer build on two busy cores renders far fewer than 300).
    EXPECT_GE(frames, 1) << paced.err;
    EXPECT_LE(frames, framesAllowed(paced.err, 60)) << paced.err;

    script("DEMO_END 1000\n");
    ProgramResult slower = lumora({"--no-dialog", "--size", "64x48", "--max-fps", "20"});
    ASSERT_EQ(slower.exitCode, 0) << slower.err;
    EXPECT_LE(liveFrames(slower.err), framesAllowed(slower.err, 20)) << slower.err;
    EXPECT_GE(liveFrames(slower.err), 1) << slower.err;
}

TEST(PlaybackOptions, ValuesAndUsageErrors) {
    auto parse = [](std::vector<const char*> arguments, LaunchOptions& options, std::string& error) {
        arguments.insert(arguments.begin(), "lumora");
        return parseCommandLine(int(arguments.size()), arguments.data(), options, error);
    };
    LaunchOptions options;
    std::string error;
    ASSERT_EQ(parse({"--clock", "free", "--no-vsync", "--max-fps", "0"}, options, error), ParseOutcome::Run) << error;
    EXPECT_EQ(options.clock, LaunchOptions::Clock::Free);
    EXPECT_EQ(options.vsync, Vsync::Off);
    EXPECT_EQ(options.maxFps, 0);
    EXPECT_FALSE(options.skipDialog) << "playback options alone keep the dialog";

    LaunchOptions defaults;
    EXPECT_EQ(defaults.clock, LaunchOptions::Clock::Music);
    EXPECT_EQ(defaults.vsync, Vsync::Default);
    EXPECT_EQ(defaults.maxFps, 60);
    EXPECT_EQ(fixedStepFps(defaults), 30);

    LaunchOptions bench;
    ASSERT_EQ(parse({"--bench", "--json"}, bench, error), ParseOutcome::Run) << error;
    EXPECT_TRUE(bench.skipDialog && fixedStepRun(bench));
    EXPECT_EQ(fixedStepFps(bench), 60) << "a benchmark renders at 60 frames per second unless --fps says";

    for (std::vector<const char*> wrong : {std::vector<const char*>{"--clock", "wall"}, {"--clock"}, {"--max-fps", "-1"},
                                           {"--max-fps", "1001"}, {"--json"}, {"--bench", "--capture", "x"},
                                           {"--video", "out.avi"}, {"--video", "out.mp4", "--bench"},
                                           {"--video-args", "-crf 20"}}) {
        LaunchOptions o;
        EXPECT_EQ(parse(wrong, o, error), ParseOutcome::UsageError) << wrong[0];
    }
}

}  // namespace
