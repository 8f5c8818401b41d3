// The frame-rate bar and its counter on a clock the test sets: the bar's height for known
// frame times, the drop at each new sample, the first reading, and the counter's samples.
#include "effects/FrameCounter.h"
#include "effects/ViewFPS.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

namespace {

constexpr int side = testgl::contextWidth;

// A counter clock in milliseconds that the test moves.
struct ManualClock {
    uint64_t nowMs = 5000;
    CounterClock counter() {
        return CounterClock{[this] { return nowMs; }, 1000};
    }
};

// The bar's column, x = 0.95: pixel 121 of 128. Its lit height in rows from the bottom.
int barHeight() {
    int rows = 0;
    while (rows < side && testgl::readPixel(121, rows).r > 128) ++rows;
    return rows;
}

void frame(ViewFPS& bar, uint32_t t) {
    glViewport(0, 0, side, side);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    bar.update(t);
    bar.render(t);
}

class ViewFPSTest : public testing::Test {
protected:
    void SetUp() override {
        testgl::context();
        glDisable(GL_DEPTH_TEST);
    }
};

TEST_F(ViewFPSTest, BarHeightFollowsTheFrameTime) {
    ManualClock clock;
    FrameCounter counter(clock.counter());
    ViewFPS bar("fps", counter);
    bar.start(0);
    // First frame: the sample begins at this tick and the last reading is 0, so the two
    // readings are equal: 100 frames per second, the full bar (not 1 / 0).
    frame(bar, 0);
    EXPECT_EQ(barHeight(), side);
    // 20 ms later: 1 / 0.020 = 50 per second, half the height (64 rows).
    clock.nowMs += 20;
    frame(bar, 20);
    EXPECT_NEAR(barHeight(), 64, 1);
    // 25 ms: 40 per second, 0.4 x 128 = 51 rows.
    clock.nowMs += 25;
    frame(bar, 45);
    EXPECT_NEAR(barHeight(), 51, 1);
    // 5 ms: 200 per second, held to the full bar.
    clock.nowMs += 5;
    frame(bar, 50);
    EXPECT_EQ(barHeight(), side);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
}

TEST_F(ViewFPSTest, BarDropsOnTheFrameANewSampleBegins) {
    ManualClock clock;
    FrameCounter counter(clock.counter());
    ViewFPS bar("fps_sample", counter);
    bar.tint.green.current = 0.0f;
    bar.tint.blue.current = 0.0f;
    bar.start(0);
    for (int i = 0; i < 100; ++i) {
        frame(bar, 0);
        clock.nowMs += 20;
    }
    // 100 ticks 20 ms apart: the sample spans 99 x 20 = 1980 ms, 100 / 1.98 frames a second.
    EXPECT_NEAR(counter.lastFps(), 50.505f, 0.01f);
    EXPECT_FLOAT_EQ(counter.minFps(), counter.maxFps());
    EXPECT_EQ(barHeight(), 64);  // red at full strength: the bar of 50 per second
    EXPECT_EQ(testgl::readPixel(121, 10).g, 0);
    // Tick 101 begins a new sample: the reading restarts at 0, below the last one, and the
    // wrapped difference makes the bar almost nothing.
    frame(bar, 0);
    EXPECT_EQ(barHeight(), 0);
    clock.nowMs += 20;
    frame(bar, 0);
    EXPECT_NEAR(barHeight(), 64, 1);
}

TEST(FrameCounter, SamplesEveryGivenNumberOfTicks) {
    ManualClock clock;
    FrameCounter counter(clock.counter());
    counter.open(4, false, "unused.txt");
    // Four ticks 10 ms apart span 30 ms: 4 / 0.030 = 133.3 per second.
    for (int i = 0; i < 4; ++i) {
        counter.tick();
        clock.nowMs += 10;
    }
    EXPECT_NEAR(counter.lastFps(), 133.33f, 0.01f);
    // Then 4 ticks 30 ms apart: 4 / 0.090 = 44.4; the extremes keep both.
    for (int i = 0; i < 4; ++i) {
        counter.tick();
        clock.nowMs += 30;
    }
    EXPECT_NEAR(counter.lastFps(), 44.44f, 0.01f);
    EXPECT_NEAR(counter.minFps(), 44.44f, 0.01f);
    EXPECT_NEAR(counter.maxFps(), 133.33f, 0.01f);
    // A sample within one millisecond has no rate: the extremes stay as they were.
    for (int i = 0; i < 4; ++i) counter.tick();
    EXPECT_NEAR(counter.maxFps(), 133.33f, 0.01f);
    // Opening again resets the extremes.
    counter.open(4, false, "unused.txt");
    EXPECT_EQ(counter.maxFps(), 0.0f);
    EXPECT_EQ(counter.minFps(), 10000.0f);
    EXPECT_FLOAT_EQ(ViewFPS::framesPerSecond(7, 7), 100.0f);
    EXPECT_FLOAT_EQ(ViewFPS::framesPerSecond(40, 0), 25.0f);
}

}  // namespace
