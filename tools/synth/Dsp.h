#pragma once
// The small signal-processing pieces the instruments are built from: a noise source, a
// state-variable filter, band-limited oscillators and pitch helpers. Everything is plain
// arithmetic on floats with fixed seeds, so two renders give the same samples.
#include <cmath>
#include <cstdint>

#include "Tempo.h"

namespace Dsp {

constexpr float pi = 3.14159265358979f;

inline float midiToHz(float note) { return 440.0f * std::exp2((note - 69.0f) / 12.0f); }

// Equal-power pan: position -1 (left) … 1 (right).
inline float panLeft(float position) { return std::cos((position + 1.0f) * pi * 0.25f); }
inline float panRight(float position) { return std::sin((position + 1.0f) * pi * 0.25f); }

// xorshift32: white noise in -1..1 from a seed, the same sequence on every machine.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return float(int32_t(state)) * (1.0f / 2147483648.0f);
    }

private:
    uint32_t state;
};

// Topology-preserving state-variable filter (trapezoidal integration): stable under fast
// cutoff sweeps, which the arpeggio and the riser use.
class Filter {
public:
    void setCutoff(float hz, float resonance) {
        const float limited = std::fmin(std::fmax(hz, 20.0f), 18000.0f);
        g = std::tan(pi * limited / float(Tempo::sampleRate));
        k = 2.0f - 2.0f * std::fmin(std::fmax(resonance, 0.0f), 0.95f);
        a1 = 1.0f / (1.0f + g * (g + k));
    }
    // Runs one sample; afterwards low(), band() and high() hold the three outputs.
    void process(float input) {
        const float v3 = input - ic2;
        const float v1 = a1 * ic1 + g * a1 * v3;
        const float v2 = ic2 + g * v1;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        lowOut = v2;
        bandOut = v1;
        highOut = input - k * v1 - v2;
    }
    float low() const { return lowOut; }
    float band() const { return bandOut; }
    float high() const { return highOut; }

private:
    float g = 0.0f, k = 2.0f, a1 = 1.0f;
    float ic1 = 0.0f, ic2 = 0.0f;
    float lowOut = 0.0f, bandOut = 0.0f, highOut = 0.0f;
};

// Polynomial band-limited step: removes most of the aliasing of a naive saw or pulse.
inline float polyBlep(float phase, float increment) {
    if (phase < increment) {
        const float t = phase / increment;
        return t + t - t * t - 1.0f;
    }
    if (phase > 1.0f - increment) {
        const float t = (phase - 1.0f) / increment;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

class SawOscillator {
public:
    explicit SawOscillator(float startPhase = 0.0f) : phase(startPhase) {}
    float next(float hz) {
        const float increment = hz / float(Tempo::sampleRate);
        const float value = 2.0f * phase - 1.0f - polyBlep(phase, increment);
        phase += increment;
        phase -= std::floor(phase);
        return value;
    }

private:
    float phase;
};

class PulseOscillator {
public:
    float next(float hz, float width) {
        const float increment = hz / float(Tempo::sampleRate);
        float value = phase < width ? 1.0f : -1.0f;
        value += polyBlep(phase, increment);
        float shifted = phase + 1.0f - width;
        shifted -= std::floor(shifted);
        value -= polyBlep(shifted, increment);
        phase += increment;
        phase -= std::floor(phase);
        return value;
    }

private:
    float phase = 0.0f;
};

}  // namespace Dsp
