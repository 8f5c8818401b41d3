#include "platform/SpectrumAnalyser.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

SpectrumAnalyser::SpectrumAnalyser() : plan(kiss_fftr_alloc(windowSize, 0, nullptr, nullptr)) {
    float windowSum = 0.0f;
    for (int i = 0; i < windowSize; ++i) {
        window[i] = 0.5f - 0.5f * std::cos(2.0f * std::numbers::pi_v<float> * float(i) / float(windowSize));
        windowSum += window[i];
    }
    // A sine of amplitude a puts a × sum(window) / 2 into its bin.
    scale = 2.0f / windowSum;
    magnitudes.fill(0.0f);
}

SpectrumAnalyser::~SpectrumAnalyser() {
    kiss_fftr_free(plan);
}

const float* SpectrumAnalyser::analyse(const float* samples) {
    for (int i = 0; i < windowSize; ++i) {
        windowed[i] = samples[i] * window[i];
    }
    kiss_fft_cpx bins[binCount + 1];
    kiss_fftr(plan, windowed.data(), bins);
    for (int k = 0; k < binCount; ++k) {
        magnitudes[k] = std::sqrt(bins[k].r * bins[k].r + bins[k].i * bins[k].i) * scale;
    }
    return magnitudes.data();
}
