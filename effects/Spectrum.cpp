#include "effects/Spectrum.h"

#include "demoSystem/LumoraMusic.h"
#include "platform/SoundSystem.h"

void Spectrum::activateSpectrum() {
    if (spectrumActive) {
        return;
    }
    if (SoundSystem* sound = LumoraMusic::soundSystem()) {
        sound->setSpectrumActive(true);
        spectrumActive = true;
    }
}

void Spectrum::start(uint32_t) {
    if (LumoraMusic::isInited()) {
        activateSpectrum();
    }
}

float Spectrum::energyOf(const float* magnitudes, int count) {
    float sum = 0.0f;
    for (int i = 0; i < count; ++i) {
        sum += magnitudes[i];
    }
    return sum;
}

void Spectrum::update(uint32_t t) {
    if (!LumoraMusic::isInited()) {
        return;
    }
    activateSpectrum();
    SoundSystem* sound = LumoraMusic::soundSystem();
    if (!LumoraMusic::isPlaying() || sound == nullptr) {
        return;
    }
    const float* magnitudes = sound->spectrum();
    if (magnitudes == nullptr) {
        return;
    }
    lastEnergy = energyOf(magnitudes, SoundSystem::spectrumSize);
    DemoEvent level;
    level.time = t;
    level.id = eventSpectrum;
    level.value = lastEnergy;
    for (Effect* target : targetList) {
        target->handleEvent(level);
    }
}

void Spectrum::render(uint32_t) {}

void Spectrum::handleEvent(const DemoEvent& event) {
    Effect::handleEvent(event);
    if (event.id == eventSpectrumTarget) {
        targetList.clear();
    }
    if (event.id == eventSpectrumTarget || event.id == eventSpectrumAddTarget) {
        if (Effect* named = findEffectNamed(event.text)) {
            targetList.push_back(named);
        }
    }
}
