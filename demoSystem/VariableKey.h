#pragma once
// Keys of effect variables and the small pure routines every variable kind shares:
// insertion against the key end time, the stepped lookup, and the collapse of a
// two-key constant track. They know nothing of effects, GL or the script, so tests can
// cover them completely.
//
// Rules kept by every routine here: keys stay in ascending time order with at most one
// key per time; a lookup never reads past the sequence.
#include <cstddef>
#include <cstdint>
#include <vector>

template <typename Value>
struct VariableKey {
    uint32_t time = 0;  // ms of demo time
    Value value{};
};

namespace variableKeys {

// The first key of a track spans the whole demo: (0, v), (time, v) and (endTime, v).
// Where endTime is not past the other times (a script that sets keys before its
// DEMO_END, or a key after the end), the three are merged in time order instead, one
// key per time, so that the track never runs backwards.
// Later keys overwrite a key at the same time or are inserted before the first later
// key; a time past the last key adds nothing.
template <typename Value>
void insertKey(std::vector<VariableKey<Value>>& keys, uint32_t time, const Value& value, uint32_t endTime) {
    if (keys.empty()) {
        keys.push_back({0, value});
        if (time != 0 && time != endTime && time < endTime) {
            keys.push_back({time, value});
        }
        if (endTime != 0) {
            keys.push_back({endTime, value});
        }
        if (time != 0 && time > endTime) {
            keys.push_back({time, value});
        }
        return;
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].time == time) {
            keys[i].value = value;
            return;
        }
        if (keys[i].time > time) {
            keys.insert(keys.begin() + std::ptrdiff_t(i), VariableKey<Value>{time, value});
            return;
        }
    }
}

// Stepped lookup: the value of a key holds up to the next key's time; the first key also
// covers earlier times. Returns null where the caller's current value applies (fewer
// than two keys, or t at or past the last key).
template <typename Value>
const Value* steppedValue(const std::vector<VariableKey<Value>>& keys, uint32_t t) {
    if (keys.size() < 2) {
        return nullptr;
    }
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].time > t) {
            return &keys[i - 1].value;
        }
    }
    return nullptr;
}

// A track of exactly two equal keys is a constant: it becomes the current value. So is a
// lone key (what a first key at time 0 leaves before DEMO_END is known), which would
// otherwise never be read.
template <typename Value>
void collapseConstant(std::vector<VariableKey<Value>>& keys, Value& current) {
    if (keys.size() == 1 || (keys.size() == 2 && keys[0].value == keys[1].value)) {
        current = keys[0].value;
        keys.clear();
    }
}

template <typename Value>
void setKeyAt(std::vector<VariableKey<Value>>& keys, uint32_t time, const Value& value) {
    for (auto& key : keys) {
        if (key.time == time) {
            key.value = value;
        }
    }
}

}  // namespace variableKeys
