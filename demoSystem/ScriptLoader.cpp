#include "demoSystem/ScriptLoader.h"

#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "base/lvp.h"
#include "engine/ShaderManager.h"

#include <cstdlib>
#include <cstring>

namespace {

bool isWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Signed 32-bit arithmetic that wraps instead of overflowing.
int32_t wrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
int32_t wrapSubtract(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
int32_t wrapMultiply(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }

}  // namespace

ScriptLoader::ScriptLoader(EffectList& effects, EventQueue& events) : effectList(effects), eventQueue(events) {}

int32_t ScriptLoader::integerPrefix(const std::string& token) {
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        negative = token[i] == '-';
        ++i;
    }
    uint32_t magnitude = 0;
    for (; i < token.size() && isDigit(token[i]); ++i) {
        magnitude = magnitude * 10u + uint32_t(token[i] - '0');
    }
    return int32_t(negative ? 0u - magnitude : magnitude);
}

void ScriptLoader::load(const char* scriptName) {
    PackFile file;
    if (!DataPack::open(scriptName, file)) {
        reportError(LUMORA_HERE, "script: could not open file for parsing", true);
        return;
    }
    ScriptFailure failure;
    bool loaded = loadText(reinterpret_cast<const char*>(file.data), file.size, failure);
    DataPack::release(file);
    if (!loaded) {
        if (!failure.hasDetail) {
            reportError(LUMORA_HERE, failure.message.c_str(), true);
        } else {
            reportErrorText(LUMORA_HERE, failure.message.c_str(), failure.detail.c_str(), true);
        }
        return;
    }
    compileEventPrograms();
}

void ScriptLoader::compileEventPrograms() {
    for (const DemoEvent& event : eventQueue.records()) {
        // Events for effects that do not exist are dropped when due: nothing to compile.
        if (event.id == eventSetProgram && !event.text.empty() && effectList.findEffect(event.target)) {
            ShaderManager::instance().fragmentProgram(event.text);
        }
    }
}

bool ScriptLoader::loadText(const char* text, size_t size, ScriptFailure& failure) {
    effectList.clearEffects();
    eventQueue.clear();
    defines.clear();
    pushedBack.clear();
    pushedBackPresent = false;

    cursor = text;
    textEnd = text + size;
    timeOffset = 0;
    start = 0;
    end = 60000;
    beat = 100;
    setupSection = false;
    timelineSection = false;
    inBlockComment = false;
    extraValues.clear();
    failureOut = &failure;
    // The variables learn the demo end only from this script's DEMO_END.
    keyEndTime = 0;

    Outcome outcome = Outcome::Next;
    while (outcome == Outcome::Next) {
        std::string token;
        if (pushedBackPresent) {
            token.swap(pushedBack);
            pushedBackPresent = false;
        } else if (!nextToken(token)) {
            break;
        }
        outcome = statement(std::move(token));
    }
    cursor = textEnd = nullptr;
    failureOut = nullptr;
    if (outcome == Outcome::Failed) {
        return false;
    }
    finishLoad();
    return true;
}

void ScriptLoader::finishLoad() {
    for (size_t i = 0; i < effectList.size(); ++i) {
        Effect* effect = effectList.at(i);
        effect->activity.finalize();
        for (EffectVariable* variable : effect->variables()) {
            variable->finalize();
        }
    }
    demoStart = uint32_t(start);
    demoEnd = uint32_t(end);
    beatLength = uint32_t(beat);
    eventQueue.sort();
}

ScriptLoader::Outcome ScriptLoader::fail(const char* message, const std::string* detail) {
    if (failureOut) {
        failureOut->message = message;
        failureOut->detail = detail ? *detail : std::string();
        failureOut->hasDetail = detail != nullptr;
    }
    return Outcome::Failed;
}

bool ScriptLoader::nextToken(std::string& token) {
    while (cursor < textEnd && isWhitespace(*cursor)) {
        ++cursor;
    }
    if (cursor >= textEnd) {
        return false;
    }
    const char* first = cursor;
    while (cursor < textEnd && !isWhitespace(*cursor)) {
        ++cursor;
    }
    token.assign(first, cursor);
    return true;
}

