#include "effects/OscilloTap.h"

#include <algorithm>
#include <cmath>

OscilloTap& OscilloTap::shared() {
    static OscilloTap* tap = new OscilloTap;
    return *tap;
}

OscilloTap::OscilloTap() {
    for (auto& element : ring) {
        element.store(0, std::memory_order_relaxed);
    }
}

bool OscilloTap::isActiveOn(const SoundSystem* sound) const {
    return sound != nullptr && unitHandle != 0 && sound->hasDsp(unitHandle);
}

bool OscilloTap::activate(SoundSystem* sound) {
    if (sound == nullptr) {
        return false;
    }
    if (isActiveOn(sound)) {
        return true;
    }
    unitHandle = sound->addDsp(mixCallback, dspPriority, this);
    return unitHandle != 0;
}

void OscilloTap::deactivate(SoundSystem* sound) {
    // Handles are unique across sound systems: removing one another system never had is
    // harmless, so a stale handle needs no care here.
    if (sound != nullptr && unitHandle != 0) {
        sound->removeDsp(unitHandle);
    }
    unitHandle = 0;
}

int OscilloTap::latestBlockStart() const {
    int next = nextBlock.load(std::memory_order_relaxed);
    // The block after the one being filled is the oldest that is complete.
    return ((next + 1) % blockCount) * blockLength;
}

int16_t OscilloTap::monoSample(float left, float right) {
    float scaled = (left + right) * 0.5f * 32768.0f;
    // NaN compares false both ways and lands on 0.
    if (!(scaled > -32768.0f)) {
        return scaled < 0.0f ? int16_t(-32768) : int16_t(0);
    }
    return int16_t(std::min(scaled, 32767.0f));
}

void OscilloTap::mixCallback(DspBlock& block, void* userData) {
    auto* tap = static_cast<OscilloTap*>(userData);
    int next = tap->nextBlock.load(std::memory_order_relaxed);
    if (next < 0 || next >= blockCount) {
        next = 0;
    }
    const int frames = std::clamp(block.frames, 0, blockLength);
    const size_t base = size_t(next) * blockLength;
    for (int i = 0; i < frames; ++i) {
        tap->ring[base + size_t(i)].store(monoSample(block.samples[2 * i], block.samples[2 * i + 1]),
                                          std::memory_order_relaxed);
    }
    tap->nextBlock.store(next + 1 == blockCount ? 0 : next + 1, std::memory_order_relaxed);
}
