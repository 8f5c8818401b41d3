// Watch mode in process: real files in a temporary data folder are rewritten and the
// running timeline, textures and shader programs follow (or, for a broken save, stay as
// they were); a reloaded timeline that faults while it plays gives way to the one before
// it; the playback keys move the clock and the music stream together.
#include "base/DemoNames.h"
#include "base/Globals.h"
#include "base/PngWriter.h"
#include "base/RenderTarget.h"
#include "base/lvp.h"
#include "demoSystem/EffectVariable.h"
#include "demoSystem/LumoraMusic.h"
#include "demoSystem/ScriptLoader.h"
#include "demoSystem/TimelineJson.h"
#include "demos/EffectList_Test.h"
#include "engine/ShaderManager.h"
#include "launcher/AuthorOverlay.h"
#include "launcher/FileWatcher.h"
#include "launcher/FrameStateUnwind.h"
#include "launcher/LiveReload.h"
#include "launcher/LumoraLauncher.h"
#include "launcher/PlaybackKeys.h"
#include "launcher/TimelineHost.h"
#include "platform/OggEncoder.h"
#include "platform/SoundSystem.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

void writePicture(const std::string& path, uint8_t r, uint8_t g, uint8_t b, int side) {
    fs::create_directories(fs::path(path).parent_path());
    std::vector<uint8_t> pixels(size_t(side) * side * 3);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
    }
    ASSERT_TRUE(writePng(path, side, side, 3, pixels.data()));
}

const char* const redScript = R"(DEMO_END 20000
DEMO_BEAT 250
__SETUP__
INSERT_EFFECT bg AS Clear
__TIMELINE__
0 b bg
0 s bg Red 1
)";

// Another end and beat, a second effect, events before and after the reload time.
const char* const blueScript = R"(DEMO_END 30000
DEMO_BEAT 125
DEFINE MOVE 7
__SETUP__
INSERT_EFFECT bg AS Clear
INSERT_EFFECT pic AS Image
__TIMELINE__
0 b bg
0 s bg Blue 1
0 s bg Red 0
100 i pic
400 t pic MOVE 0.5 0 0
5000 i pic
)";

class Watch : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        testgl::context();
        dir = makeTempDirectory("watch");
        script = dir + "/" + demoScriptName;
        DataPack::usePlainDirectory(dir.c_str());
        LiveReload::recordReads();
        glViewport(0, 0, 16, 16);
        screenWidth = screenHeight = 16;
    }
    void TearDown() override {
        DataPack::setPlainOpenObserver(nullptr);
        if (publishedEffectList) publishedEffectList->clearEffects();
        fs::remove_all(dir);
    }

    void start(const std::string& text) {
        writeFile(script, text);
        if (!publishedEffectList) createTimeline();
        loadTimelineScript(demoScriptName);
        reload = std::make_unique<LiveReload>(GetParam());
        reload->poll(clock);  // takes the files read so far
    }
    void poll() {
        clock += 1000;
        reload->poll(clock);
    }
    testgl::Rgba frame(uint32_t t) {
        renderFrame(t);
        return testgl::readPixel(4, 4);
    }

    std::string dir;
    std::string script;
    std::unique_ptr<LiveReload> reload;
    uint64_t clock = 1;
};

TEST_P(Watch, AChangedScriptReloadsIntoTheStateAFreshLoadHasAtTheCurrentTime) {
    start(redScript);
    EXPECT_EQ(frame(1000).r, 255);
    EXPECT_TRUE(reload->watcher().isWatched(script));

    writeFile(script, blueScript);
    poll();
    ASSERT_EQ(reload->reloadCount(), 1u);
    EXPECT_FALSE(reload->lastFailed());
    EXPECT_TRUE(std::regex_match(reload->lastLine(), std::regex("reloaded .*/data/scripts/cvdemo\\.script \\(\\d+ ms\\)")))
        << reload->lastLine();
    EXPECT_EQ(demoEnd, 30000u);
    EXPECT_EQ(beatLength, 125u);
    testgl::Rgba pixel = frame(1000);
    EXPECT_EQ(pixel.r, 0);
    EXPECT_EQ(pixel.b, 255);

    // A fresh load played from the same time: the same keys, events and event cursor.
    EffectList_Test fresh;
    EventQueue freshEvents;
    ScriptLoader(fresh, freshEvents).load(demoScriptName);
    deliverDueEvents(fresh, freshEvents, 1000);
    EXPECT_EQ(timelineJson(*publishedEffectList, *publishedEventQueue, demoStart, demoEnd, beatLength),
              timelineJson(fresh, freshEvents, demoStart, demoEnd, beatLength));
    EXPECT_EQ(publishedEventQueue->cursor(), 2u) << "the INIT at 100 and the TRIGGER at 400, not the one at 5000";
    EXPECT_EQ(publishedEventQueue->cursor(), freshEvents.cursor());
    fresh.clearEffects();
}

