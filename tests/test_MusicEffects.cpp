// The effects that follow the music, on the real sound module: "Spectrum" on SDL's dummy
// driver and on the mixer without a device (as in captures), "Osc" and its program-wide
// tap drawn on the offscreen GL context and read back, the tap's life across starts,
// removal and shutdown while the mixer thread runs (this binary also runs under
// ThreadSanitizer), and whole captures over the demo's soundtrack.
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "demoSystem/LumoraMusic.h"
#include "demos/EffectList_Test.h"
#include "effects/Oscillo.h"
#include "effects/OscilloTap.h"
#include "effects/Spectrum.h"
#include "launcher/FrameCapture.h"
#include "platform/OggEncoder.h"
#include "platform/OggStream.h"
#include "platform/SoundSystem.h"
#include "platform/SpectrumAnalyser.h"
#include "resources/ImageLibrary.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr double twoPi = 2.0 * std::numbers::pi;

std::string tempDirectory() {
    static std::string directory = makeTempDirectory("musicfx");
    return directory;
}

class RemoveTempDirectory : public testing::Environment {
    void TearDown() override { std::filesystem::remove_all(tempDirectory()); }
};
[[maybe_unused]] testing::Environment* const removeTempDirectory =
    testing::AddGlobalTestEnvironment(new RemoveTempDirectory);

// A stereo sine of `hertz` at `amplitude`, both channels alike.
std::string sineFile(const std::string& name, double hertz, double amplitude, double seconds) {
    std::string path = tempDirectory() + "/" + name;
    if (std::filesystem::exists(path)) {
        return path;
    }
    const int64_t frames = int64_t(seconds * rate);
    std::vector<float> samples(size_t(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        samples[2 * i] = samples[2 * i + 1] = float(amplitude * std::sin(twoPi * hertz * double(i) / rate));
    }
    EXPECT_TRUE(OggEncoder::writeFile(path.c_str(), samples.data(), frames, 2, rate, 0.5f));
    return path;
}

// A tone in the middle of spectrum bin 32: a whole number of periods fills the analysis
// window, so its magnitudes do not depend on where the window falls.
constexpr double binTone = 32.0 * rate / SpectrumAnalyser::windowSize;
// One period per mixed block: the oscilloscope shows one whole sine.
constexpr double blockTone = double(rate) / SoundSystem::blockLength;

bool waitBlocks(const SoundSystem& sound, uint64_t count) {
    uint64_t target = sound.blocksMixed() + count;
    for (int i = 0; i < 2000 && sound.blocksMixed() < target; ++i) {
        SDL_Delay(5);
    }
    return sound.blocksMixed() >= target;
}

DemoEvent eventWith(int32_t id, const std::string& text, uint32_t time = 0) {
    DemoEvent event;
    event.id = id;
    event.text = text;
    event.time = time;
    return event;
}

class MusicEffects : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        keyEndTime = 60000;
    }
    void TearDown() override {
        list.clearEffects();
        LumoraMusic::shutdown();
        keyEndTime = 0;
    }
    template <typename EffectClass>
    EffectClass& add(const std::string& name, const std::string& type) {
        list.createEffect(name, type);
        return dynamic_cast<EffectClass&>(*list.findEffect(name));
    }
    EffectList_Test list;
};

// --- Spectrum ---------------------------------------------------------------------------

