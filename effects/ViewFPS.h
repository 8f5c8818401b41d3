#pragma once
// "ViewFPS": a thin vertical bar near the right edge whose height shows the frame rate
// (full height at 100 frames per second or more), in the colour of "Red", "Green",
// "Blue", "Alpha", and the tick of the program's frame counter. The rate is that of the
// last frame, from two readings of the counter's sample clock, so on the frame after a
// new sample begins (every 100 frames) the reading restarts, the difference wraps and the
// bar drops to almost nothing.
//
// A start opens the counter (100 frames a sample, no log) without restarting the
// effect's own clock; an update ticks the counter without the base update.
#include "demoSystem/Effect.h"
#include "effects/TintVariables.h"

class FrameCounter;

class ViewFPS : public Effect {
public:
    // With the program's frame counter.
    explicit ViewFPS(const std::string& instanceName);
    ViewFPS(const std::string& instanceName, FrameCounter& counter);
    void start(uint32_t t) override;
    void update(uint32_t t) override;
    void render(uint32_t t) override;

    // The bar's frame rate from the sample clock's reading now and at the last bar:
    // 1 / seconds between them, at most 100; 100 when they are equal.
    static float framesPerSecond(uint32_t readingMs, uint32_t lastReadingMs);

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};

private:
    FrameCounter& counter;
};
