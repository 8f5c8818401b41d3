#include "demoSystem/BoolVariable.h"

BoolVariable::BoolVariable(bool initial) : current(initial), lastFound(initial) {
    typeKind = typeKindBool;
}

void BoolVariable::setValue(float value, uint32_t time) {
    current = value > 0.0f;
    variableKeys::setKeyAt(keys, time, current);
}

bool BoolVariable::isOn(uint32_t t) const {
    const bool* stepped = variableKeys::steppedValue(keys, t);
    return stepped ? *stepped : current;
}

bool BoolVariable::valueMarkingChange(uint32_t t) {
    const bool found = isOn(t);
    if (found != lastFound) {
        changeMark = true;
        lastFound = found;
    }
    return found;
}

float BoolVariable::valueAt(uint32_t t) const {
    return isOn(t) ? 1.0f : 0.0f;
}

void BoolVariable::exportKeys(TimedValues& out) const {
    for (const auto& key : keys) {
        out.emplace_back(key.time, key.value ? 1.0f : 0.0f);
    }
}

void BoolVariable::importKeys(const TimedValues& pairs) {
    keys.clear();
    for (const auto& [time, value] : pairs) {
        keys.push_back({time, value > 0.0f});
    }
}

void BoolVariable::finalize() {
    variableKeys::collapseConstant(keys, current);
}

void BoolVariable::addKey(float value, uint32_t time) {
    variableKeys::insertKey(keys, time, value > 0.0f, keyEndTime);
}