TEST_F(MusicEffects, SpectrumSendsTheSummedLevelOfAToneAndTargetsScaleItByTheirStrength) {
    const double amplitude = 0.5;
    std::string tone = sineFile("bintone.ogg", binTone, amplitude, 3.0);
    // The level the formulas give: the sum of the 512 magnitudes of a stretch of the tone.
    OggStream reference;
    ASSERT_TRUE(reference.open(tone.c_str()));
    ASSERT_TRUE(reference.seekMilliseconds(1000));
    std::vector<float> frames(2 * SpectrumAnalyser::windowSize), mono(SpectrumAnalyser::windowSize);
    ASSERT_EQ(reference.readFrames(frames.data(), SpectrumAnalyser::windowSize), SpectrumAnalyser::windowSize);
    for (int i = 0; i < SpectrumAnalyser::windowSize; ++i) {
        mono[i] = 0.5f * (frames[2 * i] + frames[2 * i + 1]);
    }
    SpectrumAnalyser analyser;
    const float expected = Spectrum::energyOf(analyser.analyse(mono.data()), SpectrumAnalyser::binCount);
    // A Hann window puts a centred sine's amplitude into its bin and half of it into each
    // neighbour.
    EXPECT_NEAR(expected, 2.0 * amplitude, 0.05);

    Spectrum& spectrum = add<Spectrum>("spectrum", "Spectrum");
    Effect& quarter = add<Effect>("quarter", "Clear");
    Effect& ramp = add<Effect>("ramp", "Clear");
    quarter.spectrumStrength.current = 0.25f;
    ramp.spectrumStrength.addKey(0.0f, 0);  // 0 at 0 ms to 1 at 60000 ms
    ramp.spectrumStrength.addKey(1.0f, 60000);
    spectrum.handleEvent(eventWith(eventSpectrumTarget, "quarter"));
    spectrum.handleEvent(eventWith(eventSpectrumAddTarget, "ramp"));

    ASSERT_TRUE(LumoraMusic::init());
    ASSERT_TRUE(LumoraMusic::open(tone.c_str()));
    LumoraMusic::setTime(500);
    LumoraMusic::play();
    spectrum.start(0);
    ASSERT_TRUE(waitBlocks(*LumoraMusic::soundSystem(), 4));
    spectrum.update(15000);
    EXPECT_NEAR(spectrum.energy(), expected, 0.03 * expected);
    EXPECT_FLOAT_EQ(quarter.spectrumLevel(), 0.25f * spectrum.energy());
    EXPECT_FLOAT_EQ(ramp.spectrumLevel(), 0.25f * spectrum.energy()) << "strength read at the frame's time";
    EXPECT_EQ(spectrum.spectrumLevel(), 0.0f) << "the spectrum is not its own target";
}

TEST_F(MusicEffects, SpectrumTargetsComeFromEventsTwoAndThree) {
    Spectrum& spectrum = add<Spectrum>("spectrum", "Spectrum");
    Effect& a = add<Effect>("a", "Clear");
    Effect& b = add<Effect>("b", "Fade");
    spectrum.handleEvent(eventWith(eventSpectrumAddTarget, "a"));
    spectrum.handleEvent(eventWith(eventSpectrumAddTarget, "b"));
    spectrum.handleEvent(eventWith(eventSpectrumAddTarget, "nobody"));
    EXPECT_EQ(spectrum.targets(), (std::vector<Effect*>{&a, &b})) << "unknown names change nothing";
    spectrum.handleEvent(eventWith(eventSpectrumTarget, "b"));
    EXPECT_EQ(spectrum.targets(), (std::vector<Effect*>{&b})) << "event 2 starts the list afresh";
    EXPECT_EQ(spectrum.source, &b) << "and is still the base's source";
    spectrum.handleEvent(eventWith(eventSpectrumTarget, "nobody"));
    EXPECT_TRUE(spectrum.targets().empty());
}

TEST_F(MusicEffects, SpectrumSendsNothingWithoutMusicOrWhileItIsPaused) {
    Spectrum& spectrum = add<Spectrum>("spectrum", "Spectrum");
    Effect& target = add<Effect>("target", "Clear");
    target.spectrumStrength.current = 1.0f;
    spectrum.handleEvent(eventWith(eventSpectrumTarget, "target"));
    // Music switched off: nothing inited, nothing read.
    spectrum.start(0);
    spectrum.update(100);
    EXPECT_EQ(target.spectrumLevel(), 0.0f);

    ASSERT_TRUE(LumoraMusic::init());
    ASSERT_TRUE(LumoraMusic::open(sineFile("bintone.ogg", binTone, 0.5, 3.0).c_str()));
    LumoraMusic::play();
    ASSERT_TRUE(waitBlocks(*LumoraMusic::soundSystem(), 3));
    spectrum.update(200);
    EXPECT_TRUE(LumoraMusic::soundSystem()->isSpectrumActive()) << "the first update switches the unit on";
    const float playing = target.spectrumLevel();
    EXPECT_GT(playing, 0.5f);
    LumoraMusic::pause();
    target.handleEvent([] {
        DemoEvent reset;
        reset.id = eventSpectrum;
        return reset;
    }());
    spectrum.update(300);
    EXPECT_EQ(target.spectrumLevel(), 0.0f) << "paused music sends nothing";
}

