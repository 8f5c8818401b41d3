#include "demoSystem/FloatVariable.h"

#include <algorithm>

FloatVariable::FloatVariable(float initial, int32_t interpolationMode) : current(initial) {
    interpolation = interpolationMode;
}

float interpolatedValue(const std::vector<VariableKey<float>>& keys, float current, int32_t interpolation, uint32_t t) {
    if (keys.size() < 2) {
        return current;
    }
    size_t later = 1;
    while (later < keys.size() && keys[later].time < t) {
        ++later;
    }
    if (later == keys.size()) {
        return current;
    }
    const VariableKey<float>& a = keys[later - 1];
    const VariableKey<float>& b = keys[later];
    if (t == a.time) {
        return a.value;
    }
    if (t == b.time) {
        return b.value;
    }
    // Before the first key t is below a.time: the unsigned differences wrap, exactly as
    // the track arithmetic always did; the first key sits at 0 in every script track.
    float span = float(b.time - a.time);
    switch (interpolation) {
        case interpolationLinear:
            return (float(b.time - t) * a.value + float(t - a.time) * b.value) / span;
        case interpolationEaseIn: {
            float u = float(t - a.time) / span;
            return a.value + (b.value - a.value) * u * u;
        }
        default:
            return current;
    }
}

void FloatVariable::setValue(float value, uint32_t time) {
    current = std::clamp(value, 0.0f, 1.0f);
    variableKeys::setKeyAt(keys, time, current);
}

float FloatVariable::valueAt(uint32_t t) const {
    return interpolatedValue(keys, current, interpolation, t);
}

void FloatVariable::exportKeys(TimedValues& out) const {
    for (const auto& key : keys) {
        out.emplace_back(key.time, key.value);
    }
}

void FloatVariable::importKeys(const TimedValues& pairs) {
    keys.clear();
    for (const auto& [time, value] : pairs) {
        keys.push_back({time, value});
    }
}

void FloatVariable::finalize() {
    variableKeys::collapseConstant(keys, current);
}

void FloatVariable::addKey(float value, uint32_t time) {
    variableKeys::insertKey(keys, time, value, keyEndTime);
}
