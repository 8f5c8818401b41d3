#include "Reverb.h"

#include <cstddef>
#include <vector>

namespace {

// Mutually prime lengths (frames at 44.1 kHz) keep the echoes from lining up; the right
// side is offset a little so that the room is wide.
constexpr size_t combLengths[4] = {1116, 1277, 1422, 1557};
constexpr size_t allPassLengths[2] = {556, 341};
constexpr size_t stereoSpread = 23;

struct Comb {
    std::vector<float> line;
    size_t cursor = 0;
    float store = 0.0f;
    float run(float input, float feedback, float damping) {
        const float out = line[cursor];
        store = out * (1.0f - damping) + store * damping;
        line[cursor] = input + store * feedback;
        cursor = cursor + 1 == line.size() ? 0 : cursor + 1;
        return out;
    }
};

struct AllPass {
    std::vector<float> line;
    size_t cursor = 0;
    float run(float input) {
        const float delayed = line[cursor];
        const float out = delayed - input;
        line[cursor] = input + delayed * 0.5f;
        cursor = cursor + 1 == line.size() ? 0 : cursor + 1;
        return out;
    }
};

void processSide(std::vector<float>& signal, const std::vector<float>& input, size_t spread, const Reverb& settings) {
    Comb combs[4];
    AllPass allPasses[2];
    for (int c = 0; c < 4; ++c) {
        combs[c].line.assign(combLengths[c] + spread, 0.0f);
    }
    for (int a = 0; a < 2; ++a) {
        allPasses[a].line.assign(allPassLengths[a] + spread, 0.0f);
    }
    for (size_t i = 0; i < signal.size(); ++i) {
        const float in = input[i] * 0.1f;
        float sum = 0.0f;
        for (Comb& comb : combs) {
            sum += comb.run(in, settings.roomSize, settings.damping);
        }
        for (AllPass& allPass : allPasses) {
            sum = allPass.run(sum);
        }
        signal[i] += sum * settings.wet;
    }
}

}  // namespace

void Reverb::process(StereoBuffer& bus) const {
    // Both sides hear the mono sum, so the room does not pull the mix to one side.
    std::vector<float> mono(bus.frames());
    for (size_t i = 0; i < bus.frames(); ++i) {
        mono[i] = 0.5f * (bus.left[i] + bus.right[i]);
    }
    processSide(bus.left, mono, 0, *this);
    processSide(bus.right, mono, stereoSpread, *this);
}