// --- The oscilloscope's tap ---------------------------------------------------------------

TEST(OscilloTapSamples, MixerSamplesBecomeSixteenBitMonoScaledAndClamped) {
    // The mixer works in -1..1: a plain truncation would make every sample 0.
    EXPECT_EQ(OscilloTap::monoSample(0.5f, 0.5f), 16384);
    EXPECT_EQ(OscilloTap::monoSample(0.5f, -0.5f), 0);
    EXPECT_EQ(OscilloTap::monoSample(-0.25f, -0.25f), -8192);
    EXPECT_EQ(OscilloTap::monoSample(0.001f, 0.0f), 16);
    EXPECT_EQ(OscilloTap::monoSample(1.0f, 1.0f), 32767);
    EXPECT_EQ(OscilloTap::monoSample(-1.0f, -1.0f), -32768);
    // Loud taps before this one may push the mix past full scale.
    EXPECT_EQ(OscilloTap::monoSample(3.0f, 2.0f), 32767);
    EXPECT_EQ(OscilloTap::monoSample(-4.0f, -1.5f), -32768);
    EXPECT_EQ(OscilloTap::monoSample(std::numeric_limits<float>::infinity(), 0.0f), 32767);
    EXPECT_EQ(OscilloTap::monoSample(std::numeric_limits<float>::quiet_NaN(), 0.0f), 0);
}

