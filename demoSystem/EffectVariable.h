#pragma once
// Effect variables: the named, keyframed parameters of an effect. The script sets keys on
// them by name (ScriptLoader), effects read them every frame with valueAt/textAt.
//
// Four kinds: FloatVariable (interpolated, linear or ease-in), BoolVariable,
// ChoiceVariable and TextVariable (stepped). With fewer than two keys, and past the last
// key, a variable answers its current value. Keys are stored as given (not clamped);
// only setValue clamps. Variables live by value inside their effect and are registered
// with it (Effect::registerVariable), which sets name, list kind and type kind.
//
// The key end time is the demo end as the variables know it: the script loader sets it
// the moment it reads DEMO_END; a variable's first key is also placed there.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// ms; 0 until the script's DEMO_END has been read.
extern uint32_t keyEndTime;

// List kinds: values name entries of the effect's name list 0 or 1000, or are plain.
constexpr int32_t listKindNames0 = 0;
constexpr int32_t listKindNames1000 = 1000;
constexpr int32_t listKindPlain = 10000;

// Type kinds as registered (a choice may be registered as kind 1, an "integer").
constexpr int32_t typeKindFloat = 1;
constexpr int32_t typeKindBool = 2;
constexpr int32_t typeKindChoice = 3;
constexpr int32_t typeKindText = 4;

constexpr int32_t interpolationLinear = 2;
constexpr int32_t interpolationEaseIn = 3;

using TimedValues = std::vector<std::pair<uint32_t, float>>;
using TimedTexts = std::vector<std::pair<uint32_t, std::string>>;

// Float to int32 toward zero, saturating; NaN gives 0 (script values are untrusted).
int32_t truncateToInt32(double value);

class EffectVariable {
public:
    virtual ~EffectVariable() = default;

    // The operations every kind answers; a kind that has no use for one ignores it.
    virtual void setValue(float value, uint32_t time);
    virtual void setText(const std::string& text, uint32_t time);
    virtual float normalizedValue() const;
    virtual float valueAt(uint32_t t) const;
    virtual void exportKeys(TimedValues& out) const;
    virtual void importKeys(const TimedValues& keys);
    virtual void finalize() = 0;
    virtual void addKey(float value, uint32_t time);
    virtual void addTextKey(const std::string& text, uint32_t time);
    virtual std::string textAt(uint32_t t) const;
    virtual void exportTextKeys(TimedTexts& out) const;
    virtual void importTextKeys(const TimedTexts& keys);

    // "float", "bool", "choice" or "text": the class, whatever type kind it was registered with.
    virtual const char* kindName() const = 0;
    virtual size_t keyCount() const = 0;

    std::string name;                       // set at registration
    int32_t listKind = listKindPlain;       // set at registration
    int32_t typeKind = typeKindFloat;       // set at registration
    int32_t interpolation = interpolationLinear;  // floats: 2 linear, 3 ease-in, else stepped to current
    uint32_t count = 1;                     // choices: number of choices
    bool isText = false;                    // the script sets text keys instead of numbers
};
