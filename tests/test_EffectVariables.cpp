// Effect variables: key insertion against the key end time, the interpolated and stepped
// lookups, finalize, and what each kind does with values out of range.
#include "demoSystem/BoolVariable.h"
#include "demoSystem/ChoiceVariable.h"
#include "demoSystem/FloatVariable.h"
#include "demoSystem/TextVariable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class KeyEndTime : public testing::Test {
protected:
    void SetUp() override { keyEndTime = 60000; }
    void TearDown() override { keyEndTime = 0; }
};

template <typename Value>
std::vector<std::pair<uint32_t, Value>> pairs(const std::vector<VariableKey<Value>>& keys) {
    std::vector<std::pair<uint32_t, Value>> out;
    for (const auto& key : keys) {
        out.emplace_back(key.time, key.value);
    }
    return out;
}

using FloatKeys = std::vector<std::pair<uint32_t, float>>;

TEST_F(KeyEndTime, FirstKeySpansTheDemoThenKeysAreInsertedOrOverwritten) {
    FloatVariable v;
    v.addKey(1.0f, 500);
    EXPECT_EQ(pairs(v.keys), (FloatKeys{{0, 1.0f}, {500, 1.0f}, {60000, 1.0f}}));
    v.addKey(0.0f, 2000);
    EXPECT_EQ(pairs(v.keys), (FloatKeys{{0, 1.0f}, {500, 1.0f}, {2000, 0.0f}, {60000, 1.0f}}));
    v.addKey(0.25f, 500);
    EXPECT_EQ(pairs(v.keys), (FloatKeys{{0, 1.0f}, {500, 0.25f}, {2000, 0.0f}, {60000, 1.0f}}));
    v.addKey(0.0f, 70000);  // past the last key: nothing
    EXPECT_EQ(v.keys.size(), 4u);
}

TEST_F(KeyEndTime, FirstKeyAtZeroOrAtTheEndMakesTwoKeys) {
    FloatVariable atZero;
    atZero.addKey(0.5f, 0);
    EXPECT_EQ(pairs(atZero.keys), (FloatKeys{{0, 0.5f}, {60000, 0.5f}}));
    FloatVariable atEnd;
    atEnd.addKey(0.5f, 60000);
    EXPECT_EQ(pairs(atEnd.keys), (FloatKeys{{0, 0.5f}, {60000, 0.5f}}));
}

TEST(KeysBeforeDemoEnd, StayInTimeOrderAndOnePerTime) {
    keyEndTime = 0;
    FloatVariable v;
    v.addKey(0.5f, 1000);
    EXPECT_EQ(pairs(v.keys), (FloatKeys{{0, 0.5f}, {1000, 0.5f}}));
    FloatVariable zero(0.1f);
    zero.addKey(0.7f, 0);
    EXPECT_EQ(pairs(zero.keys), (FloatKeys{{0, 0.7f}}));
    zero.finalize();  // a lone key is the constant it stands for
    EXPECT_TRUE(zero.keys.empty());
    EXPECT_FLOAT_EQ(zero.valueAt(5000), 0.7f);

    keyEndTime = 3000;
    FloatVariable late;
    late.addKey(0.5f, 9000);  // a first key after the end still keeps the order
    EXPECT_EQ(pairs(late.keys), (FloatKeys{{0, 0.5f}, {3000, 0.5f}, {9000, 0.5f}}));
    keyEndTime = 0;
}

TEST(FloatLookup, LinearAndEaseInBetweenKeys) {
    FloatVariable v;
    v.importKeys({{0, 0.0f}, {1000, 1.0f}});
    EXPECT_FLOAT_EQ(v.valueAt(250), 0.25f);
    EXPECT_FLOAT_EQ(v.valueAt(1000), 1.0f);
    EXPECT_FLOAT_EQ(v.valueAt(0), 0.0f);
    v.interpolation = interpolationEaseIn;
    EXPECT_FLOAT_EQ(v.valueAt(250), 0.0625f);
    EXPECT_FLOAT_EQ(v.valueAt(1000), 1.0f);
    v.current = 0.75f;
    v.interpolation = 7;  // an unknown mode answers the current value between keys
    EXPECT_FLOAT_EQ(v.valueAt(250), 0.75f);
    EXPECT_FLOAT_EQ(v.valueAt(0), 0.0f);
}

