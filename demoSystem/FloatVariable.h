#pragma once
// A float parameter, normally 0..1. Between keys it interpolates linearly (2) or with an
// ease-in (3); setValue clamps to [0, 1], keys keep what they were given.
#include "demoSystem/EffectVariable.h"
#include "demoSystem/VariableKey.h"

class FloatVariable : public EffectVariable {
public:
    explicit FloatVariable(float initial = 0.0f, int32_t interpolationMode = interpolationLinear);

    void setValue(float value, uint32_t time) override;
    float normalizedValue() const override { return current; }
    float valueAt(uint32_t t) const override;
    void exportKeys(TimedValues& out) const override;
    void importKeys(const TimedValues& keys) override;
    void finalize() override;
    void addKey(float value, uint32_t time) override;
    const char* kindName() const override { return "float"; }
    size_t keyCount() const override { return keys.size(); }

    float current = 0.0f;
    std::vector<VariableKey<float>> keys;
};

// The interpolated lookup on its own: keys in time order, current for the edges.
float interpolatedValue(const std::vector<VariableKey<float>>& keys, float current, int32_t interpolation, uint32_t t);