TEST(OscilloTapSamples, ReadersGetTheOldestCompleteBlockAsTheRingTurns) {
    OscilloTap& tap = OscilloTap::shared();
    std::vector<float> samples(2 * SoundSystem::blockLength);
    auto feed = [&](float value) {
        std::fill(samples.begin(), samples.end(), value);
        DspBlock block{samples.data(), SoundSystem::blockLength, SoundSystem::blockLength, SoundSystem::totalLength, 0};
        OscilloTap::mixCallback(block, &tap);
        EXPECT_EQ(block.samples[0], value) << "the tap leaves the mix as it is";
    };
    // Six blocks through a ring of four: the oldest complete block is three blocks back.
    const float values[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
    for (size_t i = 0; i < std::size(values); ++i) {
        feed(values[i]);
        if (i >= 3) {
            const int start = tap.latestBlockStart();
            EXPECT_EQ(start % SoundSystem::blockLength, 0);
            EXPECT_EQ(tap.sample(start), OscilloTap::monoSample(values[i - 2], values[i - 2])) << "after block " << i;
            EXPECT_EQ(tap.sample(start + SoundSystem::blockLength - 1), tap.sample(start));
            EXPECT_EQ(tap.sample(start + SoundSystem::blockLength), OscilloTap::monoSample(values[i - 1], values[i - 1]))
                << "the sample after the block is the next block's first, across the ring's end too";
        }
    }
}

// --- Osc drawing ------------------------------------------------------------------------

// The wave target read back: per column, the row (from the bottom, 0..255) where the
// line is most opaque, and that alpha.
struct WaveColumn {
    int row = -1;
    int alpha = 0;
};

WaveColumn waveAt(const Oscillo& osc, int column) {
    std::vector<uint8_t> texels(size_t(Oscillo::targetSize) * Oscillo::targetSize * 4);
    glBindTexture(GL_TEXTURE_2D, osc.waveTextureName());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    WaveColumn found;
    for (int row = 0; row < Oscillo::targetSize; ++row) {
        int alpha = texels[(size_t(row) * Oscillo::targetSize + size_t(column)) * 4 + 3];
        if (alpha > found.alpha) {
            found = WaveColumn{row, alpha};
        }
    }
    return found;
}

// A white frame with the oscilloscope laid over all of it, the line opaque.
void renderOverWhite(Oscillo& osc, uint32_t t) {
    glViewport(0, 0, testgl::contextWidth, testgl::contextHeight);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    osc.xPos.current = 0;
    osc.yPos.current = 0;
    osc.width.current = 1;
    osc.height.current = 1;
    osc.tint.alpha.current = 1;
    osc.update(t);
    osc.render(t);
}

// Rows (from the bottom) of a frame column that the mask darkened.
std::vector<int> darkRows(int column) {
    std::vector<int> rows;
    std::vector<uint8_t> pixels = testgl::readRgba(column, 0, 1, testgl::contextHeight);
    for (int y = 0; y < testgl::contextHeight; ++y) {
        if (pixels[size_t(y) * 4] < 128) {
            rows.push_back(y);
        }
    }
    return rows;
}

TEST_F(MusicEffects, OscWithoutSoundStartsTakesNoTapAndDrawsAFlatLineAtHalfHeight) {
    testgl::context();
    Oscillo& osc = add<Oscillo>("osc", "Osc");
    renderOverWhite(osc, 0);
    EXPECT_EQ(testgl::readPixel(64, 64).r, 255) << "nothing before the start";

    osc.start(0);  // music switched off: no sound system, and no fatal report
    EXPECT_TRUE(osc.isStarted());
    EXPECT_FALSE(OscilloTap::shared().isActiveOn(LumoraMusic::soundSystem()));
    renderOverWhite(osc, 100);
    for (int column : {10, 128, 250}) {
        WaveColumn wave = waveAt(osc, column);
        EXPECT_NEAR(wave.row, 128, 2) << "column " << column;
        EXPECT_EQ(wave.alpha, 255);
    }
    for (int column : {5, 64, 120}) {
        std::vector<int> rows = darkRows(column);
        ASSERT_FALSE(rows.empty()) << "column " << column;
        EXPECT_NEAR(rows.front(), 63, 2);
        EXPECT_NEAR(rows.back(), 64, 2);
    }
    EXPECT_EQ(testgl::readPixel(64, 20).r, 255) << "the frame away from the line is untouched";
}

TEST_F(MusicEffects, OscDrawsTheMusicsWaveWhereItsSamplesPutIt) {
    testgl::context();
    // The mixer without a device, as in a capture: exactly the blocks up to a time.
    ASSERT_TRUE(LumoraMusic::startForCapture(sineFile("blocktone.ogg", blockTone, 0.5, 2.0).c_str(), 0));
    Oscillo& osc = add<Oscillo>("osc", "Osc");
    osc.start(0);
    EXPECT_TRUE(OscilloTap::shared().isActiveOn(LumoraMusic::soundSystem()));
    LumoraMusic::mixUntil(1000);
    renderOverWhite(osc, 1000);

    // Blocks start on whole periods: the line is one sine, 0.5 + 0.25 sin(2 pi x), in the
    // target with y up...
    for (int column : {16, 64, 100, 128, 192, 240}) {
        const double x = (column + 0.5) / Oscillo::targetSize;
        const double level = 0.5 + 0.25 * std::sin(twoPi * x);
        WaveColumn wave = waveAt(osc, column);
        EXPECT_GT(wave.alpha, 200) << "column " << column;
        EXPECT_NEAR(wave.row, level * Oscillo::targetSize, 4.0) << "column " << column;
    }
    // ...and laid over the frame with the target's first row at the top, as every target
    // is drawn: the crest at x = 0.25 darkens the frame a quarter up from the bottom.
    for (int column : {32, 96}) {
        std::vector<int> rows = darkRows(column);
        ASSERT_FALSE(rows.empty()) << "column " << column;
        const double level = 0.5 + 0.25 * std::sin(twoPi * (column + 0.5) / testgl::contextWidth);
        EXPECT_NEAR(rows.front(), (1.0 - level) * testgl::contextHeight, 3.0) << "column " << column;
    }
    EXPECT_EQ(testgl::readPixel(32, 96).r, 255);

    // The rectangle places the mask: the default one covers 0.4..0.8 across and, from
    // the top, 0.4..0.8 down.
    osc.xPos.current = osc.yPos.current = osc.width.current = osc.height.current = 0.4f;
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    osc.render(1000);
    int darkInside = 0;
    for (int x = 0; x < testgl::contextWidth; ++x) {
        for (int y : darkRows(x)) {
            bool inside = x >= 51 && x <= 102 && y >= 25 && y <= 77;
            EXPECT_TRUE(inside) << "dark at " << x << "," << y;
            darkInside += inside;
        }
    }
    EXPECT_GT(darkInside, 40);
}

// --- The tap across the effects' lives, with the mixer thread running ---------------------

TEST_F(MusicEffects, TheTapSurvivesRepeatedStartsGoesWithTheLastOscAndOutlivesTheSoundSystem) {
    testgl::context();
    ASSERT_TRUE(LumoraMusic::init());
    ASSERT_TRUE(LumoraMusic::open(sineFile("blocktone.ogg", blockTone, 0.5, 2.0).c_str()));
    LumoraMusic::play();
    SoundSystem* sound = LumoraMusic::soundSystem();
    OscilloTap& tap = OscilloTap::shared();

    auto* first = new Oscillo("first");
    first->start(0);
    ASSERT_TRUE(tap.isActiveOn(sound));
    // The render thread reads while the mixer writes.
    ASSERT_TRUE(waitBlocks(*sound, 6));
    int peak = 0;
    for (int round = 0; round < 50; ++round) {
        const int start = tap.latestBlockStart();
        for (int i = 0; i <= Oscillo::points; ++i) {
            peak = std::max(peak, std::abs(int(tap.sample(start + i * 10))));
        }
        SDL_Delay(1);
    }
    EXPECT_GT(peak, 12000) << "the wave of a half-scale sine";

    // A repeated start keeps the running tap, while the mixer goes on writing the ring.
    for (uint32_t t : {100u, 200u, 300u}) {
        first->start(t);
        ASSERT_TRUE(tap.isActiveOn(sound));
    }
    auto* second = new Oscillo("second");
    second->start(0);
    delete first;
    EXPECT_TRUE(tap.isActiveOn(sound)) << "another Osc still holds it";
    delete second;
    EXPECT_FALSE(tap.isActiveOn(sound)) << "the last one removed it";
    // Removed means not called again: the ring stands still.
    const int standing = tap.latestBlockStart();
    ASSERT_TRUE(waitBlocks(*sound, 5));
    EXPECT_EQ(tap.latestBlockStart(), standing);

    // An Osc outliving the sound system lets go without touching it, and a sound system
    // opened again gets the tap at the next start.
    auto* late = new Oscillo("late");
    late->start(0);
    ASSERT_TRUE(tap.isActiveOn(sound));
    LumoraMusic::shutdown();
    late->start(10);
    ASSERT_TRUE(LumoraMusic::init());
    late->start(20);
    EXPECT_TRUE(tap.isActiveOn(LumoraMusic::soundSystem()));
    LumoraMusic::shutdown();
    delete late;
}

// --- Captures ---------------------------------------------------------------------------

TEST(SoundSystemWithoutDevice, MixesExactlyTheBlocksEndingByEachTimeThroughTheTaps) {
    std::string music = sineFile("sweepish.ogg", 311.0, 0.6, 3.0);
    SoundSystem sound;
    ASSERT_TRUE(sound.initWithoutDevice());
    EXPECT_TRUE(sound.isInited());
    EXPECT_EQ(sound.outputLatencyMilliseconds(), 0.0);
    ASSERT_TRUE(sound.openStream(music.c_str()));
    ASSERT_TRUE(sound.setStreamTime(1000));
    sound.setPaused(sound.playStream(), false);
    struct Copy {
        std::vector<float> samples;
    } copy;
    int handle = sound.addDsp([](DspBlock& block, void* user) {
        auto* out = static_cast<Copy*>(user);
        out->samples.insert(out->samples.end(), block.samples, block.samples + 2 * block.frames);
    }, 0, &copy);
    ASSERT_GT(handle, 0);
    sound.setSpectrumActive(true);

    sound.mixUntil(1000 + 23);  // 1014 frames: not a whole block yet
    EXPECT_EQ(sound.blocksMixed(), 0u);
    sound.mixUntil(1000 + 70);  // 3087 frames: three blocks
    EXPECT_EQ(sound.blocksMixed(), 3u);
    sound.mixUntil(1000 + 70);
    sound.mixUntil(900);
    EXPECT_EQ(sound.blocksMixed(), 3u) << "a time already mixed adds nothing";

    OggStream reference;
    ASSERT_TRUE(reference.open(music.c_str()));
    ASSERT_TRUE(reference.seekMilliseconds(1000));
    std::vector<float> expected(copy.samples.size());
    ASSERT_EQ(reference.readFrames(expected.data(), int(expected.size() / 2)), int(expected.size() / 2));
    EXPECT_TRUE(copy.samples == expected) << "the taps see the stream from the time set, sample for sample";
    const float* bins = sound.spectrum();
    ASSERT_NE(bins, nullptr);
    EXPECT_EQ(std::max_element(bins, bins + SoundSystem::spectrumSize) - bins,
              std::lround(311.0 * SpectrumAnalyser::windowSize / rate));

    // Past the stream's end only silence follows; a long stretch of it costs nothing.
    sound.mixUntil(4000000000u);
    EXPECT_LT(sound.blocksMixed(), 200u);
    bins = sound.spectrum();
    EXPECT_TRUE(std::all_of(bins, bins + SoundSystem::spectrumSize, [](float m) { return m == 0.0f; }));
    EXPECT_TRUE(std::all_of(copy.samples.end() - 2 * SoundSystem::totalLength, copy.samples.end(),
                            [](float s) { return s == 0.0f; }));
    sound.close();
    EXPECT_FALSE(sound.isInited());
}

// The demo's soundtrack beside the program, a script of our own on a plain data folder:
// over grey, a white Image whose alpha follows the Spectrum, and an Osc over the upper
// half of the screen. The script's end is the soundtrack's.
std::string musicScript(uint32_t demoEnd) {
    return "__HEADER__\nDEMO_START 0\nDEMO_END " + std::to_string(demoEnd) + R"(
DEMO_BEAT 500
__DEFS__
DEFINE SPECTRUM_TARGET 2
DEFINE ALPHA_FACTOR 28
DEFINE ALPHA 29
__SETUP__
INSERT_EFFECT background AS Clear
INSERT_EFFECT level AS Spectrum
INSERT_EFFECT glow AS Image
INSERT_EFFECT scope AS Osc
__TIMELINE__
0 BEGIN background
0 BEGIN level
0 BEGIN glow
0 BEGIN scope
0 INIT level
0 INIT glow
0 INIT scope
0 TRIGGER level SPECTRUM_TARGET "glow"
0 TRIGGER glow ALPHA 0
0 TRIGGER glow ALPHA_FACTOR 0.25
0 SIGNAL background Red 0.5
0 SIGNAL background Green 0.5
0 SIGNAL background Blue 0.5
0 SIGNAL glow BlendSrc 4
0 SIGNAL glow BlendDst 5
0 SIGNAL scope Alpha 1
0 SIGNAL scope xPos 0
0 SIGNAL scope yPos 0
0 SIGNAL scope Width 1
0 SIGNAL scope Height 0.5
)";
}