TEST(FloatLookup, CurrentValueWithFewKeysAndPastTheLastKey) {
    FloatVariable v(0.3f);
    EXPECT_FLOAT_EQ(v.valueAt(123), 0.3f);
    v.importKeys({{0, 0.9f}});
    EXPECT_FLOAT_EQ(v.valueAt(0), 0.3f);
    v.importKeys({{0, 0.0f}, {100, 1.0f}, {200, 0.5f}});
    EXPECT_FLOAT_EQ(v.valueAt(150), 0.75f);
    EXPECT_FLOAT_EQ(v.valueAt(200), 0.5f);
    EXPECT_FLOAT_EQ(v.valueAt(201), 0.3f);
}

TEST(FloatValues, SetValueClampsKeysDoNot) {
    keyEndTime = 60000;
    FloatVariable v;
    v.addKey(2.5f, 0);
    EXPECT_FLOAT_EQ(v.keys[0].value, 2.5f);
    v.setValue(2.5f, 60000);
    EXPECT_FLOAT_EQ(v.current, 1.0f);
    EXPECT_FLOAT_EQ(v.keys[1].value, 1.0f);  // the key at exactly that time follows
    EXPECT_FLOAT_EQ(v.keys[0].value, 2.5f);
    v.setValue(-1.0f, 5);
    EXPECT_FLOAT_EQ(v.current, 0.0f);
    keyEndTime = 0;
}

TEST(Finalize, TwoEqualKeysBecomeAConstantOfEveryKind) {
    FloatVariable f;
    f.importKeys({{0, 0.4f}, {60000, 0.4f}});
    f.finalize();
    EXPECT_TRUE(f.keys.empty());
    EXPECT_FLOAT_EQ(f.valueAt(70000), 0.4f);

    BoolVariable b;
    b.importKeys({{0, 1.0f}, {60000, 1.0f}});
    b.finalize();
    EXPECT_TRUE(b.keys.empty());
    EXPECT_TRUE(b.isOn(99));

    TextVariable t("x");
    t.importTextKeys({{0, "abc"}, {60000, "abc"}});
    t.finalize();
    EXPECT_TRUE(t.keys.empty());
    EXPECT_EQ(t.textAt(1), "abc");

    FloatVariable differing;
    differing.importKeys({{0, 0.1f}, {60000, 0.2f}});
    differing.finalize();
    EXPECT_EQ(differing.keys.size(), 2u);
    FloatVariable three;
    three.importKeys({{0, 0.1f}, {5, 0.1f}, {60000, 0.1f}});
    three.finalize();
    EXPECT_EQ(three.keys.size(), 3u);
}

TEST(SteppedLookup, KeyHoldsUntilTheNextKey) {
    BoolVariable b;
    b.importKeys({{0, 0.0f}, {1000, 1.0f}, {5000, 0.0f}, {60000, 0.0f}});
    EXPECT_FALSE(b.isOn(0));
    EXPECT_FALSE(b.isOn(999));
    EXPECT_TRUE(b.isOn(1000));
    EXPECT_TRUE(b.isOn(4999));
    EXPECT_FLOAT_EQ(b.valueAt(4999), 1.0f);
    EXPECT_FALSE(b.isOn(5000));
    b.current = true;  // past the last key the current value answers
    EXPECT_TRUE(b.isOn(60000));

    TextVariable t("now");
    t.importTextKeys({{100, "a"}, {200, "b"}});
    EXPECT_EQ(t.textAt(50), "a");  // the first key also covers earlier times
    EXPECT_EQ(t.textAt(199), "a");
    EXPECT_EQ(t.textAt(200), "now");
}