ScriptLoader::Outcome ScriptLoader::restOfLine(std::string& line) {
    const char* first = cursor;
    while (cursor < textEnd && *cursor != '\n') {
        ++cursor;
    }
    const char* last = cursor;
    if (cursor < textEnd) {
        ++cursor;  // the line end belongs to this line
    }
    if (last > first && last[-1] == '\r') {
        --last;
    }
    line.assign(first, last);
    if (line.size() > lineLimit) {
        std::string opening = line.substr(0, 40);
        return fail("Script line too long", &opening);
    }
    return Outcome::Next;
}

bool ScriptLoader::passesComments(std::string& token, Outcome& outcome) {
    outcome = Outcome::Next;
    std::string skipped;
    while (true) {
        if (inBlockComment) {
            size_t close = token.find("*/");
            if (close == std::string::npos) {
                return false;
            }
            inBlockComment = false;
            token.erase(0, close + 2);
            if (token.empty()) {
                return false;
            }
            continue;  // what follows the "*/" is a token of its own
        }
        if (token.find("/*") != std::string::npos) {
            inBlockComment = true;
            outcome = restOfLine(skipped);
            return false;
        }
        size_t lineComment = token.find("//");
        if (lineComment != std::string::npos && lineComment <= 2) {
            outcome = restOfLine(skipped);
            return false;
        }
        return true;
    }
}

ScriptLoader::Outcome ScriptLoader::statement(std::string token) {
    Outcome outcome;
    if (!passesComments(token, outcome) || token.empty()) {
        return outcome;
    }
    if (token == "__HEADER__" || token == "__DEFS__") {
        return Outcome::Next;
    }
    if (token == "__SETUP__") {
        setupSection = true;
        return Outcome::Next;
    }
    if (token == "__TIMELINE__") {
        timelineSection = true;
        return Outcome::Next;
    }
    if (token == "__LINETIME__") {
        return Outcome::EndOfScript;
    }
    if (token == "DEMO_START") {
        return expressionFromNextToken(start);
    }
    if (token == "DEMO_END") {
        outcome = expressionFromNextToken(end);
        if (outcome != Outcome::Failed) {
            keyEndTime = uint32_t(end);
        }
        return outcome;
    }
    if (token == "DEMO_BEAT") {
        return expressionFromNextToken(beat);
    }
    if (token == "DEMO_FULLSCREEN" || token == "DEMO_MUSIC") {
        // The settings decide; the operand is read whatever it is.
        std::string ignored;
        return nextToken(ignored) ? Outcome::Next : Outcome::EndOfScript;
    }
    if (token == "DEFINE") {
        std::string name;
        if (!nextToken(name)) {
            return Outcome::EndOfScript;
        }
        if (isDigit(name[0])) {
            return fail("DEFINE id cannot start with digit", &name);
        }
        int32_t value = 0;
        outcome = expressionFromNextToken(value);
        if (outcome == Outcome::Next) {
            defines.emplace(name, value);  // a name defined twice keeps its first value
        }
        return outcome;
    }
    if (token == "INSERT_EFFECT") {
        std::string instanceName, as, typeName;
        if (!nextToken(instanceName) || !nextToken(as)) {
            return Outcome::EndOfScript;
        }
        if (as != "AS" && as != "as") {
            return fail("Syntax error in INSERT_EFFECT command", nullptr);
        }
        if (!nextToken(typeName)) {
            return Outcome::EndOfScript;
        }
        effectList.createEffect(instanceName, typeName);
        return Outcome::Next;
    }
    if (token == "TIMEOFFSET") {
        return expressionFromNextToken(timeOffset);
    }
    return timelineLine(token);
}

ScriptLoader::Outcome ScriptLoader::operand(const std::string& token, int32_t& value) {
    value = integerPrefix(token);
    if (value != 0 || token[0] == '0') {
        return Outcome::Next;
    }
    auto define = defines.find(token);
    if (define == defines.end()) {
        return fail("DEFINE not found", &token);
    }
    value = define->second;
    return Outcome::Next;
}