TEST_P(Watch, ABrokenScriptKeepsTheRunningTimelineAndALaterGoodSaveReloads) {
    start(redScript);
    frame(500);
    EffectList* running = publishedEffectList;
    const uint32_t keyEnd = keyEndTime;

    struct Broken {
        const char* text;
        const char* report;
    } broken[] = {
        {"DEMO_END 9000\nINSERT_EFFECT x AS Nope\n", "EffectType not found: Nope"},
        {"DEMO_END 9000\nINSERT_EFFECT bg AS Clear\n0 b bg\nDEFINE 1x 3\n", "DEFINE id cannot start with digit: 1x"},
        {"DEMO_END 9000\n0 b nothing\n", "Effect not found: nothing"},
    };
    for (const Broken& save : broken) {
        testing::internal::CaptureStderr();
        writeFile(script, save.text);
        poll();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(reload->lastFailed()) << save.text;
        EXPECT_NE(reload->lastLine().find(save.report), std::string::npos) << reload->lastLine();
        EXPECT_NE(err.find(save.report), std::string::npos) << "the report is printed: " << err;
        EXPECT_EQ(err.find("reloaded"), std::string::npos) << err;
        EXPECT_EQ(publishedEffectList, running);
        EXPECT_EQ(demoEnd, 20000u) << "the published values stay the running script's";
        EXPECT_EQ(keyEndTime, keyEnd) << "and so does the end time new keys are made with";
        EXPECT_EQ(frame(600).r, 255) << "the old timeline still plays";
    }
    EXPECT_EQ(reload->reloadCount(), 0u);

    writeFile(script, blueScript);
    poll();
    EXPECT_FALSE(reload->lastFailed());
    EXPECT_EQ(reload->reloadCount(), 1u);
    EXPECT_EQ(frame(700).b, 255);
}

TEST_P(Watch, AChangedPictureIsReloadedIntoTheTextureThatShowsIt) {
    // The texture cache outlives a test: each run its own picture.
    const std::string name = std::string("data/images/wall_") + (GetParam() ? "p" : "i") + ".png";
    const std::string picture = dir + "/" + name;
    writePicture(picture, 255, 0, 0, 8);
    start("__SETUP__\nINSERT_EFFECT bg AS Clear\nINSERT_EFFECT pic AS Image\n0 s pic Datafile \"" + name +
          "\"\n__TIMELINE__\n0 b bg\n0 b pic\n0 s pic BlendSrc 1\n0 s pic BlendDst 0\n");
    testgl::Rgba before = frame(100);
    EXPECT_EQ(before.r, 255);
    EXPECT_EQ(before.g, 0);
    EffectList* running = publishedEffectList;

    // Another size as well: the texture takes the new picture's.
    writePicture(picture, 0, 255, 0, 4);
    poll();
    EXPECT_FALSE(reload->lastFailed()) << reload->lastLine();
    EXPECT_NE(reload->lastLine().find("reloaded " + picture + " ("), std::string::npos)
        << reload->lastLine();
    EXPECT_EQ(publishedEffectList, running) << "a picture reloads in place, the timeline stays";
    testgl::Rgba after = frame(200);
    EXPECT_EQ(after.r, 0);
    EXPECT_EQ(after.g, 255);

    // A save that does not decode keeps the picture.
    testing::internal::CaptureStderr();
    writeFile(picture, "not a picture");
    poll();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(reload->lastFailed());
    EXPECT_EQ(frame(300).g, 255);
}

