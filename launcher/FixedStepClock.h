#pragma once
// The clock of captures, videos and benchmarks: frame i shows demo time
// from + i * 1000 / fps (whole milliseconds, rounded down), whatever the real time, up to
// and including the last frame at or before `to`.
#include <cstdint>

class FixedStepClock {
public:
    FixedStepClock(uint32_t from, uint32_t to, int fps) : from(from), to(to), fps(fps) {}

    uint32_t time() const;
    void advance() { ++index; }
    uint64_t frameIndex() const { return index; }
    uint32_t firstTime() const { return from; }
    uint32_t lastTime() const { return to; }
    int framesPerSecond() const { return fps; }
    uint64_t frameCount() const { return frameCount(from, to, fps); }

    // Frames from..to inclusive at fps; 0 when to lies before from.
    static uint64_t frameCount(uint32_t from, uint32_t to, int fps);

private:
    uint32_t from;
    uint32_t to;
    int fps;
    uint64_t index = 0;
};
