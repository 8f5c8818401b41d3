#include "Instruments.h"

#include <cmath>
#include <cstdint>

#include "Dsp.h"
#include "Tempo.h"

namespace {

constexpr float rate = float(Tempo::sampleRate);

size_t framesOf(float seconds) { return size_t(seconds * rate); }

// Exponential decay that reaches -60 dB after `seconds`.
float decayFactor(float seconds) { return std::exp(std::log(0.001f) / (seconds * rate)); }

// Attack/release gate for sustained notes: linear attack, held level, linear release.
float gate(size_t i, size_t attack, size_t length, size_t release) {
    float level = attack > 0 && i < attack ? float(i) / float(attack) : 1.0f;
    if (i >= length) {
        const size_t past = i - length;
        level *= past >= release ? 0.0f : 1.0f - float(past) / float(release);
    }
    return level;
}

// Noise seeds follow the start frame, so a hit sounds the same wherever the arrangement
// calls it from, yet two hits are never sample-identical.
uint32_t seedFor(size_t start, uint32_t salt) { return uint32_t(start * 2654435761u) ^ salt; }

}  // namespace

namespace Instruments {

void kick(StereoBuffer& bus, size_t start, float gain) {
    const size_t length = framesOf(0.45f);
    float phase = 0.0f;
    float amplitude = 1.0f;
    const float ampDecay = decayFactor(0.45f);
    for (size_t i = 0; i < length; ++i) {
        const float t = float(i) / rate;
        const float hz = 46.0f + 110.0f * std::exp(-t * 28.0f);
        phase += hz / rate;
        phase -= std::floor(phase);
        float sample = std::sin(2.0f * Dsp::pi * phase) * amplitude;
        // A few milliseconds of click give the kick its attack on small speakers.
        if (i < framesOf(0.004f)) {
            sample += 0.35f * (1.0f - float(i) / float(framesOf(0.004f)));
        }
        sample = std::tanh(sample * 1.6f) * gain;
        bus.add(start + i, sample, sample);
        amplitude *= ampDecay;
    }
}

void snare(StereoBuffer& bus, size_t start, float gain, float pan) {
    Dsp::Noise noise(seedFor(start, 0x51a7e));
    Dsp::Filter band;
    band.setCutoff(1800.0f, 0.3f);
    const size_t length = framesOf(0.32f);
    float body = 1.0f, hiss = 1.0f;
    const float bodyDecay = decayFactor(0.12f), hissDecay = decayFactor(0.3f);
    float phase = 0.0f;
    for (size_t i = 0; i < length; ++i) {
        phase += 185.0f / rate;
        phase -= std::floor(phase);
        band.process(noise.next());
        const float sample = (0.55f * std::sin(2.0f * Dsp::pi * phase) * body + 1.1f * band.band() * hiss) * gain;
        bus.add(start + i, sample * Dsp::panLeft(pan), sample * Dsp::panRight(pan));
        body *= bodyDecay;
        hiss *= hissDecay;
    }
}

void hat(StereoBuffer& bus, size_t start, float gain, bool open, float pan) {
    Dsp::Noise noise(seedFor(start, open ? 0x0be7u : 0xc105u));
    Dsp::Filter high;
    high.setCutoff(7500.0f, 0.2f);
    const float seconds = open ? 0.35f : 0.06f;
    const size_t length = framesOf(seconds);
    const float decay = decayFactor(seconds);
    float level = 1.0f;
    for (size_t i = 0; i < length; ++i) {
        high.process(noise.next());
        const float sample = high.high() * level * gain;
        bus.add(start + i, sample * Dsp::panLeft(pan), sample * Dsp::panRight(pan));
        level *= decay;
    }
}

void crash(StereoBuffer& bus, size_t start, float gain) {
    Dsp::Noise noiseL(seedFor(start, 0xc4a5u)), noiseR(seedFor(start, 0xc4a6u));
    Dsp::Filter highL, highR;
    highL.setCutoff(5000.0f, 0.1f);
    highR.setCutoff(5200.0f, 0.1f);
    const size_t length = framesOf(2.2f);
    const float decay = decayFactor(2.2f);
    float level = 1.0f;
    for (size_t i = 0; i < length; ++i) {
        highL.process(noiseL.next());
        highR.process(noiseR.next());
        bus.add(start + i, highL.high() * level * gain, highR.high() * level * gain);
        level *= decay;
    }
}

void riser(StereoBuffer& bus, size_t start, size_t length, float gain) {
    Dsp::Noise noiseL(seedFor(start, 0x715eu)), noiseR(seedFor(start, 0x715fu));
    Dsp::Filter bandL, bandR;
    for (size_t i = 0; i < length; ++i) {
        const float progress = float(i) / float(length);
        // Retuning the filter every 32 frames is smooth enough and keeps the render fast.
        if (i % 32 == 0) {
            const float hz = 300.0f * std::exp2(progress * 5.0f);
            bandL.setCutoff(hz, 0.6f);
            bandR.setCutoff(hz * 1.03f, 0.6f);
        }
        bandL.process(noiseL.next());
        bandR.process(noiseR.next());
        const float level = gain * progress * progress;
        bus.add(start + i, bandL.band() * level, bandR.band() * level);
    }
}

void bass(StereoBuffer& bus, size_t start, size_t length, float note, float gain) {
    const float hz = Dsp::midiToHz(note);
    Dsp::SawOscillator saw;
    Dsp::Filter low;
    const size_t release = framesOf(0.03f);
    float sub = 0.0f;
    for (size_t i = 0; i < length + release; ++i) {
        const float t = float(i) / rate;
        if (i % 16 == 0) {
            low.setCutoff(220.0f + 1400.0f * std::exp(-t * 18.0f), 0.35f);
        }
        low.process(saw.next(hz));
        sub += hz / rate;
        sub -= std::floor(sub);
        const float sample = (0.6f * low.low() + 0.55f * std::sin(2.0f * Dsp::pi * sub)) *
                             gate(i, framesOf(0.004f), length, release) * gain;
        bus.add(start + i, sample, sample);
    }
}

void pad(StereoBuffer& bus, size_t start, size_t length, float note, float gain, float brightness) {
    const float hz = Dsp::midiToHz(note);
    static const float detune[3] = {-0.11f, 0.0f, 0.13f};
    Dsp::SawOscillator left[3] = {Dsp::SawOscillator(0.0f), Dsp::SawOscillator(0.31f), Dsp::SawOscillator(0.67f)};
    Dsp::SawOscillator right[3] = {Dsp::SawOscillator(0.5f), Dsp::SawOscillator(0.13f), Dsp::SawOscillator(0.89f)};
    Dsp::Filter lowL, lowR;
    const float cutoff = 500.0f + 2500.0f * brightness;
    lowL.setCutoff(cutoff, 0.15f);
    lowR.setCutoff(cutoff, 0.15f);
    const size_t attack = framesOf(0.6f), release = framesOf(1.2f);
    for (size_t i = 0; i < length + release; ++i) {
        float l = 0.0f, r = 0.0f;
        for (int v = 0; v < 3; ++v) {
            // Mirrored detune on the two sides widens the chord without a chorus.
            l += left[v].next(hz * std::exp2(detune[v] / 12.0f));
            r += right[v].next(hz * std::exp2(-detune[v] / 12.0f));
        }
        lowL.process(l);
        lowR.process(r);
        const float level = gate(i, attack, length, release) * gain * 0.33f;
        bus.add(start + i, lowL.low() * level, lowR.low() * level);
    }
}

void pluck(StereoBuffer& bus, size_t start, float note, float gain, float cutoff, float pan) {
    const float hz = Dsp::midiToHz(note);
    Dsp::PulseOscillator pulse;
    Dsp::Filter low;
    const size_t length = framesOf(0.25f);
    const float decay = decayFactor(0.25f);
    float level = 1.0f;
    for (size_t i = 0; i < length; ++i) {
        const float t = float(i) / rate;
        if (i % 16 == 0) {
            low.setCutoff(cutoff * (0.4f + 0.6f * std::exp(-t * 30.0f)), 0.5f);
        }
        low.process(pulse.next(hz, 0.35f));
        const float sample = low.low() * level * gain;
        bus.add(start + i, sample * Dsp::panLeft(pan), sample * Dsp::panRight(pan));
        level *= decay;
    }
}

void lead(StereoBuffer& bus, size_t start, size_t length, float note, float gain) {
    const float hz = Dsp::midiToHz(note);
    Dsp::SawOscillator saw;
    Dsp::PulseOscillator pulse;
    Dsp::Filter low;
    low.setCutoff(3200.0f, 0.25f);
    const size_t release = framesOf(0.15f);
    for (size_t i = 0; i < length + release; ++i) {
        const float t = float(i) / rate;
        // Vibrato fades in after the attack, as a player would add it.
        const float depth = 0.25f * std::fmin(std::fmax((t - 0.15f) * 3.0f, 0.0f), 1.0f);
        const float bend = std::exp2(depth * std::sin(2.0f * Dsp::pi * 5.5f * t) / 12.0f);
        low.process(0.6f * saw.next(hz * bend) + 0.4f * pulse.next(hz * bend * 1.003f, 0.5f));
        const float sample = low.low() * gate(i, framesOf(0.01f), length, release) * gain;
        bus.add(start + i, sample, sample);
    }
}

}  // namespace Instruments