const std::string soundtrackPath = std::string(LUMORA_BINARY_DIR) + "/lv_cv05-02.ogg";

// Loudness of the soundtrack at each whole second: the RMS of the four blocks heard just
// before it, what the spectrum and the oscilloscope look at.
std::vector<double> loudnessPerSecond() {
    std::vector<double> seconds;
    OggStream stream;
    if (!stream.open(soundtrackPath.c_str())) {
        return seconds;
    }
    std::vector<float> frames(2 * rate);
    for (int got; (got = stream.readFrames(frames.data(), rate)) == rate;) {
        double sum = 0.0;
        for (int i = rate - SoundSystem::totalLength; i < rate; ++i) {
            double mono = 0.5 * (frames[2 * i] + frames[2 * i + 1]);
            sum += mono * mono;
        }
        seconds.push_back(std::sqrt(sum / SoundSystem::totalLength));
    }
    return seconds;  // [k]: the second ending at (k + 1) s
}

class CaptureOverTheSoundtrack : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(soundtrackPath)) {
            GTEST_SKIP() << "the demo's soundtrack is not built here (LUMORA_BUILD_DATA=OFF)";
        }
        loudness = loudnessPerSecond();
        ASSERT_GE(loudness.size(), 10u);
        lastSecond = uint32_t(loudness.size());
        dir = makeTempDirectory("capture_music");
        std::filesystem::create_directories(dir + "/data/scripts");
        std::ofstream(dir + "/data/scripts/cvdemo.script") << musicScript(lastSecond * 1000 + 500);
    }
    void TearDown() override {
        if (!dir.empty()) {
            std::filesystem::remove_all(dir);
        }
    }
    // Frames at 1 fps from `from` to `to`.
    std::string capture(const std::string& name, uint32_t from, uint32_t to, bool music = true) {
        std::string frames = dir + "/" + name;
        std::vector<std::string> arguments = {"--headless", "--no-dialog", "--data", dir, "--capture", frames,
                                              "--size", "64x64", "--fps", "1", "--from", std::to_string(from),
                                              "--to", std::to_string(to)};
        if (!music) {
            arguments.push_back("--no-music");
        }
        ProgramResult result = runProgram(LUMORA_EXECUTABLE, arguments,
                                          {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return frames;
    }
    std::vector<double> loudness;
    uint32_t lastSecond = 0;
    std::string dir;
};

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct FrameLook {
    double glow = 0;   // mean red of the lower half: grey, lit by the Image's alpha
    int waveRows = 0;  // rows of the upper half that the Osc's line darkens somewhere
};

FrameLook look(const std::string& frames, uint32_t index) {
    DataPack::usePlainDirectory(frames.c_str());
    auto image = ImageLibrary::load(FrameCapture::frameFileName(index).c_str(), "");
    FrameLook result;
    EXPECT_TRUE(image) << frames << " " << index;
    if (!image) {
        return result;
    }
    auto red = [&](int x, int y) { return int(image->pixels[size_t(y) * image->rowBytes + size_t(x) * 3]); };
    for (int y = 32; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            result.glow += red(x, y) / (32.0 * 64.0);
        }
    }
    for (int y = 0; y < 32; ++y) {
        bool dark = false;
        for (int x = 0; x < 64; ++x) {
            dark |= red(x, y) < 64;
        }
        result.waveRows += dark;
    }
    return result;
}

