#include "StereoBuffer.h"

#include <algorithm>

void StereoBuffer::mix(const StereoBuffer& other, float gain) {
    const size_t n = std::min(frames(), other.frames());
    for (size_t i = 0; i < n; ++i) {
        left[i] += other.left[i] * gain;
        right[i] += other.right[i] * gain;
    }
}
