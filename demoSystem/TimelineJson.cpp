#include "demoSystem/TimelineJson.h"

#include "base/JsonText.h"

#include <cmath>
#include <cstdio>

namespace {

using json::appendNumber;
using json::appendInteger;
using json::appendString;
using json::appendBool;

// Keys as [time, value] pairs; the value printed as the variable's class holds it.
template <typename Value, typename Print>
void appendKeys(std::string& out, const std::vector<VariableKey<Value>>& keys, Print print) {
    out += '[';
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += '[';
        appendInteger(out, keys[i].time);
        out += ',';
        print(out, keys[i].value);
        out += ']';
    }
    out += ']';
}

void appendVariable(std::string& out, const EffectVariable& variable) {
    out += "{\"name\":";
    appendString(out, variable.name);
    out += ",\"kind\":";
    appendString(out, variable.kindName());
    out += ",\"typeKind\":";
    appendInteger(out, variable.typeKind);
    out += ",\"listKind\":";
    appendInteger(out, variable.listKind);
    out += ",\"interpolation\":";
    appendInteger(out, variable.interpolation);
    if (auto* choice = dynamic_cast<const ChoiceVariable*>(&variable)) {
        out += ",\"count\":";
        appendInteger(out, choice->count);
        out += ",\"current\":";
        appendInteger(out, choice->current);
        out += ",\"keys\":";
        appendKeys(out, choice->keys, [](std::string& o, int32_t v) { appendInteger(o, v); });
    } else if (auto* flag = dynamic_cast<const BoolVariable*>(&variable)) {
        out += ",\"current\":";
        appendBool(out, flag->current);
        out += ",\"keys\":";
        appendKeys(out, flag->keys, [](std::string& o, bool v) { appendBool(o, v); });
    } else if (auto* text = dynamic_cast<const TextVariable*>(&variable)) {
        out += ",\"current\":";
        appendString(out, text->current);
        out += ",\"keys\":";
        appendKeys(out, text->keys, [](std::string& o, const std::string& v) { appendString(o, v); });
    } else if (auto* number = dynamic_cast<const FloatVariable*>(&variable)) {
        out += ",\"current\":";
        appendNumber(out, number->current);
        out += ",\"keys\":";
        appendKeys(out, number->keys, [](std::string& o, float v) { appendNumber(o, v); });
    } else {
        // A variable class of an effect's own: what every variable answers.
        out += ",\"current\":";
        appendNumber(out, variable.normalizedValue());
        out += ",\"keys\":[]";
    }
    out += '}';
}

void appendNameList(std::string& out, const std::vector<std::string>& names) {
    out += '[';
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        appendString(out, names[i]);
    }
    out += ']';
}

void appendEffect(std::string& out, const Effect& effect) {
    out += "{\"name\":";
    appendString(out, effect.name());
    out += ",\"type\":";
    appendString(out, effect.typeName());
    out += ",\"activity\":{\"current\":";
    appendBool(out, effect.activity.current);
    out += ",\"keys\":";
    appendKeys(out, effect.activity.keys, [](std::string& o, bool v) { appendBool(o, v); });
    out += "},\"variables\":[";
    const auto& variables = effect.variables();
    for (size_t i = 0; i < variables.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        appendVariable(out, *variables[i]);
    }
    out += "],\"lists\":{\"0\":";
    appendNameList(out, effect.nameList(listKindNames0));
    out += ",\"1000\":";
    appendNameList(out, effect.nameList(listKindNames1000));
    out += "}}";
}

void appendEvent(std::string& out, const DemoEvent& event) {
    out += "{\"time\":";
    appendInteger(out, event.time);
    out += ",\"target\":";
    appendString(out, event.target);
    out += ",\"id\":";
    appendInteger(out, event.id);
    out += ",\"value\":";
    appendNumber(out, event.value);
    out += ",\"text\":";
    appendString(out, event.text);
    out += ",\"values\":[";
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            out += ',';
        }
        appendNumber(out, event.values[i]);
    }
    out += "]}";
}

}  // namespace

std::string timelineJson(const EffectList& effects, const EventQueue& events, uint32_t start, uint32_t end,
                         uint32_t beat) {
    std::string out = "{\"demoStart\":";
    appendInteger(out, start);
    out += ",\"demoEnd\":";
    appendInteger(out, end);
    out += ",\"beatLength\":";
    appendInteger(out, beat);
    out += ",\"effects\":[";
    for (size_t i = 0; i < effects.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        appendEffect(out, *effects.at(i));
    }
    out += "],\"events\":[";
    const auto& records = events.records();
    for (size_t i = 0; i < records.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        appendEvent(out, records[i]);
    }
    out += "]}";
    return out;
}
