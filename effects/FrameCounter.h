#pragma once
// Frame-rate sampling for the "ViewFPS" bar: tick() once per frame; every
// framesPerSample ticks the counter works out the frame rate of that sample, keeps the
// lowest and highest and, when logging, writes "fps: <value>" lines to a text file. A new
// sample starts at the tick after the last one ended, so elapsedMs() restarts near 0
// every framesPerSample frames.
//
// The counter reads a CounterClock: the performance counter by default; tests hand in a
// clock of their own. The program has one counter (program()), shared by every ViewFPS,
// built the first time one is made.
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>

// A high-resolution counter: its reading in ticks, and ticks per second.
struct CounterClock {
    std::function<uint64_t()> ticks;
    uint64_t frequency = 1;
};

// SDL's performance counter.
CounterClock performanceCounterClock();

class FrameCounter {
public:
    explicit FrameCounter(CounterClock clock = performanceCounterClock());

    // Starts counting afresh: samples of `frames` ticks; logging opens fileName for text
    // (a file that cannot be opened is left bad and nothing is written).
    void open(int32_t frames, bool logging, const std::string& fileName);
    void tick();
    // Milliseconds since the current sample began (64-bit: ticks x 1000 / frequency).
    uint32_t elapsedMs() const;

    // Frames per second of the last whole sample, and the extremes since open (0 and
    // 10000 before the first sample).
    float lastFps() const { return lastSampleFps; }
    float minFps() const { return lowestFps; }
    float maxFps() const { return highestFps; }

    // The elapsedMs() reading at the last frame-rate bar drawn: shared, as the counter
    // is, by every ViewFPS.
    uint32_t lastShownMs = 0;

    static FrameCounter& program();

private:
    CounterClock clock;
    int32_t framesPerSample = 0;
    bool logging = false;
    int32_t frame = 0;
    uint64_t sampleStart = 0;
    float lastSampleFps = 0.0f;
    float highestFps = 0.0f;
    float lowestFps = 10000.0f;
    std::ofstream log;
};
