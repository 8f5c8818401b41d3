#pragma once
// Magnitude spectrum of a window of mono samples, for effects that react to the music.
//
// The sound system feeds it the last 1024 mixed frames (left and right averaged) and
// hands the 512 magnitudes to the spectrum effect, which sums them once per frame. Bin k
// covers k × 44100 / 1024 Hz (about 43 Hz per bin). A Hann window keeps a pure tone in
// its own bin; magnitudes are scaled so that a full-scale sine centred on a bin reads
// about 1 there, so that the sum stays in the range the demo's strengths were made for.
// Not thread-safe: one analyser per caller.
#include <array>

struct kiss_fftr_state;

class SpectrumAnalyser {
public:
    static constexpr int windowSize = 1024;
    static constexpr int binCount = windowSize / 2;

    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // samples: windowSize mono values, oldest first. Returns binCount magnitudes (bin 0
    // is the DC term), valid until the next call.
    const float* analyse(const float* samples);

private:
    kiss_fftr_state* plan;
    std::array<float, windowSize> window;
    std::array<float, windowSize> windowed;
    std::array<float, binCount> magnitudes;
    float scale;
};