TEST(ChangeMark, SetWheneverTheValueFoundDiffersFromTheLastOneKeyedOrNot) {
    // A keyed switch: off, on from 1000, off again from 5000.
    BoolVariable keyed;
    keyed.importKeys({{0, 0.0f}, {1000, 1.0f}, {5000, 0.0f}, {60000, 0.0f}});
    EXPECT_FALSE(keyed.valueMarkingChange(500));
    EXPECT_FALSE(keyed.changeMarked()) << "the default off is no change";
    EXPECT_TRUE(keyed.valueMarkingChange(1000));
    EXPECT_TRUE(keyed.changeMarked()) << "a key in force that turns it on is a change";
    keyed.clearChangeMark();
    EXPECT_TRUE(keyed.valueMarkingChange(1016));
    EXPECT_FALSE(keyed.changeMarked()) << "the same value again is none";
    EXPECT_FALSE(keyed.valueMarkingChange(5000));
    EXPECT_TRUE(keyed.changeMarked());
    keyed.clearChangeMark();

    // A constant on (two equal keys collapsed) differs from the default at its first look.
    BoolVariable constant;
    constant.importKeys({{0, 1.0f}, {60000, 1.0f}});
    constant.finalize();
    EXPECT_TRUE(constant.valueMarkingChange(0));
    EXPECT_TRUE(constant.changeMarked());

    // The plain look-ups never mark.
    BoolVariable plain(true);
    plain.current = false;
    EXPECT_FALSE(plain.isOn(0));
    EXPECT_FLOAT_EQ(plain.valueAt(0), 0.0f);
    EXPECT_FALSE(plain.changeMarked());
    EXPECT_FALSE(plain.valueMarkingChange(0));
    EXPECT_TRUE(plain.changeMarked()) << "the default was on";
}

TEST(ChoiceValues, ScaledKeysClampingAndUntrustedNumbers) {
    keyEndTime = 60000;
    ChoiceVariable c(1, 11);
    c.addKey(40.9f, 0);  // truncated, not clamped
    EXPECT_EQ(c.keys[0].value, 40);
    c.addKey(-3.7f, 1000);
    EXPECT_EQ(c.keys[1].value, -3);
    c.addKey(std::numeric_limits<float>::quiet_NaN(), 2000);
    EXPECT_EQ(c.keys[2].value, 0);
    c.addKey(1e30f, 3000);
    EXPECT_EQ(c.keys[3].value, std::numeric_limits<int32_t>::max());

    c.setValue(25.0f, 999999);
    EXPECT_EQ(c.current, 10);
    EXPECT_FLOAT_EQ(c.normalizedValue(), 1.0f);
    c.setValue(-2.0f, 999999);
    EXPECT_EQ(c.current, 0);

    ChoiceVariable none(0, 0);  // no choices yet: only 0
    none.setValue(5.0f, 0);
    EXPECT_EQ(none.current, 0);
    EXPECT_FLOAT_EQ(none.normalizedValue(), 0.0f);

    ChoiceVariable three(0, 3);
    three.importKeys({{0, 0.5f}, {10, 1.0f}});
    EXPECT_EQ(three.keys[0].value, 1);
    EXPECT_EQ(three.keys[1].value, 2);
    TimedValues exported;
    three.exportKeys(exported);
    EXPECT_EQ(exported, (TimedValues{{0, 0.5f}, {10, 1.0f}}));
    keyEndTime = 0;
}

TEST(TextValues, ExportWithoutKeysGivesTheCurrentText) {
    TextVariable t("1000");
    TimedTexts out;
    t.exportTextKeys(out);
    EXPECT_EQ(out, (TimedTexts{{0, "1000"}}));
    t.addKey(1.0f, 0);  // numbers mean nothing to a text
    EXPECT_TRUE(t.keys.empty());
    EXPECT_FLOAT_EQ(t.valueAt(0), 0.0f);
}

TEST(SafeTruncation, SaturatesAndMapsNaNToZero) {
    EXPECT_EQ(truncateToInt32(-2.9), -2);
    EXPECT_EQ(truncateToInt32(1e20), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(truncateToInt32(-1e20), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncateToInt32(std::nan("")), 0);
}

}  // namespace