TEST_F(CaptureOverTheSoundtrack, FramesReactWhereTheMusicIsLoudAndComeOutTheSameEveryRun) {
    // The loudest and the quietest whole second of the soundtrack, leaving out the first
    // (nothing is heard before it) and the last.
    uint32_t loudTime = 0, quietTime = 0;
    for (uint32_t k = 1; k + 1 < lastSecond; ++k) {
        if (loudTime == 0 || loudness[k] > loudness[loudTime / 1000 - 1]) loudTime = (k + 1) * 1000;
        if (quietTime == 0 || loudness[k] < loudness[quietTime / 1000 - 1]) quietTime = (k + 1) * 1000;
    }
    ASSERT_GT(loudness[loudTime / 1000 - 1], 4.0 * loudness[quietTime / 1000 - 1]);

    std::string whole = capture("whole", 0, lastSecond * 1000);
    FrameLook loud = look(whole, loudTime / 1000), quiet = look(whole, quietTime / 1000);
    EXPECT_GT(loud.glow, quiet.glow + 20) << "the level at " << loudTime << " ms against " << quietTime << " ms";
    EXPECT_GT(loud.waveRows, quiet.waveRows + 4) << "the wave at " << loudTime << " ms against " << quietTime << " ms";
    EXPECT_LE(quiet.waveRows, 6) << quietTime << " ms";

    // The same run again gives the same frames, and so does one that starts late, from
    // its second frame on (its Osc starts in its first frame, so its ring fills only
    // then, as it would for a viewer).
    std::string again = capture("again", 0, lastSecond * 1000);
    std::string late = capture("late", loudTime - 2000, loudTime + 1000);
    for (uint32_t index = 0; index <= lastSecond; ++index) {
        std::string name = "/" + FrameCapture::frameFileName(index);
        ASSERT_TRUE(fileBytes(again + name) == fileBytes(whole + name)) << "frame " << index << " differs";
    }
    for (uint32_t index = 1; index <= 3; ++index) {
        uint32_t wholeIndex = loudTime / 1000 - 2 + index;
        EXPECT_TRUE(fileBytes(late + "/" + FrameCapture::frameFileName(index)) ==
                    fileBytes(whole + "/" + FrameCapture::frameFileName(wholeIndex)))
            << "the frame at " << wholeIndex * 1000 << " ms";
    }
}

TEST_F(CaptureOverTheSoundtrack, WithoutMusicTheFramesStayCalmAndTheCaptureRunsToTheEnd) {
    std::string frames = capture("silent", 0, 3000, false);
    for (uint32_t index = 0; index <= 3; ++index) {
        FrameLook calm = look(frames, index);
        EXPECT_NEAR(calm.glow, 128, 2) << "no level reaches the Image";
        EXPECT_LE(calm.waveRows, 3) << "a flat line";
    }
}

}  // namespace
