#pragma once
// The noise of the image effects (LineDistortion's wave, Noise's jumps) scales a random
// value by 1 / 32767 (3.0518509e-05), the range of the generator it was tuned on. The C
// library's rand() may reach far beyond that (2^31 - 1 with glibc), so these effects
// draw from it through shortRandom(), 0..32767, still seeded by srand().
#include <cstdlib>

inline int shortRandom() {
    return std::rand() % 32768;
}
