#include "demoSystem/TextVariable.h"

#include <utility>

TextVariable::TextVariable(std::string initial) : current(std::move(initial)) {
    typeKind = typeKindText;
}

void TextVariable::setText(const std::string& text, uint32_t time) {
    current = text;
    variableKeys::setKeyAt(keys, time, current);
}

void TextVariable::finalize() {
    variableKeys::collapseConstant(keys, current);
}

void TextVariable::addTextKey(const std::string& text, uint32_t time) {
    variableKeys::insertKey(keys, time, text, keyEndTime);
}

std::string TextVariable::textAt(uint32_t t) const {
    const std::string* stepped = variableKeys::steppedValue(keys, t);
    return stepped ? *stepped : current;
}

void TextVariable::exportTextKeys(TimedTexts& out) const {
    if (keys.empty()) {
        out.emplace_back(0, current);
        return;
    }
    for (const auto& key : keys) {
        out.emplace_back(key.time, key.value);
    }
}

void TextVariable::importTextKeys(const TimedTexts& pairs) {
    keys.clear();
    for (const auto& [time, text] : pairs) {
        keys.push_back({time, text});
    }
}
