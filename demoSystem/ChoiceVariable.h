#pragma once
// An index among `count` choices, stepped. The script writes a choice i as i * (count - 1)
// (so that 0..1 spans the choices); readers that want the index divide by count - 1.
// setValue clamps to [0, count - 1]; keys keep what they were given.
#include "demoSystem/EffectVariable.h"
#include "demoSystem/VariableKey.h"

class ChoiceVariable : public EffectVariable {
public:
    explicit ChoiceVariable(int32_t initial = 0, uint32_t choices = 1);

    void setValue(float value, uint32_t time) override;
    float normalizedValue() const override;
    float valueAt(uint32_t t) const override;
    void exportKeys(TimedValues& out) const override;
    void importKeys(const TimedValues& keys) override;
    void finalize() override;
    void addKey(float value, uint32_t time) override;
    const char* kindName() const override { return "choice"; }
    size_t keyCount() const override { return keys.size(); }

    int32_t current = 0;
    std::vector<VariableKey<int32_t>> keys;
};
