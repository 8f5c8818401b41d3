// The effect base: registration and lookup, name lists, the clock, patterns with the one
// shared step index, blend resolution and the base events.
#include "base/Globals.h"
#include "demoSystem/Effect.h"
#include "demoSystem/EffectList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class ProbeEffect : public Effect {
public:
    explicit ProbeEffect(const std::string& name) : Effect(name) {
        registerVariable(extra, "Extra", listKindNames0, typeKindChoice);
        registerVariable(duplicate, "Speed", listKindPlain, typeKindFloat);
    }
    void render(uint32_t) override {}
    void onPatternStep(float animatedTime) override { steps.push_back(animatedTime); }
    void onListEntryAdded(int32_t kind, const std::string& text, uint32_t count) override {
        added.push_back(std::to_string(kind) + ":" + text + ":" + std::to_string(count));
    }
    void start(uint32_t t) override {
        Effect::start(t);
        ++starts;
    }

    ChoiceVariable extra{0, 4};
    FloatVariable duplicate{0.9f};
    std::vector<float> steps;
    std::vector<std::string> added;
    int starts = 0;
};

class ProbeList : public EffectList {
public:
    bool createEffect(const std::string& name, const std::string& type) override {
        appendEffect(new ProbeEffect(name), type);
        return true;
    }
};

DemoEvent event(int32_t id, uint32_t time, float value = 0.0f, const std::string& text = "") {
    DemoEvent e;
    e.id = id;
    e.time = time;
    e.value = value;
    e.values[0] = value;
    e.text = text;
    return e;
}

TEST(EffectVariablesTable, BaseVariablesInOrderThenDerivedOnes) {
    ProbeEffect fx("fx");
    std::vector<std::string> names;
    for (EffectVariable* v : fx.variables()) {
        names.push_back(v->name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Speed", "SpectrumStr", "Pattern", "Factor0", "Factor1", "Factor2",
                                               "Factor3", "BlendSrc", "BlendDst", "BlendEquation", "Extra", "Speed"}));
    EXPECT_EQ(fx.findVariable("Speed"), &fx.speed);  // the first registration wins
    EXPECT_EQ(fx.findVariable("speed"), nullptr);
    EXPECT_EQ(fx.findVariable("Extra")->listKind, listKindNames0);
    EXPECT_EQ(fx.findVariable("Extra")->typeKind, typeKindChoice);
    EXPECT_TRUE(fx.pattern.isText);
    EXPECT_EQ(fx.factor2.interpolation, interpolationEaseIn);
    EXPECT_EQ(fx.activity.name, "fx");
    EXPECT_EQ(fx.activity.typeKind, typeKindBool);
    EXPECT_EQ(fx.findVariable("fx"), nullptr);  // activity is not a script variable
}

TEST(EffectNameLists, AppendIndexAndRefuseOtherKinds) {
    testing::internal::CaptureStderr();
    ProbeEffect fx("fx");
    EXPECT_EQ(fx.addListEntry(0, "a.png"), 0);
    EXPECT_EQ(fx.addListEntry(0, "b.png"), 1);
    EXPECT_EQ(fx.addListEntry(1000, "cam"), 0);
    EXPECT_EQ(fx.addListEntry(7, "x"), -1);
    EXPECT_EQ(fx.added, (std::vector<std::string>{"0:a.png:1", "0:b.png:2", "1000:cam:1", "7:x:0"}));
    EXPECT_EQ(fx.listEntryIndex(0, "b.png"), 1u);
    EXPECT_EQ(fx.listEntryIndex(0, "missing"), 0u);  // the same as the first entry
    EXPECT_EQ(fx.listEntry(0, 1), "b.png");
    EXPECT_EQ(fx.listEntry(0, 2), "");
    EXPECT_EQ(fx.listEntry(5, 0), "");
    fx.clearList(0);
    fx.clearList(3);
    EXPECT_TRUE(fx.nameList(0).empty());
    EXPECT_EQ(fx.nameList(1000).size(), 1u);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("demoSystem/Effect.cpp:"), std::string::npos);
    EXPECT_NE(err.find(" Unsupported variable\n"), std::string::npos);
}

TEST(EffectClock, StartUpdateElapsedAndAnimatedTime) {
    ProbeEffect fx("fx");
    fx.update(1000);  // never started: counts from the demo's time 0
    EXPECT_EQ(fx.elapsed(), 1000);
    EXPECT_FLOAT_EQ(fx.speedScale(), 0.1f);
    EXPECT_FLOAT_EQ(fx.animatedTime(), 100.0f);
    fx.handleEvent(event(eventStart, 800));
    EXPECT_EQ(fx.starts, 1);  // through the virtual start
    EXPECT_EQ(fx.startTime(), 800u);
    EXPECT_FLOAT_EQ(fx.animatedTime(), 0.0f);
    fx.update(1800);
    EXPECT_EQ(fx.elapsed(), 1000);
    fx.handleEvent(event(eventTimeShift, 0, 250.9f));
    fx.update(1800);
    EXPECT_EQ(fx.elapsed(), 750);
    fx.setSpeedValue(5.0f);  // not clamped
    fx.update(1800);
    EXPECT_FLOAT_EQ(fx.animatedTime(), 750.0f);
    fx.handleEvent(event(eventTimeShift, 0, 1e30f));  // saturates instead of overflowing
    EXPECT_EQ(fx.timeShift(), 2147483647);
}

