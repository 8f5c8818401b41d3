#pragma once
// A small Schroeder-style room (parallel combs, then series all-passes, per side) that
// gives the pads and the lead some space. Processes a bus in place, adding the wet signal.
#include "StereoBuffer.h"

struct Reverb {
    float wet = 0.25f;
    float roomSize = 0.82f;  // comb feedback
    float damping = 0.3f;

    void process(StereoBuffer& bus) const;
};