TEST_P(Watch, AChangedShaderIsCompiledAgainAndABrokenOneKeepsTheRunningProgram) {
    start("INSERT_EFFECT bg AS Clear\n");
    const std::string name = "data/shaders/watch_" + std::to_string(GetParam()) + ".glsl";
    const std::string path = dir + "/" + name;
    const char* const good = "#version 420 compatibility\nvoid main() { gl_FragColor = vec4(1.0); }\n";
    writeFile(path, good);
    FragmentProgram& program = ShaderManager::instance().fragmentProgram(name);
    unsigned first = program.glProgram();
    ASSERT_NE(first, 0u);
    reload->poll(clock);

    writeFile(path, std::string(good) + "// changed\n");
    poll();
    EXPECT_FALSE(reload->lastFailed()) << reload->lastLine();
    unsigned second = program.glProgram();
    EXPECT_NE(second, 0u);
    EXPECT_NE(second, first);

    testing::internal::CaptureStderr();
    writeFile(path, "#version 420 compatibility\nvoid main() { this is not glsl }\n");
    poll();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(reload->lastFailed());
    EXPECT_NE(err.find("CG error"), std::string::npos) << err;
    EXPECT_EQ(program.glProgram(), second);
    EXPECT_EQ(&ShaderManager::instance().fragmentProgram(name), &program) << "still registered";
}

// A DDS file of DXT1 blocks: one level of a single RGB565 colour where the picture is
// square (colour1 = 0 below colour0: every texel takes colour0), the header alone where not.
std::string ddsFile(uint32_t width, uint32_t height, uint16_t colour) {
    std::string header(124, '\0');
    auto put = [&](size_t at, uint32_t value) {
        for (size_t i = 0; i < 4; ++i) header[at + i] = char(value >> (8 * i));
    };
    put(0, 124);
    put(8, height);
    put(12, width);
    put(16, 8);   // one 4x4 block
    put(24, 1);   // mipmaps
    put(72, 32);  // pixel format record
    put(76, 4);   // a four-character code follows
    header.replace(80, 4, "DXT1");
    std::string block{char(colour & 0xFF), char(colour >> 8), 0, 0, 0, 0, 0, 0};
    return "DDS " + header + block;
}

TEST_P(Watch, APictureWithADdsTwinIsWatchedThroughTheTwinTheReaderOpens) {
    const std::string stem = std::string("data/images/twin_") + (GetParam() ? "p" : "i");
    const std::string png = dir + "/" + stem + ".png";
    const std::string dds = dir + "/" + stem + ".dds";
    writePicture(png, 0, 0, 255, 4);
    writeFile(dds, ddsFile(4, 4, 0xF800));
    start("__SETUP__\nINSERT_EFFECT bg AS Clear\nINSERT_EFFECT pic AS Image\n0 s pic Datafile \"" + stem +
          ".png\"\n__TIMELINE__\n0 b bg\n0 b pic\n0 s pic BlendSrc 1\n0 s pic BlendDst 0\n");
    testgl::Rgba shown = frame(100);
    EXPECT_EQ(shown.r, 255) << "the twin is what shows";
    EXPECT_EQ(shown.b, 0);
    EXPECT_TRUE(reload->watcher().isWatched(dds));
    EXPECT_FALSE(reload->watcher().isWatched(png)) << "a fresh load would not read it either";

    writeFile(dds, ddsFile(4, 4, 0x07E0));
    poll();
    EXPECT_FALSE(reload->lastFailed()) << reload->lastLine();
    EXPECT_NE(reload->lastLine().find("reloaded " + dds + " ("), std::string::npos) << reload->lastLine();
    shown = frame(200);
    EXPECT_EQ(shown.r, 0);
    EXPECT_EQ(shown.g, 255);

    writePicture(png, 255, 255, 255, 4);
    poll();
    EXPECT_EQ(reload->reloadCount(), 1u);
    EXPECT_EQ(frame(300).r, 0);
}

