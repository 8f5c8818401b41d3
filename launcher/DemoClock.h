#pragma once
// Millisecond demo time on the high-resolution counter, started at an offset.
// now() = (counter - base) * 1000 / frequency + offset, in 64-bit integers, multiply first;
// callers use the low 32 bits as the unsigned frame time.
#include <cstdint>

class DemoClock {
public:
    DemoClock();
    void start(int64_t offsetMs);
    int64_t now() const;

    // The arithmetic alone, for any counter reading.
    static int64_t millisecondsAt(int64_t counter, int64_t base, int64_t frequency, int64_t offsetMs);

private:
    int64_t frequency;
    int64_t base = 0;
    int64_t offset = 0;
};
