#include "demoSystem/EffectVariable.h"

#include <cmath>
#include <limits>

uint32_t keyEndTime = 0;

int32_t truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= double(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= double(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return int32_t(value);
}

void EffectVariable::setValue(float, uint32_t) {}
void EffectVariable::setText(const std::string&, uint32_t) {}
float EffectVariable::normalizedValue() const { return 0.0f; }
float EffectVariable::valueAt(uint32_t) const { return 0.0f; }
void EffectVariable::exportKeys(TimedValues&) const {}
void EffectVariable::importKeys(const TimedValues&) {}
void EffectVariable::addKey(float, uint32_t) {}
void EffectVariable::addTextKey(const std::string&, uint32_t) {}
std::string EffectVariable::textAt(uint32_t) const { return std::string(); }
void EffectVariable::exportTextKeys(TimedTexts&) const {}
void EffectVariable::importTextKeys(const TimedTexts&) {}