// Loads, plays blue, and at 1000 ms asks for a picture whose loading is a fatal report.
std::string faultingScript(const std::string& picture) {
    return "DEMO_END 30000\nDEMO_BEAT 125\nDEFINE IMAGEFILE 26\n__SETUP__\nINSERT_EFFECT bg AS Clear\n"
           "INSERT_EFFECT pic AS Image\n__TIMELINE__\n0 b bg\n0 s bg Blue 1\n0 s bg Red 0\n1000 TRIGGER pic IMAGEFILE \"" +
           picture + "\"\n";
}

struct StackDepths {
    GLint modelview = 0, projection = 0, attrib = 0;
    size_t targets = 0;
    static StackDepths now() {
        StackDepths d;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &d.modelview);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &d.projection);
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &d.attrib);
        d.targets = RenderTarget::bindingDepth();
        return d;
    }
    bool operator==(const StackDepths&) const = default;
};

TEST(FrameStateUnwind, PopsWhatABrokenFramePushedAndReturnsToTheWindowsFrameBuffer) {
    testgl::context();
    static RenderTarget target;
    if (!target.isInited()) target.init("unwind_test", 16, 16, 0);
    glDisable(GL_BLEND);
    StackDepths before = StackDepths::now();
    FrameStateUnwind state;
    target.bind();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glPushMatrix();
    glPushAttrib(GL_ENABLE_BIT);
    glEnable(GL_BLEND);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glMatrixMode(GL_PROJECTION);
    glEnable(0xFFFF);  // an error left queued

    state.unwind();
    EXPECT_TRUE(StackDepths::now() == before);
    GLint clientDepth = -1, frameBuffer = -1, mode = 0;
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &clientDepth);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &frameBuffer);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(clientDepth, 0);
    EXPECT_EQ(frameBuffer, 0);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "the pushed attributes are back";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    state.unwind();
    EXPECT_TRUE(StackDepths::now() == before) << "a second unwind changes nothing";
}

TEST_P(Watch, AReloadedTimelineThatFaultsWhileItPlaysGivesWayToTheOneBeforeIt) {
    const std::string bad = "data/images/nonsquare.dds";
    writeFile(dir + "/" + bad, ddsFile(8, 4, 0));
    start(redScript);
    reload->renderFrame(500);
    EffectList* running = publishedEffectList;
    EXPECT_FALSE(reload->holdsPreviousTimeline());

    writeFile(script, faultingScript(bad));
    poll();
    ASSERT_EQ(reload->reloadCount(), 1u);
    EXPECT_TRUE(reload->holdsPreviousTimeline());
    EXPECT_EQ(demoEnd, 30000u);
    reload->renderFrame(600);
    EXPECT_EQ(testgl::readPixel(4, 4).b, 255) << "the new timeline plays up to its fault";

    StackDepths before = StackDepths::now();
    testing::internal::CaptureStderr();
    reload->renderFrame(1000);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Non-square compressed images not supported"), std::string::npos) << err;
    EXPECT_NE(err.find("back to the timeline before the last reload"), std::string::npos) << err;
    EXPECT_TRUE(reload->lastFailed());
    EXPECT_NE(reload->lastLine().find("Non-square"), std::string::npos) << reload->lastLine();
    EXPECT_EQ(publishedEffectList, running);
    EXPECT_EQ(demoEnd, 20000u) << "with the values its script published";
    EXPECT_EQ(beatLength, 250u);
    EXPECT_FALSE(reload->holdsPreviousTimeline());
    EXPECT_TRUE(StackDepths::now() == before) << "the broken frame's pushes are undone";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    reload->renderFrame(1100);
    EXPECT_EQ(testgl::readPixel(4, 4).r, 255) << "the timeline before plays on";

    writeFile(script, blueScript);
    poll();
    EXPECT_FALSE(reload->lastFailed()) << reload->lastLine();
    EXPECT_EQ(reload->reloadCount(), 2u);
    reload->renderFrame(1200);
    EXPECT_EQ(testgl::readPixel(4, 4).b, 255);
}

