// The demo clock that follows the music: the sound module's stream reading (position at
// the last mixer callback plus counter time since, capped at one block) and the smoothing
// on top of it. A simulated sound card runs 60 s of demo time in a moment; the real disk
// driver with a stalled mixer shows the same on SDL's audio thread.
#include "launcher/DemoClock.h"
#include "launcher/MusicClock.h"
#include "platform/OggEncoder.h"
#include "platform/SoundSystem.h"
#include "tests/support/RunProgram.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr double blockMs = SoundSystem::blockLength * 1000.0 / SoundSystem::mixRate;
constexpr uint64_t microsecond = 1'000'000;  // the simulated counter's ticks per second

TEST(StreamClockReading, PositionPlusCounterTimeSinceTheCallbackCappedAtOneBlock) {
    StreamClockReading reading{44100 * 30, 5 * microsecond, true};
    EXPECT_DOUBLE_EQ(SoundSystem::streamClockMilliseconds(reading, 5 * microsecond, microsecond), 30000.0);
    EXPECT_DOUBLE_EQ(SoundSystem::streamClockMilliseconds(reading, 5 * microsecond + 10'000, microsecond), 30010.0);
    // A mixer that stops calling back stops the reading one block on, never further.
    EXPECT_DOUBLE_EQ(SoundSystem::streamClockMilliseconds(reading, 9 * microsecond, microsecond), 30000.0 + blockMs);
    // A counter reading from before the callback (another core's) adds nothing.
    EXPECT_DOUBLE_EQ(SoundSystem::streamClockMilliseconds(reading, 4 * microsecond, microsecond), 30000.0);
    reading.advancing = false;  // paused or ended: the position stands
    EXPECT_DOUBLE_EQ(SoundSystem::streamClockMilliseconds(reading, 5 * microsecond + 10'000, microsecond), 30000.0);
}

// A sound card whose crystal runs at `rate` times real time. Each callback hands the
// device one block and comes a little late (scheduling); a stall holds the callbacks back.
class SimulatedCard {
public:
    SimulatedCard(double rate, uint64_t startFrames) : rate(rate) { reading = {startFrames, 0, true}; }

    void stallFrom(double fromUs, double forUs) {
        stallStart = fromUs;
        stallLength = forUs;
    }

    // Runs every callback due by real time nowUs and returns the module's reading then.
    double positionAt(uint64_t nowUs) {
        while (true) {
            double due = nextCallbackUs;
            if (due >= stallStart && due < stallStart + stallLength) {
                due = stallStart + stallLength;  // the mixer is stuck: the card's schedule slips
                nextCallbackUs = due;
            }
            double lateBy = jitter(random);
            if (due + lateBy > double(nowUs)) {
                break;
            }
            reading.frames += SoundSystem::blockLength;
            reading.counter = uint64_t(due + lateBy);
            nextCallbackUs = due + blockMs * 1000.0 / rate;
        }
        return SoundSystem::streamClockMilliseconds(reading, nowUs, microsecond);
    }

    bool advancing() const { return reading.advancing; }

private:
    double rate;
    StreamClockReading reading;
    double nextCallbackUs = 0.0;
    double stallStart = -1.0, stallLength = 0.0;
    std::mt19937 random{20261209};
    std::uniform_real_distribution<double> jitter{0.0, 500.0};
};

struct Drift {
    double musicMax = 0.0;  // largest |stream - demo time| with the music clock
    double freeFinal = 0.0; // stream - demo time with the counter alone, at the end
    bool musicMonotonic = true;
};

// 60 s of frames at about 60 per second (each a little early or late) against the card.
Drift playSixtySeconds(SimulatedCard& card, double settleUntilUs, double ignoreFromUs = -1, double ignoreToUs = -1) {
    const double startMs = 30000.0;
    MusicClock clock;
    Drift drift;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> frameJitter(-1500.0, 1500.0);
    double last = -1.0;
    for (double frameUs = 0.0; frameUs < 60.0 * microsecond; frameUs += 16667.0) {
        uint64_t now = uint64_t(std::max(0.0, frameUs + frameJitter(random)));
        double stream = card.positionAt(now);
        double demo = clock.step(stream, card.advancing(), double(now) / 1000.0);
        drift.musicMonotonic = drift.musicMonotonic && demo >= last;
        last = demo;
        bool ignored = double(now) >= ignoreFromUs && double(now) < ignoreToUs;
        if (double(now) >= settleUntilUs && !ignored) {
            drift.musicMax = std::max(drift.musicMax, std::fabs(stream - demo));
        }
        drift.freeFinal = stream - (startMs + double(now) / 1000.0);
    }
    return drift;
}

TEST(MusicClockOnASimulatedCard, FollowsACardThatRunsOnePercentSlowWithinTwoMilliseconds) {
    SimulatedCard card(0.99, 44100 * 30);
    Drift drift = playSixtySeconds(card, 1.0 * microsecond);
    EXPECT_LE(drift.musicMax, 2.0);
    EXPECT_TRUE(drift.musicMonotonic);
    EXPECT_LT(drift.freeFinal, -500.0) << "the counter alone runs 1 % ahead of the music";

    SimulatedCard fast(1.01, 44100 * 30);
    drift = playSixtySeconds(fast, 1.0 * microsecond);
    EXPECT_LE(drift.musicMax, 2.0);
    EXPECT_GT(drift.freeFinal, 500.0);
}

TEST(MusicClockOnASimulatedCard, AStalledMixerHoldsTheDemoAndLeavesNoLastingOffset) {
    SimulatedCard card(1.0, 44100 * 30);
    card.stallFrom(20.0 * microsecond, 300'000.0);
    // During the stall and shortly after it the demo may stand still; after that it is
    // back in step.
    Drift drift = playSixtySeconds(card, 1.0 * microsecond, 20.0 * microsecond, 21.5 * microsecond);
    EXPECT_LE(drift.musicMax, 2.0);
    EXPECT_TRUE(drift.musicMonotonic) << "demo time never runs backwards";
    EXPECT_LT(drift.freeFinal, -250.0) << "without the music clock the stall stays as an offset";
}

TEST(MusicClockSmoothing, StepsAreBoundedSeeksJumpAndAStoppedStreamRunsOnTheCounter) {
    MusicClock clock;
    EXPECT_DOUBLE_EQ(clock.step(30000.0, true, 1000.0), 30000.0) << "the first reading is taken as it is";
    // The stream leaps 200 ms ahead: the demo moves on by at most a frame beyond the
    // elapsed time, not by the leap.
    double next = clock.step(30216.0, true, 1016.0);
    EXPECT_GT(next, 30016.0);
    EXPECT_LE(next, 30016.0 + MusicClock::frameBudgetMs + 1e-9);
    // The stream falls back 100 ms: the demo stands still rather than running backwards.
    double held = clock.step(next - 100.0, true, 1032.0);
    EXPECT_GE(held, next);
    EXPECT_LE(held, next + 16.0);
    // A real seek, 10 s ahead: taken at once.
    EXPECT_DOUBLE_EQ(clock.step(45000.0, true, 1048.0), 45000.0);
    // The stream ended (or paused): the counter carries the demo on.
    EXPECT_DOUBLE_EQ(clock.step(45000.0, false, 1148.0), 45100.0);
    clock.reset();
    EXPECT_DOUBLE_EQ(clock.step(1000.0, true, 2000.0), 1000.0);
}

// A tap that blocks the mixer once, for `stallMs`, as an overloaded machine would.
struct Stall {
    uint64_t atBlock;
    int stallMs;
    std::atomic<bool> done{false};
};

void stallOnce(DspBlock& block, void* user) {
    auto* stall = static_cast<Stall*>(user);
    if (block.sequence == stall->atBlock) {
        SDL_Delay(Uint32(stall->stallMs));
        stall->done.store(true);
    }
}

TEST(MusicClockOnTheDiskDriver, AStalledMixerDoesNotPutTheDemoOutOfStep) {
    std::string directory = makeTempDirectory("musicclock");
    std::string music = directory + "/tone.ogg";
    const int frames = SoundSystem::mixRate * 6;
    std::vector<float> samples(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        samples[2 * size_t(i)] = samples[2 * size_t(i) + 1] = float(0.3 * std::sin(i * 0.05));
    }
    ASSERT_TRUE(OggEncoder::writeFile(music.c_str(), samples.data(), frames, 2, SoundSystem::mixRate, 0.2f));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);

    SoundSystem sound;
    ASSERT_TRUE(sound.init());
    ASSERT_TRUE(sound.openStream(music.c_str()));
    Stall stall{sound.blocksMixed() + 25, 150};
    ASSERT_GT(sound.addDsp(stallOnce, 100, &stall), 0);
    ASSERT_TRUE(sound.setStreamTime(1000));
    sound.setPaused(sound.playStream(), false);

    // Started as the launcher starts them: stream at 1000 ms, then both clocks.
    DemoClock freeClock;
    freeClock.start(1000);
    MusicClock musicClock;
    uint64_t frequency = SDL_GetPerformanceFrequency();
    double last = 0.0, finalMusic = 0.0, finalFree = 0.0;
    bool monotonic = true;
    uint64_t begin = SDL_GetPerformanceCounter();
    while (SDL_GetPerformanceCounter() - begin < 2500 * frequency / 1000) {
        uint64_t now = SDL_GetPerformanceCounter();
        StreamClockReading reading = sound.streamClockReading();
        double stream = SoundSystem::streamClockMilliseconds(reading, now, frequency);
        double demo = musicClock.step(stream, reading.advancing, double(now) * 1000.0 / double(frequency));
        monotonic = monotonic && demo >= last;
        last = demo;
        finalMusic = stream - demo;
        finalFree = stream - double(freeClock.now());
        SDL_Delay(8);
    }
    sound.close();
    std::filesystem::remove_all(directory);

    EXPECT_TRUE(stall.done.load()) << "the mixer never reached the stall";
    EXPECT_TRUE(monotonic);
    // A busy machine makes the callbacks late by some milliseconds; the stall is 150.
    EXPECT_LT(std::fabs(finalMusic), 10.0) << "music clock: stream - demo = " << finalMusic << " ms";
    EXPECT_LT(finalFree, -100.0) << "free clock: stream - demo = " << finalFree << " ms";
}

}  // namespace
