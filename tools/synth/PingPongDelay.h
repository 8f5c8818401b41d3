#pragma once
// Stereo echo whose repeats alternate between the sides, with a darkening feedback path;
// the song puts it on the arpeggio and the lead. Processes a bus in place.
#include <cstddef>

#include "StereoBuffer.h"

struct PingPongDelay {
    size_t delayFrames = 0;
    float feedback = 0.35f;
    float wet = 0.3f;
    float damping = 0.4f;  // 0: bright repeats … 1: fully dark

    void process(StereoBuffer& bus) const;
};