ScriptLoader::Outcome ScriptLoader::expressionFromNextToken(int32_t& value) {
    std::string first;
    if (!nextToken(first)) {
        return Outcome::EndOfScript;
    }
    int32_t result = 0;
    Outcome outcome = expression(first, result);
    if (outcome != Outcome::Failed) {
        value = result;
    }
    return outcome;
}

// Reads one token past the expression and leaves it pushed back. The end of the file
// right after an operand ends the expression (and the statement) normally.
ScriptLoader::Outcome ScriptLoader::expression(const std::string& firstOperand, int32_t& value) {
    if (operand(firstOperand, value) == Outcome::Failed) {
        return Outcome::Failed;
    }
    std::string token;
    while (nextToken(token)) {
        char op = token[0];
        if (op != '+' && op != '-' && op != '*') {
            pushedBack.swap(token);
            pushedBackPresent = true;
            return Outcome::Next;
        }
        std::string next;
        if (!nextToken(next)) {
            return Outcome::EndOfScript;
        }
        int32_t right = 0;
        if (operand(next, right) == Outcome::Failed) {
            return Outcome::Failed;
        }
        value = op == '+' ? wrapAdd(value, right) : op == '-' ? wrapSubtract(value, right) : wrapMultiply(value, right);
    }
    return Outcome::Next;
}

ScriptLoader::Outcome ScriptLoader::timelineLine(const std::string& firstOperand) {
    int32_t time = 0;
    Outcome outcome = expression(firstOperand, time);
    if (outcome != Outcome::Next) {
        return outcome;
    }
    if (!pushedBackPresent) {
        return Outcome::EndOfScript;  // the file ended after the time
    }
    std::string command;
    command.swap(pushedBack);
    pushedBackPresent = false;
    uint32_t lineTime = uint32_t(wrapAdd(time, timeOffset));

    bool begin = command == "BEGIN" || command == "b";
    bool endCommand = command == "END" || command == "e";
    bool init = command == "INIT" || command == "i";
    bool layer = command == "SET_LAYER" || command == "l";
    bool signalCommand = command == "SIGNAL" || command == "s";
    bool triggerCommand = command == "TRIGGER" || command == "t";
    if (!(begin || endCommand || init || layer || signalCommand || triggerCommand)) {
        return Outcome::Next;  // the rest of the line is read as statements
    }
    std::string effectName;
    if (!nextToken(effectName)) {
        return Outcome::EndOfScript;
    }
    if (layer) {
        // Effects are layered in INSERT_EFFECT order; the number is read and not used.
        std::string ignored;
        return nextToken(ignored) ? Outcome::Next : Outcome::EndOfScript;
    }
    if (begin || endCommand) {
        Effect* effect = effectList.findEffect(effectName);
        if (!effect) {
            return fail("Effect not found", &effectName);
        }
        effect->activity.addKey(begin ? 1.0f : 0.0f, lineTime);
        return Outcome::Next;
    }
    if (init) {
        DemoEvent event;
        event.time = lineTime;
        event.target = effectName;
        event.id = eventStart;
        eventQueue.add(event);
        return Outcome::Next;
    }
    return signalCommand ? signal(lineTime, effectName) : trigger(lineTime, effectName);
}

// SIGNAL and TRIGGER lines go on alike: a name, then the value list.
ScriptLoader::Outcome ScriptLoader::nameAndValues(std::string& name, float& value, std::string& text) {
    if (!nextToken(name)) {
        return Outcome::EndOfScript;
    }
    value = 0.0f;
    text.clear();
    return valueList(value, text);
}

// A choice among the names of a list ("Datafile", "Camera") may be marked as text, yet
// only a text variable can keep text keys: its text goes to the list, as for any choice.
bool ScriptLoader::namesListEntries(const EffectVariable& variable) {
    const bool namedList = variable.listKind == listKindNames0 || variable.listKind == listKindNames1000;
    return namedList && std::strcmp(variable.kindName(), "choice") == 0;
}

