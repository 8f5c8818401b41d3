#pragma once
// How an effect finds another effect by instance name (its source, for event 2). The
// effect list that owns an effect hands itself over as the lookup when it takes the
// effect, so the effect base needs no list and no program-wide pointer to answer event 2.
#include <string>

class Effect;

class EffectLookup {
public:
    // The first effect of exactly that instance name, or null.
    virtual Effect* findEffect(const std::string& instanceName) const = 0;

protected:
    ~EffectLookup() = default;
};
