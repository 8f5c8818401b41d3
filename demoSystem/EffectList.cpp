#include "demoSystem/EffectList.h"

EffectList::~EffectList() {
    clearEffects();
}

Effect* EffectList::findEffect(const std::string& instanceName) const {
    for (const auto& effect : effectSequence) {
        if (effect->name() == instanceName) {
            return effect.get();
        }
    }
    return nullptr;
}

void EffectList::clearEffects() {
    for (auto& effect : effectSequence) {
        effect.reset();
    }
    effectSequence.clear();
}

void EffectList::snapshot(std::vector<Effect*>& out) const {
    out.clear();
    for (const auto& effect : effectSequence) {
        out.push_back(effect.get());
    }
}

void EffectList::appendEffect(Effect* effect, const std::string& typeName) {
    effect->setTypeName(typeName);
    effect->setEffectLookup(this);
    effect->activity.addKey(0.0f, 0);
    effectSequence.emplace_back(effect);
}