TEST_P(Watch, AFaultWithNoTimelineToGoBackToStopsTheDrawingUntilAGoodSave) {
    const std::string bad = "data/images/nonsquare.dds";
    writeFile(dir + "/" + bad, ddsFile(8, 4, 0));
    start(faultingScript(bad));
    testing::internal::CaptureStderr();
    reload->renderFrame(1000);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Non-square compressed images not supported"), std::string::npos) << err;
    EXPECT_NE(err.find("nothing more is drawn until a good save"), std::string::npos) << err;
    EXPECT_EQ(publishedEffectList, nullptr);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    reload->renderFrame(1100);
    EXPECT_EQ(testgl::readPixel(4, 4).g, 255) << "nothing drawn";

    writeFile(script, redScript);
    poll();
    EXPECT_FALSE(reload->lastFailed()) << reload->lastLine();
    reload->renderFrame(1200);
    EXPECT_EQ(testgl::readPixel(4, 4).r, 255);
}

INSTANTIATE_TEST_SUITE_P(InotifyAndPolling, Watch, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Polling" : "Inotify"; });

TEST(FileWatcher, ReportsWritesAndRenamesIntoPlaceOnceAndIgnoresOtherFiles) {
    for (bool polling : {false, true}) {
        std::string dir = makeTempDirectory("watcher");
        writeFile(dir + "/a.txt", "1");
        writeFile(dir + "/b.txt", "1");
        FileWatcher watcher(polling);
        EXPECT_EQ(watcher.usesInotify(), !polling);
        watcher.watch(dir + "/a.txt");
        watcher.watch(dir + "/a.txt");
        EXPECT_EQ(watcher.watchedCount(), 1u);
        uint64_t now = 0;
        EXPECT_TRUE(watcher.changes(now += 1000).empty());

        writeFile(dir + "/b.txt", "22");
        EXPECT_TRUE(watcher.changes(now += 1000).empty()) << "not watched";
        writeFile(dir + "/a.txt", "22");
        writeFile(dir + "/a.txt", "333");
        EXPECT_EQ(watcher.changes(now += 1000), std::vector<std::string>{dir + "/a.txt"});
        EXPECT_TRUE(watcher.changes(now += 1000).empty());

        // An editor's save: a new file renamed over the old one.
        writeFile(dir + "/a.txt.tmp", "4444");
        fs::rename(dir + "/a.txt.tmp", dir + "/a.txt");
        EXPECT_EQ(watcher.changes(now += 1000), std::vector<std::string>{dir + "/a.txt"});
        fs::remove_all(dir);
    }
}

// The playback keys on a real music stream (SDL's disk driver): every jump and pause
// puts the stream where the clock is.
class PlaybackKeysTest : public testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDirectory("keys");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir + "/out.raw").c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "5", 1);
        const int rate = 44100;
        const int64_t frames = rate * 40;
        std::vector<float> samples(size_t(frames) * 2);
        for (int64_t i = 0; i < frames; ++i) {
            samples[2 * i] = samples[2 * i + 1] = float(0.3 * std::sin(i * 0.06));
        }
        std::string music = dir + "/music.ogg";
        ASSERT_TRUE(OggEncoder::writeFile(music.c_str(), samples.data(), frames, 2, rate, 0.0f));
        musicEnabled = true;
        ASSERT_TRUE(LumoraMusic::init());
        ASSERT_TRUE(LumoraMusic::open(music.c_str()));
        demoStart = 2000;
        demoEnd = 30000;
        beatLength = 250;
        publishedEventQueue = &events;
        for (uint32_t t : {100u, 3000u, 9000u}) {
            DemoEvent event;
            event.time = t;
            event.target = "x";
            events.add(event);
        }
        events.sort();
    }
    void TearDown() override {
        publishedEventQueue = nullptr;
        LumoraMusic::shutdown();
        musicEnabled = false;
        fs::remove_all(dir);
    }
    static uint32_t stream() { return LumoraMusic::soundSystem()->streamPositionMilliseconds(); }

    std::string dir;
    EventQueue events;
};