ScriptLoader::Outcome ScriptLoader::signal(uint32_t time, const std::string& effectName) {
    std::string variableName;
    float value = 0.0f;
    std::string text;
    Outcome outcome = nameAndValues(variableName, value, text);
    if (outcome != Outcome::Next) {
        return outcome;
    }
    Effect* effect = effectList.findEffect(effectName);
    if (!effect) {
        return fail("Effect not found", &effectName);
    }
    EffectVariable* variable = effect->findVariable(variableName);
    if (!variable) {
        return fail("Variable not found", &variableName);
    }
    bool valueIsListIndex = false;
    if (variable->isText && !namesListEntries(*variable)) {
        variable->addTextKey(text, time);
    } else if (!text.empty()) {
        if (timelineSection) {
            value = float(effect->listEntryIndex(variable->listKind, text));
            valueIsListIndex = true;
        } else {
            if (setupSection) {
                effect->addListEntry(variable->listKind, text);
            }
            return Outcome::Next;
        }
    }
    if (timelineSection) {
        // A name selects its entry by index, as readers of such choices expect it; only a
        // number given in the script spans the choices.
        if (variable->count > 1 && !valueIsListIndex) {
            value *= float(variable->count - 1);
        }
        variable->addKey(value, time);
    }
    return Outcome::Next;
}

ScriptLoader::Outcome ScriptLoader::trigger(uint32_t time, const std::string& effectName) {
    std::string eventName;
    float value = 0.0f;
    std::string text;
    Outcome outcome = nameAndValues(eventName, value, text);
    if (outcome != Outcome::Next) {
        return outcome;
    }
    auto define = defines.find(eventName);
    if (define == defines.end()) {
        return Outcome::Next;  // an undefined event name is quietly ignored
    }
    DemoEvent event;
    event.time = time;
    event.target = effectName;
    event.id = define->second;
    event.value = value;
    event.text = text;
    event.values[0] = value;
    event.values[1] = extraValues.size() > 0 ? extraValues[0] : 0.0f;
    event.values[2] = extraValues.size() > 1 ? extraValues[1] : 0.0f;
    eventQueue.add(event);
    return Outcome::Next;
}

// The rest of the line: a quoted text, numbers (the first is the value, numbers after it
// are the extra values) and define names, separated by blanks; later items override.
ScriptLoader::Outcome ScriptLoader::valueList(float& value, std::string& text) {
    extraValues.clear();
    std::string line;
    Outcome outcome = restOfLine(line);
    if (outcome != Outcome::Next) {
        return outcome;
    }
    const char* p = line.c_str();
    const char* lineEnd = p + line.size();
    while (true) {
        while (p < lineEnd && isBlank(*p)) {
            ++p;
        }
        if (p >= lineEnd) {
            break;  // nothing (more) on the line
        }
        if (*p == '"') {
            ++p;
            const char* first = p;
            while (p < lineEnd && *p != '"' && size_t(p - first) < textLimit) {
                ++p;
            }
            std::string read(first, p);
            if (p >= lineEnd || *p != '"' || read.empty()) {
                return fail("Error in script string", &read);
            }
            ++p;
            text = read;
        } else if (isDigit(*p) || *p == '-') {
            char* after = nullptr;
            float number = std::strtof(p, &after);
            if (after != p) {
                value = number;
                p = after;
                while (p < lineEnd && isBlank(*p)) {
                    float extra = std::strtof(p, &after);
                    if (after == p) {
                        break;
                    }
                    extraValues.push_back(extra);
                    p = after;
                }
            }
        } else {
            const char* first = p;
            while (p < lineEnd && !isWhitespace(*p)) {
                ++p;
            }
            std::string word(first, p);
            auto define = defines.find(word);
            if (define == defines.end()) {
                return fail("DEFINE not found", &word);
            }
            value = float(uint32_t(define->second));
        }
        if (p >= lineEnd || !isBlank(*p)) {
            break;
        }
    }
    return Outcome::Next;
}
