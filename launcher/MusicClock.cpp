#include "launcher/MusicClock.h"

#include <algorithm>
#include <cmath>

double MusicClock::step(double streamMs, bool streamAdvancing, double counterMs) {
    if (!started) {
        started = true;
        lastTime = streamMs;
        lastCounter = counterMs;
        return lastTime;
    }
    double elapsed = std::max(0.0, counterMs - lastCounter);
    lastCounter = counterMs;
    double predicted = lastTime + elapsed;
    if (!streamAdvancing) {
        lastTime = predicted;
        return lastTime;
    }
    double error = streamMs - predicted;
    if (std::fabs(error) > seekThresholdMs) {
        lastTime = streamMs;
        return lastTime;
    }
    double correction = std::clamp(error * std::min(1.0, elapsed / smoothingMs), -elapsed, frameBudgetMs);
    // Taking back all of the elapsed time must not dip below the last time by rounding.
    lastTime = std::max(lastTime, predicted + correction);
    return lastTime;
}
