// The spine: demo clock arithmetic, the frame loop's end rule and input handling, the
// start-up extension check.
#include "base/Globals.h"
#include "base/LumoraConfig.h"
#include "launcher/DemoClock.h"
#include "launcher/LumoraLauncher.h"
#include "tests/support/GLTestContext.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(DemoClockArithmetic, MultipliesBeforeDividingAndTruncates) {
    EXPECT_EQ(DemoClock::millisecondsAt(7, 0, 3, 0), 2333);          // 7000 / 3
    EXPECT_EQ(DemoClock::millisecondsAt(1999, 1000, 1000, 0), 999);   // whole milliseconds only
    EXPECT_EQ(DemoClock::millisecondsAt(1000, 1000, 1000000000, 30000), 30000);
    // A 10 MHz counter an hour after start: no overflow, no rounding up.
    int64_t frequency = 10'000'000;
    EXPECT_EQ(DemoClock::millisecondsAt(3600 * frequency + 9999, 0, frequency, 0), 3'600'000);
}

TEST(DemoClockArithmetic, StartsAtItsOffset) {
    DemoClock clock;
    clock.start(30000);
    int64_t first = clock.now();
    EXPECT_GE(first, 30000);
    EXPECT_LT(first, 30000 + 1000);
    EXPECT_GE(clock.now(), first);
}

class FrameLoop : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        quitRequested = false;
        inputEnabled = true;
    }
    void TearDown() override {
        quitRequested = false;
        inputEnabled = false;
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }

    // Runs the loop on a scripted clock; every reading takes the next value (the last
    // one repeats). Returns the times of the presented frames.
    std::vector<uint32_t> run(std::vector<uint32_t> readings, uint32_t endTime) {
        size_t next = 0;
        std::vector<uint32_t> presented;
        runFrameLoop(
            [&] {
                uint32_t value = readings[std::min(next, readings.size() - 1)];
                ++next;
                return value;
            },
            [&](uint32_t t) { presented.push_back(t); }, endTime);
        return presented;
    }

    static void pushKey(SDL_Keycode key) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }
};

TEST_F(FrameLoop, FrameAtExactlyTheEndIsPresentedAndTheFirstLaterReadingEndsUnpresented) {
    // Two readings per frame: before rendering and after.
    std::vector<uint32_t> presented = run({990, 995, 1000, 1000, 1000, 1001}, 1000);
    EXPECT_EQ(presented, (std::vector<uint32_t>{990, 1000}));
}

TEST_F(FrameLoop, UnsignedComparisonAgainstTheEnd) {
    // A reading "below zero" wraps to a huge unsigned time: past any end.
    std::vector<uint32_t> presented = run({0, uint32_t(-5)}, 60000);
    EXPECT_TRUE(presented.empty());
}

TEST_F(FrameLoop, EscEndsTheRunAfterTheCurrentFrame) {
    pushKey(SDLK_ESCAPE);
    std::vector<uint32_t> presented = run({10}, 60000);
    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(presented, (std::vector<uint32_t>{10}));
}

TEST_F(FrameLoop, EscIsIgnoredWhileInputIsDisabled) {
    inputEnabled = false;
    pushKey(SDLK_ESCAPE);
    std::vector<uint32_t> presented = run({10, 10, 20, 20, 30, 61000}, 60000);
    EXPECT_FALSE(quitRequested);
    EXPECT_EQ(presented, (std::vector<uint32_t>{10, 20}));
}

TEST_F(FrameLoop, OtherKeysDoNotEndTheRun) {
    pushKey(SDLK_SPACE);
    std::vector<uint32_t> presented = run({10, 10, 61000}, 60000);
    EXPECT_FALSE(quitRequested);
    EXPECT_EQ(presented.size(), 1u);
}

TEST_F(FrameLoop, WindowCloseEndsTheRun) {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    std::vector<uint32_t> presented = run({10}, 60000);
    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(presented.size(), 1u);
}

TEST_F(FrameLoop, QuitMessageEndsTheLoopWithoutAnotherFrame) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    std::vector<uint32_t> presented = run({10}, 60000);
    EXPECT_TRUE(quitRequested);
    EXPECT_TRUE(presented.empty());
}

TEST_F(FrameLoop, OneEventPerFrame) {
    pushKey(SDLK_SPACE);
    pushKey(SDLK_SPACE);
    pushKey(SDLK_ESCAPE);
    // The Esc is the third event: it is taken in the third frame.
    std::vector<uint32_t> presented = run({10, 10, 20, 20, 30, 30, 40, 40, 61000}, 60000);
    EXPECT_EQ(presented, (std::vector<uint32_t>{10, 20, 30}));
}

TEST(StartupCheck, RequiredExtensionsInTheirOrder) {
    const char* expected[] = {"WGL_ARB_pbuffer", "WGL_ARB_render_texture", "ARB_multitexture",
                              "ARB_shadow", "ARB_depth_texture", "EXT_framebuffer_object",
                              "ARB_fragment_program", "ARB_vertex_program", "ARB_texture_compression"};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_STREQ(requiredExtensions[i], expected[i]);
    }
}

TEST(StartupCheck, MesaOffersEverythingTheDemoNeeds) {
    testgl::context();
    EXPECT_GE(maxTextureUnits, 3);
    EXPECT_GT(maxTextureSize, 0);
    checkExtensions();  // fatal when something is missing
}

TEST(StartupCheckDeathTest, FewerThanThreeTextureUnitsIsFatal) {
    EXPECT_EXIT(
        {
            testgl::context();
            maxTextureUnits = 2;
            checkExtensions();
        },
        testing::ExitedWithCode(1), "launcher/LumoraLauncher.cpp:[0-9]+ Minimum 3 texture units are required");
}

TEST(ProbeWindow, FindsTheOffscreenMultisampleModes) {
    testgl::context();
    LumoraWindow probe;
    ASSERT_TRUE(probe.probe(640, 480, 32, nullptr));
    // Mesa's offscreen driver offers 4 samples; whatever it offers, the table is consistent.
    EXPECT_TRUE(fsaaModes[1].supported);
    for (const FsaaMode& mode : fsaaModes) {
        EXPECT_EQ(mode.supported, mode.format >= mode.samples) << mode.samples;
    }
    EXPECT_EQ(probe.sdlWindow(), nullptr);  // destroyed again
}

TEST(ProbeWindowDeathTest, UnknownFsaaModeIsFatal) {
    EXPECT_EXIT(
        {
            testgl::context();
            LumoraWindow window;
            window.create("x", 64, 64, 32, false, nullptr, 3, nullptr);
        },
        testing::ExitedWithCode(1), "base/LumoraWindow.cpp:[0-9]+ Unsupported FSAA mode");
}

TEST(ProbeWindow, DestroyIsSafeOnAnUnmadeWindowAndTwice) {
    LumoraWindow window;
    window.destroy();
    window.destroy();
    EXPECT_EQ(window.sdlWindow(), nullptr);
}

}  // namespace
