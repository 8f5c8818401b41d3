#pragma once
// Reads the demo script into the timeline: effects into the EffectList (made by the
// registry), keys onto their variables, events into the EventQueue; publishes demoStart,
// demoEnd and beatLength. The launcher calls load() once per run (--dump-timeline too).
//
// The format, in short:
//   tokens are runs of non-whitespace; "//" at position 0-2 of a token starts a line
//   comment; a token holding "/*" starts a block comment (the rest of its line is
//   skipped, so it ends at a "*/" on a later line; text after that "*/" is a token);
//   integer expressions are operands and stand-alone +, -, * tokens, evaluated left to
//   right without precedence; an operand is a number or a DEFINE name;
//   statements: __HEADER__ __DEFS__ __SETUP__ __TIMELINE__ __LINETIME__ (ends the
//   script), DEMO_START/DEMO_END/DEMO_BEAT expr, DEMO_FULLSCREEN/DEMO_MUSIC n,
//   DEFINE name expr, INSERT_EFFECT name AS type, TIMEOFFSET expr, and timeline lines
//   "time command effect operands" with BEGIN/b, END/e, INIT/i, SET_LAYER/l n,
//   SIGNAL/s variable values, TRIGGER/t event values.
//
// Every failure is fatal through the reporter. The rest of a line after a comment
// marker, and the value list of SIGNAL and TRIGGER, may hold at most 199 characters
// ("Script line too long" otherwise); a quoted text at most 99. A file that ends inside
// a statement ends the load there: what was read so far stands.
#include "demoSystem/EffectList.h"
#include "demoSystem/EventQueue.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What stopped a load: the report's message and detail (empty when none).
struct ScriptFailure {
    std::string message;
    std::string detail;
    bool hasDetail = false;
};

class ScriptLoader {
public:
    ScriptLoader(EffectList& effects, EventQueue& events);

    // Loads a script through the data pack. Failures are fatal reports. Then compiles the
    // fragment program of every event 36 (set program) addressed to an effect of the
    // list, so that a missing or broken shader stops the run while it loads and no frame
    // waits for the compiler; the events stay queued and attach the programs when due.
    void load(const char* scriptName);

    // Loads script text from memory, as load does once the file is read. Returns false at
    // the first failure, which it describes in failure instead of reporting it; the
    // timeline then holds what was read before it (unfinalized, unsorted). Failures of
    // the registry (an unknown type) are its own fatal reports.
    bool loadText(const char* text, size_t size, ScriptFailure& failure);

    int32_t demoStartTime() const { return start; }
    int32_t demoEndTime() const { return end; }
    int32_t beatLengthTime() const { return beat; }

    // The script's integer operand rule: an optional sign and leading digits; no digits
    // give 0. Wraps on overflow.
    static int32_t integerPrefix(const std::string& token);

    // Whether a SIGNAL's text on this variable names an entry of the effect's name list
    // (registered in the set-up section, selected on the timeline) rather than being a
    // text key: every choice of list kind 0 or 1000, text-marked or not.
    static bool namesListEntries(const EffectVariable& variable);

    // The largest rest of a line that the loader takes, and the longest quoted text.
    static constexpr size_t lineLimit = 199;
    static constexpr size_t textLimit = 99;

private:
    enum class Outcome { Next, EndOfScript, Failed };

    Outcome statement(std::string token);
    Outcome timelineLine(const std::string& firstOperand);
    Outcome signal(uint32_t time, const std::string& effectName);
    Outcome trigger(uint32_t time, const std::string& effectName);
    Outcome expression(const std::string& firstOperand, int32_t& value);
    Outcome expressionFromNextToken(int32_t& value);
    Outcome operand(const std::string& token, int32_t& value);
    Outcome nameAndValues(std::string& name, float& value, std::string& text);
    Outcome valueList(float& value, std::string& text);
    // Applies the comment rules; false when the token was a comment (or inside one).
    bool passesComments(std::string& token, Outcome& outcome);

    bool nextToken(std::string& token);
    Outcome restOfLine(std::string& line);
    Outcome fail(const char* message, const std::string* detail);
    void finishLoad();
    void compileEventPrograms();

    EffectList& effectList;
    EventQueue& eventQueue;

    std::map<std::string, int32_t> defines;
    std::string pushedBack;
    bool pushedBackPresent = false;

    // Per load.
    const char* cursor = nullptr;
    const char* textEnd = nullptr;
    int32_t timeOffset = 0;
    int32_t start = 0;
    int32_t end = 60000;
    int32_t beat = 100;
    bool setupSection = false;
    bool timelineSection = false;
    bool inBlockComment = false;
    std::vector<float> extraValues;
    ScriptFailure* failureOut = nullptr;
};
