#pragma once
// A text parameter (a beat pattern, a file name), stepped. Its owner sets isText so that
// the script gives it text keys.
#include "demoSystem/EffectVariable.h"
#include "demoSystem/VariableKey.h"

class TextVariable : public EffectVariable {
public:
    explicit TextVariable(std::string initial = "");

    void setText(const std::string& text, uint32_t time) override;
    void finalize() override;
    void addTextKey(const std::string& text, uint32_t time) override;
    std::string textAt(uint32_t t) const override;
    void exportTextKeys(TimedTexts& out) const override;
    void importTextKeys(const TimedTexts& keys) override;
    const char* kindName() const override { return "text"; }
    size_t keyCount() const override { return keys.size(); }

    std::string current;
    std::vector<VariableKey<std::string>> keys;
};
