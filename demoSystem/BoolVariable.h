#pragma once
// An on/off parameter, stepped. The effect's activity switch is one.
//
// Switches that act only when they flip (a scene's "Shadows", its lighting switches) read
// themselves through valueMarkingChange: it sets the change mark whenever the value it
// finds differs from the one it found last, starting from the constructor's default, so
// that a key, a constant set by the script and a flip back all count. The reader clears
// the mark once it has acted.
#include "demoSystem/EffectVariable.h"
#include "demoSystem/VariableKey.h"

class BoolVariable : public EffectVariable {
public:
    explicit BoolVariable(bool initial = false);

    void setValue(float value, uint32_t time) override;
    float normalizedValue() const override { return current ? 1.0f : 0.0f; }
    float valueAt(uint32_t t) const override;
    void exportKeys(TimedValues& out) const override;
    void importKeys(const TimedValues& keys) override;
    void finalize() override;
    void addKey(float value, uint32_t time) override;
    const char* kindName() const override { return "bool"; }
    size_t keyCount() const override { return keys.size(); }

    // The same stepped value as a bool, for the per-frame activity checks.
    bool isOn(uint32_t t) const;

    // isOn(t), setting the change mark when it differs from the last value found so.
    bool valueMarkingChange(uint32_t t);
    bool changeMarked() const { return changeMark; }
    void clearChangeMark() { changeMark = false; }

    bool current = false;
    std::vector<VariableKey<bool>> keys;

private:
    bool lastFound;
    bool changeMark = false;
};
