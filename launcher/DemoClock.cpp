#include "launcher/DemoClock.h"

#include <SDL.h>

DemoClock::DemoClock() : frequency(int64_t(SDL_GetPerformanceFrequency())) {}

void DemoClock::start(int64_t offsetMs) {
    offset = offsetMs;
    base = int64_t(SDL_GetPerformanceCounter());
}

int64_t DemoClock::now() const {
    return millisecondsAt(int64_t(SDL_GetPerformanceCounter()), base, frequency, offset);
}

int64_t DemoClock::millisecondsAt(int64_t counter, int64_t base, int64_t frequency, int64_t offsetMs) {
    return (counter - base) * 1000 / frequency + offsetMs;
}
