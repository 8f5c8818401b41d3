#include "effects/FrameCounter.h"

#include <SDL.h>

#include <algorithm>

CounterClock performanceCounterClock() {
    return CounterClock{[] { return uint64_t(SDL_GetPerformanceCounter()); }, uint64_t(SDL_GetPerformanceFrequency())};
}

FrameCounter::FrameCounter(CounterClock counterClock) : clock(std::move(counterClock)) {
    if (clock.frequency == 0) clock.frequency = 1;
}

FrameCounter& FrameCounter::program() {
    static FrameCounter counter;
    return counter;
}

void FrameCounter::open(int32_t frames, bool withLog, const std::string& fileName) {
    framesPerSample = frames;
    logging = withLog;
    frame = 0;
    if (log.is_open()) log.close();
    if (logging) log.open(fileName);
    highestFps = 0.0f;
    lowestFps = 10000.0f;
}

void FrameCounter::tick() {
    if (frame == 0) sampleStart = clock.ticks();
    ++frame;
    if (framesPerSample <= 0 || frame < framesPerSample) return;
    frame = 0;
    const uint32_t sampleMs = elapsedMs();
    // A sample that took no whole millisecond has no rate to speak of.
    if (sampleMs == 0) return;
    lastSampleFps = float(framesPerSample / (sampleMs * 0.001));
    if (logging && log) log << "fps: " << lastSampleFps << "\n";
    lowestFps = std::min(lowestFps, lastSampleFps);
    highestFps = std::max(highestFps, lastSampleFps);
}

uint32_t FrameCounter::elapsedMs() const {
    return uint32_t((clock.ticks() - sampleStart) * 1000 / clock.frequency);
}