TEST_F(PlaybackKeysTest, JumpsAndPauseMoveClockAndStreamTogether) {
    PlaybackKeys keys([] { return demoEnd; });
    restartLiveTime(5000);
    EXPECT_TRUE(LumoraMusic::isPlaying());
    ASSERT_TRUE(keys.handleKey(SDLK_SPACE));
    ASSERT_TRUE(keys.paused());
    EXPECT_FALSE(LumoraMusic::isPlaying());
    const uint32_t at = keys.time();
    EXPECT_NEAR(double(at), 5000.0, 200.0);
    EXPECT_EQ(stream(), at) << "paused where the clock stopped";
    SDL_Delay(50);
    EXPECT_EQ(keys.time(), at) << "a paused clock stands";

    keys.handleKey(SDLK_RIGHT);
    EXPECT_EQ(keys.time(), at + 250);
    EXPECT_EQ(stream(), at + 250);
    keys.handleKey(SDLK_UP);
    EXPECT_EQ(keys.time(), at + 1250);
    keys.handleKey(SDLK_DOWN);
    keys.handleKey(SDLK_LEFT);
    EXPECT_EQ(keys.time(), at);
    keys.handleKey(SDLK_PAGEDOWN);
    EXPECT_EQ(keys.time(), at + 10000);
    EXPECT_EQ(stream(), at + 10000);
    keys.handleKey(SDLK_PAGEDOWN);
    keys.handleKey(SDLK_PAGEDOWN);
    EXPECT_EQ(keys.time(), 30000u) << "no jump past the end";
    keys.handleKey(SDLK_HOME);
    EXPECT_EQ(keys.time(), 2000u);
    EXPECT_EQ(stream(), 2000u);
    keys.handleKey(SDLK_PAGEUP);
    EXPECT_EQ(keys.time(), 0u) << "nor before 0";
    EXPECT_FALSE(keys.handleKey(SDLK_a));

    keys.handleKey(SDLK_HOME);
    keys.handleKey(SDLK_SPACE);
    EXPECT_FALSE(keys.paused());
    EXPECT_TRUE(LumoraMusic::isPlaying());
    uint32_t resumed = keys.time();
    EXPECT_GE(resumed, 2000u);
    EXPECT_LT(resumed, 2300u);
}

TEST_F(PlaybackKeysTest, AJumpBackDeliversTheEventsDueByThenAgain) {
    PlaybackKeys keys([] { return demoEnd; });
    restartLiveTime(10000);
    deliverDueEvents(EffectList_Test(), events, keys.time());
    EXPECT_EQ(events.cursor(), 3u);
    keys.handleKey(SDLK_PAGEDOWN);
    EXPECT_EQ(events.cursor(), 3u) << "forward: nothing to deliver again";
    keys.seekTo(5000);
    EXPECT_EQ(events.cursor(), 0u);
    deliverDueEvents(EffectList_Test(), events, keys.time());
    EXPECT_EQ(events.cursor(), 2u);
}

TEST_F(PlaybackKeysTest, LoopMarksASectionThatRepeatsWithTheMusicAndAThirdPressClearsIt) {
    PlaybackKeys keys([] { return demoEnd; });
    restartLiveTime(4000);
    keys.handleKey(SDLK_SPACE);
    keys.seekTo(4000);
    keys.handleKey(SDLK_l);
    EXPECT_TRUE(keys.loopStartSet());
    EXPECT_FALSE(keys.looping());
    keys.seekTo(4150);
    keys.handleKey(SDLK_l);
    ASSERT_TRUE(keys.looping());
    EXPECT_EQ(keys.loopStart(), 4000u);
    EXPECT_EQ(keys.loopEnd(), 4150u);
    keys.handleKey(SDLK_SPACE);

    // Playing on from 4150 passes the end within a few frames: back to the start.
    bool wrapped = false;
    for (int i = 0; i < 400 && !wrapped; ++i) {
        SDL_Delay(2);
        uint32_t t = keys.time();
        ASSERT_GE(t, 4000u);
        ASSERT_LE(t, 4150u + 50u);
        wrapped = t < 4100;
    }
    ASSERT_TRUE(wrapped);
    EXPECT_LT(stream(), 4150u) << "the stream went back with the clock";
    EXPECT_GE(stream(), 4000u);

    keys.handleKey(SDLK_l);
    EXPECT_FALSE(keys.looping());
    EXPECT_FALSE(keys.loopStartSet());
}

