#include "demoSystem/Effect.h"

#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "demoSystem/EffectLookup.h"
#include "engine/ShaderManager.h"

#include <cmath>

uint32_t lastAnnouncedPatternIndex = 1000;

namespace {
const std::vector<std::string> noNames;

constexpr uint32_t glFuncAdd = 0x8006;
constexpr uint32_t glFuncSubtract = 0x800A;
constexpr uint32_t glFuncReverseSubtract = 0x800B;
}  // namespace

uint32_t blendFactorForIndex(uint32_t index) {
    // GL_ZERO, GL_ONE, then GL_SRC_COLOR (0x0300) .. GL_SRC_ALPHA_SATURATE (0x0308).
    if (index <= 1) {
        return index;
    }
    if (index <= 10) {
        return 0x0300 + (index - 2);
    }
    return index;
}

uint32_t blendEquationForIndex(uint32_t index) {
    switch (index) {
        case 0: return glFuncAdd;
        case 1: return glFuncSubtract;
        case 2: return glFuncReverseSubtract;
        default: return index;
    }
}

uint32_t choiceIndex(const ChoiceVariable& choice, uint32_t t) {
    uint32_t value = uint32_t(truncateToInt32(choice.valueAt(t)));
    return choice.count > 1 ? value / (choice.count - 1) : value;
}

Effect::Effect(const std::string& name)
    : activity(false),
      speed(0.5f, interpolationLinear),
      spectrumStrength(0.0f, interpolationLinear),
      pattern("1000"),
      factor0(0.0f, interpolationEaseIn),
      factor1(0.0f, interpolationEaseIn),
      factor2(0.0f, interpolationEaseIn),
      factor3(0.0f, interpolationEaseIn),
      blendSource(1, 11),
      blendDestination(0, 11),
      blendEquation(0, 3),
      instanceName(name) {
    activity.name = name;
    activity.typeKind = typeKindBool;
    pattern.isText = true;
    registerVariable(speed, "Speed", listKindPlain, typeKindFloat);
    registerVariable(spectrumStrength, "SpectrumStr", listKindPlain, typeKindFloat);
    registerVariable(pattern, "Pattern", listKindPlain, typeKindText);
    registerVariable(factor0, "Factor0", listKindPlain, typeKindFloat);
    registerVariable(factor1, "Factor1", listKindPlain, typeKindFloat);
    registerVariable(factor2, "Factor2", listKindPlain, typeKindFloat);
    registerVariable(factor3, "Factor3", listKindPlain, typeKindFloat);
    registerVariable(blendSource, "BlendSrc", listKindPlain, typeKindChoice);
    registerVariable(blendDestination, "BlendDst", listKindPlain, typeKindChoice);
    registerVariable(blendEquation, "BlendEquation", listKindPlain, typeKindChoice);
}

Effect::~Effect() = default;

void Effect::start(uint32_t t) {
    startTimeMs = t;
    currentTimeMs = t;
    elapsedMs = 0;
    animatedTimeValue = 0.0f;
}

void Effect::prepare(uint32_t) {}

void Effect::update(uint32_t t) {
    speedScaleValue = speed.valueAt(t) * 0.2f;
    currentTimeMs = t;
    elapsedMs = int32_t(t - startTimeMs - uint32_t(timeShiftMs));
    // A negative elapsed time (before start, or shifted) counts as a huge unsigned one.
    animatedTimeValue = speedScaleValue * float(uint32_t(elapsedMs));

    if (patternEnabledFlag) {
        std::string text = pattern.textAt(t);
        uint32_t index = 0;
        // DEMO_BEAT 0 leaves the pattern on its first step rather than dividing by zero.
        if (!text.empty() && beatLength > 0) {
            index = (uint32_t(elapsedMs) / beatLength) % uint32_t(text.size());
        }
        currentPatternIndex = index;
        if (index != lastAnnouncedPatternIndex) {
            lastAnnouncedPatternIndex = index;
            onPatternStep(animatedTimeValue);
        }
        currentPatternValue = text.empty() ? '\0' : text[index];
    }

    resolvedBlendSource = blendFactorForIndex(choiceIndex(blendSource, t));
    resolvedBlendDestination = blendFactorForIndex(choiceIndex(blendDestination, t));
    resolvedBlendEquation = blendEquationForIndex(choiceIndex(blendEquation, t));
}

void Effect::onPatternStep(float) {}

void Effect::handleEvent(const DemoEvent& event) {
    switch (event.id) {
        case eventStart:
            start(event.time);
            break;
        case eventSetSource:
            source = findEffectNamed(event.text);
            break;
        case eventSpectrum:
            spectrumLevelValue = spectrumStrength.valueAt(event.time) * event.value;
            break;
        case eventTimeShift:
            timeShiftMs = truncateToInt32(event.value);
            break;
        case eventSetProgram:
            // An empty text detaches the program: there is no file to load.
            program = event.text.empty() ? nullptr : &ShaderManager::instance().fragmentProgram(event.text);
            break;
        case eventSpeedLinear:
            speed.interpolation = interpolationLinear;
            break;
        case eventSpeedEaseIn:
            speed.interpolation = interpolationEaseIn;
            break;
        default:
            break;
    }
}

void Effect::onListEntryAdded(int32_t, const std::string&, uint32_t) {}

Effect* Effect::findEffectNamed(const std::string& name) const {
    return effectLookup ? effectLookup->findEffect(name) : nullptr;
}

void Effect::registerVariable(EffectVariable& variable, const char* variableName, int32_t listKind, int32_t typeKind) {
    variable.name = variableName;
    variable.listKind = listKind;
    variable.typeKind = typeKind;
    registered.push_back(&variable);
}

EffectVariable* Effect::findVariable(const std::string& variableName) const {
    for (EffectVariable* variable : registered) {
        if (variable->name == variableName) {
            return variable;
        }
    }
    return nullptr;
}

void Effect::setSpeedValue(float value) {
    speed.current = value;
}

const std::vector<std::string>& Effect::nameList(int32_t listKind) const {
    if (listKind == listKindNames0) {
        return names0;
    }
    if (listKind == listKindNames1000) {
        return names1000;
    }
    return noNames;
}

int32_t Effect::addListEntry(int32_t listKind, const std::string& text) {
    std::vector<std::string>* list = listKind == listKindNames0      ? &names0
                                     : listKind == listKindNames1000 ? &names1000
                                                                     : nullptr;
    if (!list) {
        reportError(LUMORA_HERE, "Unsupported variable", false);
        onListEntryAdded(listKind, text, 0);
        return -1;
    }
    list->push_back(text);
    uint32_t newCount = uint32_t(list->size());
    onListEntryAdded(listKind, text, newCount);
    return int32_t(newCount - 1);
}

void Effect::clearList(int32_t listKind) {
    if (listKind == listKindNames0) {
        names0.clear();
    } else if (listKind == listKindNames1000) {
        names1000.clear();
    } else {
        reportError(LUMORA_HERE, "Unsupported variable", false);
    }
}

uint32_t Effect::listEntryIndex(int32_t listKind, const std::string& text) const {
    const std::vector<std::string>& list = nameList(listKind);
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) {
            return uint32_t(i);
        }
    }
    return 0;
}

std::string Effect::listEntry(int32_t listKind, uint32_t index) const {
    const std::vector<std::string>& list = nameList(listKind);
    return index < list.size() ? list[index] : std::string();
}

char Effect::patternValue() const {
    if (!patternEnabledFlag) {
        reportError(LUMORA_HERE, "pattern value retrieved when _patternEnabled is false", false);
    }
    return currentPatternValue;
}
