// The soundtrack module as the launcher drives it: pause, init, open, setTime, play, and
// shutdown at exit, on SDL's dummy driver and with no usable driver at all.
#include "demoSystem/LumoraMusic.h"
#include "platform/OggEncoder.h"
#include "platform/SoundSystem.h"
#include "tests/support/RunProgram.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int rate = 44100;

std::string tempDirectory() {
    static std::string directory = makeTempDirectory("music");
    return directory;
}

class RemoveTempDirectory : public testing::Environment {
    void TearDown() override { std::filesystem::remove_all(tempDirectory()); }
};
[[maybe_unused]] testing::Environment* const removeTempDirectory =
    testing::AddGlobalTestEnvironment(new RemoveTempDirectory);

std::string musicFile(const std::string& name, double seconds) {
    std::string path = tempDirectory() + "/" + name;
    const int64_t frames = int64_t(seconds * rate);
    std::vector<float> samples(size_t(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        samples[2 * i] = samples[2 * i + 1] = float(0.4 * std::sin(2.0 * std::numbers::pi * 440.0 * i / rate));
    }
    EXPECT_TRUE(OggEncoder::writeFile(path.c_str(), samples.data(), frames, 2, rate, 0.0f));
    return path;
}

const std::string& longMusic() {
    static std::string path = musicFile("long.ogg", 32.0);
    return path;
}

// Waits (bounded) until the stream has moved past `milliseconds`.
bool waitForPosition(uint32_t milliseconds) {
    for (int i = 0; i < 2000; ++i) {
        SoundSystem* sound = LumoraMusic::soundSystem();
        if (sound != nullptr && sound->streamPositionMilliseconds() > milliseconds) {
            return true;
        }
        SDL_Delay(5);
    }
    return false;
}

class LumoraMusicTest : public testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override { LumoraMusic::shutdown(); }
};

TEST_F(LumoraMusicTest, StartsAtTheDemoStartAndPausesWhereItIs) {
    LumoraMusic::pause();  // the launcher pauses before anything plays: harmless
    EXPECT_FALSE(LumoraMusic::isPlaying());
    ASSERT_TRUE(LumoraMusic::init());
    EXPECT_TRUE(LumoraMusic::init());
    EXPECT_TRUE(LumoraMusic::isInited());
    ASSERT_TRUE(LumoraMusic::open(longMusic().c_str()));
    LumoraMusic::setTime(30000);
    SoundSystem* sound = LumoraMusic::soundSystem();
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->streamPositionMilliseconds(), 30000u);
    LumoraMusic::play();
    EXPECT_TRUE(LumoraMusic::isPlaying());
    ASSERT_TRUE(waitForPosition(30100));

    LumoraMusic::pause();
    EXPECT_FALSE(LumoraMusic::isPlaying());
    uint32_t pausedAt = sound->streamPositionMilliseconds();
    uint64_t blocks = sound->blocksMixed();
    while (sound->blocksMixed() < blocks + 3) {
        SDL_Delay(5);
    }
    EXPECT_EQ(sound->streamPositionMilliseconds(), pausedAt);

    // Setting a time and playing again restarts the stream there.
    LumoraMusic::setTime(1000);
    LumoraMusic::play();
    EXPECT_TRUE(LumoraMusic::isPlaying());
    ASSERT_TRUE(waitForPosition(1050));
    EXPECT_LT(sound->streamPositionMilliseconds(), 20000u);
}

TEST_F(LumoraMusicTest, ASecondOpenKeepsTheStreamThatIsOpen) {
    ASSERT_TRUE(LumoraMusic::init());
    ASSERT_TRUE(LumoraMusic::open(longMusic().c_str()));
    LumoraMusic::setTime(2500);
    EXPECT_TRUE(LumoraMusic::open("no-such-file.ogg"));
    EXPECT_EQ(LumoraMusic::soundSystem()->streamPositionMilliseconds(), 2500u) << "the first stream, untouched";
}

TEST_F(LumoraMusicTest, AMissingFileLeavesTheDemoSilentWithoutAMessage) {
    ASSERT_TRUE(LumoraMusic::init());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LumoraMusic::open("no-such-file.ogg"));
    LumoraMusic::setTime(30000);
    LumoraMusic::play();
    EXPECT_FALSE(LumoraMusic::isPlaying());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // A file that appears later is opened by the next try.
    EXPECT_TRUE(LumoraMusic::open(longMusic().c_str()));
}

TEST_F(LumoraMusicTest, WithoutADeviceInitFailsSilentlyAndNothingPlays) {
    setenv("SDL_AUDIODRIVER", "nonexistent", 1);
    testing::internal::CaptureStderr();
    LumoraMusic::pause();
    EXPECT_FALSE(LumoraMusic::init());
    EXPECT_FALSE(LumoraMusic::isInited());
    EXPECT_EQ(LumoraMusic::soundSystem(), nullptr);
    LumoraMusic::setTime(30000);
    LumoraMusic::play();
    EXPECT_FALSE(LumoraMusic::isPlaying());
    LumoraMusic::shutdown();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(LumoraMusicTest, OpeningBeforeInitIsReportedAndRefused) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LumoraMusic::open(longMusic().c_str()));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(testing::internal::RE::PartialMatch(err, "demoSystem/LumoraMusic\\.cpp:[0-9]+ Soundsystem not inited"))
        << err;
    EXPECT_FALSE(LumoraMusic::isInited());
}

TEST_F(LumoraMusicTest, ShutdownClosesEverythingAndMayRunTwice) {
    ASSERT_TRUE(LumoraMusic::init());
    ASSERT_TRUE(LumoraMusic::open(longMusic().c_str()));
    LumoraMusic::play();
    LumoraMusic::shutdown();
    EXPECT_FALSE(LumoraMusic::isInited());
    EXPECT_FALSE(LumoraMusic::isPlaying());
    EXPECT_EQ(LumoraMusic::soundSystem(), nullptr);
    LumoraMusic::shutdown();
    LumoraMusic::pause();  // the channel went with the stream: nothing to pause
    // A fresh start opens the file anew rather than keeping a closed stream.
    ASSERT_TRUE(LumoraMusic::init());
    EXPECT_TRUE(LumoraMusic::open(longMusic().c_str()));
}

TEST(LumoraMusicDeathTest, ShutdownRegisteredAtExitRunsAfterAFatalReport) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EXIT(
        {
            std::atexit([] {
                LumoraMusic::shutdown();
                std::fputs(LumoraMusic::isInited() ? "still open\n" : "music closed\n", stderr);
            });
            LumoraMusic::init();
            LumoraMusic::open(longMusic().c_str());
            LumoraMusic::play();
            std::exit(1);
        },
        testing::ExitedWithCode(1), "music closed");
}

}  // namespace