TEST_F(PlaybackKeysTest, KeyPressesReachThePlaybackKeysThroughTheFrameLoop) {
    SDL_InitSubSystem(SDL_INIT_EVENTS);
    PlaybackKeys keys([] { return demoEnd; });
    usePlaybackKeys(&keys);
    inputEnabled = true;
    restartLiveTime(6000);
    for (SDL_Keycode key : {SDLK_SPACE, SDLK_HOME, SDLK_TAB, SDLK_ESCAPE}) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }
    int frames = 0;
    runFrameLoop([&] { return keys.time(); }, [&](uint32_t) { ++frames; }, demoEnd);
    EXPECT_GE(frames, 4) << "one event per frame; Esc ends the run after its frame";
    EXPECT_TRUE(keys.paused());
    EXPECT_EQ(keys.time(), 2000u);
    EXPECT_EQ(stream(), 2000u);
    EXPECT_TRUE(keys.overlayShown());
    usePlaybackKeys(nullptr);
    inputEnabled = false;
    quitRequested = false;
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

TEST(AuthorOverlay, TextShowsTimeBarBeatRateLoopAndTheLastLine) {
    AuthorOverlay::Status status;
    status.time = 13250;
    status.demoStart = 1000;
    status.beatLength = 500;  // 12250 ms in: beat 24, bar 7 beat 1
    status.paused = true;
    std::vector<std::string> lines = AuthorOverlay::lines(status, 59.6);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "13.250 s  bar 7 beat 1  60 fps  paused");
    EXPECT_EQ(lines[1], "no loop");
    status.loopStartSet = true;
    status.loopStart = 2000;
    EXPECT_EQ(AuthorOverlay::lines(status, 0)[1], "loop from 2.000");
    status.looping = true;
    status.loopEnd = 4500;
    status.time = 500;  // before the start: bar 1 beat 1
    status.lastLine = "reloaded x (3 ms)";
    lines = AuthorOverlay::lines(status, 0);
    EXPECT_EQ(lines[0], "0.500 s  bar 1 beat 1  0 fps  paused");
    EXPECT_EQ(lines[1], "loop 2.000 - 4.500");
    EXPECT_EQ(lines[2], "reloaded x (3 ms)");
    // Every printable character has a glyph; lower case prints as upper case.
    EXPECT_EQ(AuthorOverlay::glyph('a'), AuthorOverlay::glyph('A'));
    EXPECT_EQ(AuthorOverlay::glyph('\x01'), AuthorOverlay::glyph('?'));
    EXPECT_NE(AuthorOverlay::glyph('0'), AuthorOverlay::glyph('?'));
}

TEST(AuthorOverlay, DrawsLitTextOnADarkStripAtTheTopAndLeavesTheStateAsFound) {
    testgl::context();
    glViewport(0, 0, 128, 128);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    GLint projectionDepth = 0, modelviewDepth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
    AuthorOverlay overlay;
    AuthorOverlay::Status status;
    status.lastLine = "broken";
    status.lastFailed = true;
    overlay.draw(status, 128, 128);
    std::vector<uint8_t> strip = testgl::readRgba(0, 128 - 30, 128, 30);
    int lit = 0, darkened = 0;
    for (size_t i = 0; i < strip.size(); i += 4) {
        if (strip[i] > 200 && strip[i + 1] > 200) ++lit;
        if (strip[i] < 10 && strip[i + 2] > 90 && strip[i + 2] < 120) ++darkened;
    }
    EXPECT_GT(lit, 50) << "white text";
    EXPECT_GT(darkened, 1000) << "blue behind 60 % black";
    EXPECT_EQ(testgl::readPixel(64, 10).b, 255) << "below the strip the frame is untouched";
    GLint source = 0, destination = 0, depth = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &source);
    glGetIntegerv(GL_BLEND_DST_RGB, &destination);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(destination, GL_ZERO);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, modelviewDepth);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