TEST(EffectEvents, SpectrumSpeedInterpolationSourceAndUnknownIds) {
    ProbeList list;
    list.createEffect("a", "Probe");
    list.createEffect("b", "Probe");
    Effect* a = list.findEffect("a");
    a->spectrumStrength.current = 0.5f;
    a->handleEvent(event(eventSpectrum, 0, 8.0f));
    EXPECT_FLOAT_EQ(a->spectrumLevel(), 4.0f);
    a->handleEvent(event(eventSpeedEaseIn, 0));
    EXPECT_EQ(a->speed.interpolation, interpolationEaseIn);
    a->handleEvent(event(eventSpeedLinear, 0));
    EXPECT_EQ(a->speed.interpolation, interpolationLinear);

    a->handleEvent(event(eventSetSource, 0, 0, "b"));
    EXPECT_EQ(a->source, list.findEffect("b"));
    a->handleEvent(event(eventSetSource, 0, 0, "nobody"));
    EXPECT_EQ(a->source, nullptr);
    a->handleEvent(event(12345, 0, 1.0f));  // ignored
}

TEST(EffectPattern, StepsFollowTheBeatAndTheSharedIndexAnnouncesOnce) {
    beatLength = 100;
    lastAnnouncedPatternIndex = 1000;
    ProbeEffect one("one");
    ProbeEffect two("two");
    one.setPatternEnabled(true);
    two.setPatternEnabled(true);
    std::string values;
    for (uint32_t t : {0u, 99u, 100u, 399u, 400u, 550u}) {
        one.update(t);
        two.update(t);
        values += one.patternValue();
    }
    EXPECT_EQ(values, "110010");
    // Steps 0, 1, 3, 0, 1: two effects share one announcement per change.
    EXPECT_EQ(one.steps.size() + two.steps.size(), 5u);
    EXPECT_EQ(one.steps.size(), 5u);
    EXPECT_TRUE(two.steps.empty());
    EXPECT_EQ(one.patternIndex(), 1u);
}

TEST(EffectPattern, EmptyPatternZeroBeatAndDisabledPattern) {
    lastAnnouncedPatternIndex = 1000;
    ProbeEffect fx("fx");
    fx.setPatternEnabled(true);
    fx.pattern.current = "";
    fx.update(500);
    EXPECT_EQ(fx.patternValue(), '\0');
    EXPECT_EQ(fx.patternIndex(), 0u);

    fx.pattern.current = "0101";
    beatLength = 0;  // no division by zero: the first step holds
    fx.update(12345);
    EXPECT_EQ(fx.patternIndex(), 0u);
    EXPECT_EQ(fx.patternValue(), '0');
    beatLength = 100;

    ProbeEffect off("off");
    testing::internal::CaptureStderr();
    EXPECT_EQ(off.patternValue(), '0');
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("pattern value retrieved when _patternEnabled is false"), std::string::npos);
}

TEST(EffectBlend, ChoicesResolveThroughTheirScaledValues) {
    keyEndTime = 60000;
    ProbeEffect fx("fx");
    fx.update(0);
    EXPECT_EQ(fx.blendSourceFactor(), 0u);       // 1 / 10 = 0: GL_ZERO
    EXPECT_EQ(fx.blendDestinationFactor(), 0u);  // GL_ZERO
    EXPECT_EQ(fx.blendEquationMode(), 0x8006u);  // GL_FUNC_ADD

    fx.blendSource.addKey(40.0f, 1000);  // a script value 4, stored as 40
    fx.blendDestination.addKey(50.0f, 1000);
    fx.blendEquation.addKey(4.0f, 1000);  // 2, stored as 4
    fx.update(1000);
    EXPECT_EQ(fx.blendSourceFactor(), 0x0302u);  // GL_SRC_ALPHA
    EXPECT_EQ(fx.blendDestinationFactor(), 0x0303u);
    EXPECT_EQ(fx.blendEquationMode(), 0x800Bu);

    fx.blendSource.keys.clear();
    fx.blendSource.current = 4;  // 0.4 in the script: 4 / 10 = 0
    fx.update(1000);
    EXPECT_EQ(fx.blendSourceFactor(), 0u);

    EXPECT_EQ(blendFactorForIndex(10), 0x0308u);
    EXPECT_EQ(blendFactorForIndex(11), 11u);  // passed through
    EXPECT_EQ(blendEquationForIndex(1), 0x800Au);
    EXPECT_EQ(blendEquationForIndex(9), 9u);
    keyEndTime = 0;
}

}  // namespace
