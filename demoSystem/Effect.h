#pragma once
// The base of every timeline effect.
//
// An effect has an instance name (from the script's INSERT_EFFECT), an activity switch
// the timeline asks every frame, a local clock that restarts on event 0, a Speed-scaled
// animated time, an optional beat pattern, blend choices resolved to GL enums, two name
// lists (file names and the like, filled by the script's set-up section) and a table of
// named, keyframed variables that the script addresses by name.
//
// Sections: life cycle (virtual, in slot order) · variables · name lists · pattern ·
// blending · clock state.
//
// Rules:
// - The effect list owns effects; an effect owns its variables by value. Derived effects
//   register their own variables in their constructor, after the base ones; a name
//   registered twice is found at its first registration.
// - update() and render() run only in frames where activity is on; handleEvent() runs
//   whenever an event addressed to the effect falls due, active or not.
// - source is a reference to another effect of the list (not owned), found through the
//   lookup the owning list hands over; program belongs to the shader manager. Neither is
//   touched by the destructor.
// - The base update applies no GL state: effects apply the resolved blend when they draw.
#include "demoSystem/BoolVariable.h"
#include "demoSystem/ChoiceVariable.h"
#include "demoSystem/DemoEvent.h"
#include "demoSystem/FloatVariable.h"
#include "demoSystem/TextVariable.h"

#include <cstdint>
#include <string>
#include <vector>

class EffectLookup;
class FragmentProgram;

// The pattern step last announced by any effect (shared by all: two effects stepping to
// the same index in one frame announce it once). Starts at 1000, never a real step.
extern uint32_t lastAnnouncedPatternIndex;

class Effect {
public:
    explicit Effect(const std::string& instanceName);
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // --- life cycle, in slot order ---
    virtual ~Effect();
    // Restarts the local clock: startTime = currentTime = t, elapsed and animatedTime 0.
    virtual void start(uint32_t t);
    // Never called by the runtime; derived effects may give it a use.
    virtual void prepare(uint32_t t);
    // Speed, elapsed and animated time, pattern step, blend resolution. Derived updates
    // call this first.
    virtual void update(uint32_t t);
    // Called by the base update when the shared pattern index changes.
    virtual void onPatternStep(float animatedTime);
    virtual void render(uint32_t t) = 0;
    // Base ids: 0 start, 2 source, 5 spectrum level, 19 time shift, 36 program,
    // 40/41 Speed interpolation. Derived handlers pass ids they do not know here.
    virtual void handleEvent(const DemoEvent& event);
    // After addListEntry appended text to list listKind (newCount 0 when it was refused).
    virtual void onListEntryAdded(int32_t listKind, const std::string& text, uint32_t newCount);

    // --- variables ---
    void registerVariable(EffectVariable& variable, const char* variableName, int32_t listKind, int32_t typeKind);
    // First registered variable of exactly that name, or null.
    EffectVariable* findVariable(const std::string& variableName) const;
    const std::vector<EffectVariable*>& variables() const { return registered; }
    // Overwrites the current value of "Speed" without clamping (effects set durations so).
    void setSpeedValue(float value);

    // --- name lists 0 and 1000 ---
    // Appends and returns the new index; other kinds: non-fatal "Unsupported variable", -1.
    int32_t addListEntry(int32_t listKind, const std::string& text);
    void clearList(int32_t listKind);
    // Index of the first equal entry; 0 when absent (the same as the first entry).
    uint32_t listEntryIndex(int32_t listKind, const std::string& text) const;
    // "" when out of range.
    std::string listEntry(int32_t listKind, uint32_t index) const;
    // The list of kind 0 or 1000 (any other kind gives an empty list).
    const std::vector<std::string>& nameList(int32_t listKind) const;

    // --- pattern ---
    // The pattern character at the current step; reports (non-fatal) when patterns are off.
    char patternValue() const;
    void setPatternEnabled(bool enabled) { patternEnabledFlag = enabled; }
    bool patternEnabled() const { return patternEnabledFlag; }
    uint32_t patternIndex() const { return currentPatternIndex; }

    // --- blending, as resolved by the last base update ---
    uint32_t blendSourceFactor() const { return resolvedBlendSource; }
    uint32_t blendDestinationFactor() const { return resolvedBlendDestination; }
    uint32_t blendEquationMode() const { return resolvedBlendEquation; }

    // --- identity and clock state ---
    const std::string& name() const { return instanceName; }
    // The registry's type name ("Clear"), set when the list takes the effect.
    const std::string& typeName() const { return registeredTypeName; }
    void setTypeName(const std::string& type) { registeredTypeName = type; }
    // Where event 2 finds the source by name; the owning effect list sets itself. Without
    // one, event 2 leaves no source.
    void setEffectLookup(const EffectLookup* lookup) { effectLookup = lookup; }
    uint32_t startTime() const { return startTimeMs; }
    uint32_t currentTime() const { return currentTimeMs; }
    int32_t elapsed() const { return elapsedMs; }
    float animatedTime() const { return animatedTimeValue; }
    float speedScale() const { return speedScaleValue; }
    int32_t timeShift() const { return timeShiftMs; }
    float spectrumLevel() const { return spectrumLevelValue; }

    Effect* source = nullptr;               // set by event 2; not owned
    FragmentProgram* program = nullptr;     // set by event 36 (empty text: none); the shader manager owns it

    // The base variables, registered in this order (list kind 10000).
    BoolVariable activity;                  // named as the instance; not in variables()
    FloatVariable speed;                    // "Speed" 0.5, linear
    FloatVariable spectrumStrength;         // "SpectrumStr" 0, linear
    TextVariable pattern;                   // "Pattern" "1000"
    FloatVariable factor0;                  // "Factor0".."Factor3" 0, ease-in
    FloatVariable factor1;
    FloatVariable factor2;
    FloatVariable factor3;
    ChoiceVariable blendSource;             // "BlendSrc" 1 of 11
    ChoiceVariable blendDestination;        // "BlendDst" 0 of 11
    ChoiceVariable blendEquation;           // "BlendEquation" 0 of 3

protected:
    // Another effect of the owning list by instance name, as event 2 finds the source;
    // null without a list or without such an effect.
    Effect* findEffectNamed(const std::string& instanceName) const;

    float spectrumLevelValue = 0.0f;
    int32_t timeShiftMs = 0;

private:
    std::string instanceName;
    std::string registeredTypeName;
    const EffectLookup* effectLookup = nullptr;
    std::vector<EffectVariable*> registered;
    std::vector<std::string> names0;
    std::vector<std::string> names1000;

    uint32_t startTimeMs = 0;
    uint32_t currentTimeMs = 0;
    int32_t elapsedMs = 0;
    float animatedTimeValue = 0.0f;
    float speedScaleValue = 0.0f;
    bool patternEnabledFlag = false;
    char currentPatternValue = '0';
    uint32_t currentPatternIndex = 0;
    uint32_t resolvedBlendSource = 0;
    uint32_t resolvedBlendDestination = 0;
    uint32_t resolvedBlendEquation = 0x8006;  // GL_FUNC_ADD
};

// The blend tables: a factor or equation index to its GL enum; unknown indices pass through.
uint32_t blendFactorForIndex(uint32_t index);
uint32_t blendEquationForIndex(uint32_t index);
// A choice's script value back to its index: value / (count - 1) when count > 1.
uint32_t choiceIndex(const ChoiceVariable& choice, uint32_t t);
