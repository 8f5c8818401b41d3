#include "demoSystem/ChoiceVariable.h"

#include <algorithm>

ChoiceVariable::ChoiceVariable(int32_t initial, uint32_t choices) : current(initial) {
    typeKind = typeKindChoice;
    count = choices;
}

void ChoiceVariable::setValue(float value, uint32_t time) {
    // A choice without choices (count 0, as before a scene names its cameras) can only be 0.
    double highest = count > 0 ? double(count - 1) : 0.0;
    current = truncateToInt32(std::clamp(double(value), 0.0, highest));
    variableKeys::setKeyAt(keys, time, current);
}

float ChoiceVariable::normalizedValue() const {
    return count < 2 ? 0.0f : float(current) / float(count - 1);
}

float ChoiceVariable::valueAt(uint32_t t) const {
    const int32_t* stepped = variableKeys::steppedValue(keys, t);
    return float(stepped ? *stepped : current);
}

void ChoiceVariable::exportKeys(TimedValues& out) const {
    float divisor = count < 2 ? 1.0f : float(count - 1);
    for (const auto& key : keys) {
        out.emplace_back(key.time, float(key.value) / divisor);
    }
}

void ChoiceVariable::importKeys(const TimedValues& pairs) {
    keys.clear();
    for (const auto& [time, value] : pairs) {
        double scaled = count >= 2 ? double(value) * double(count - 1) : double(value);
        keys.push_back({time, truncateToInt32(scaled)});
    }
}

void ChoiceVariable::finalize() {
    variableKeys::collapseConstant(keys, current);
}

void ChoiceVariable::addKey(float value, uint32_t time) {
    variableKeys::insertKey(keys, time, truncateToInt32(value), keyEndTime);
}
