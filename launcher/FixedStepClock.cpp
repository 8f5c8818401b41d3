#include "launcher/FixedStepClock.h"

uint32_t FixedStepClock::time() const {
    uint64_t time = uint64_t(from) + index * 1000 / uint64_t(fps);
    return time > UINT32_MAX ? UINT32_MAX : uint32_t(time);
}

uint64_t FixedStepClock::frameCount(uint32_t first, uint32_t last, int framesPerSecond) {
    if (last < first || framesPerSecond <= 0) {
        return 0;
    }
    return uint64_t(last - first) * uint64_t(framesPerSecond) / 1000 + 1;
}
