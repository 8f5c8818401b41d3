#pragma once
// "Spectrum": draws nothing. Every frame it sums the 512 magnitudes of the sound module's
// spectrum (platform/SoundSystem, reached through LumoraMusic) into one level and hands it
// as event 5 straight to each of its target effects, which scale it by their
// "SpectrumStr" into their spectrumLevel (or read the raw value, as Image does).
//
// Targets are named by events: 2 makes the named effect the only target (it is also the
// base's source), 3 adds one. Names the owning list does not know are ignored.
//
// Without sound (music switched off, no device) the effect sends nothing; while the music
// is paused it sends nothing either, so targets keep the last level they were given. The
// base start and update are not run: the effect keeps no clock of its own.
#include "demoSystem/Effect.h"

#include <vector>

class Spectrum : public Effect {
public:
    explicit Spectrum(const std::string& instanceName) : Effect(instanceName) {}

    void start(uint32_t t) override;
    void update(uint32_t t) override;
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;

    // The sum of the magnitudes: the level one frame of music gives.
    static float energyOf(const float* magnitudes, int count);

    const std::vector<Effect*>& targets() const { return targetList; }
    // The level sent in the last frame that read a spectrum (0 before).
    float energy() const { return lastEnergy; }

private:
    void activateSpectrum();

    std::vector<Effect*> targetList;  // not owned: effects of the same list
    bool spectrumActive = false;
    float lastEnergy = 0.0f;
};
