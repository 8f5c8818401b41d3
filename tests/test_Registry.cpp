// The effect registry: each type name makes an effect of its own class, inactive until
// the script gives it a BEGIN key; unknown names end the program.
#include "base/lvp.h"
#include "demoSystem/FloatVariable.h"
#include "demos/EffectList_Test.h"
#include "effects/Blur.h"
#include "effects/Clear.h"
#include "effects/Effect3D.h"
#include "effects/Fade.h"
#include "effects/Flash.h"
#include "effects/FramebufferScroll.h"
#include "effects/GridExp.h"
#include "effects/Image.h"
#include "effects/ShaderDOF.h"
#include "effects/ShaderRTT.h"
#include "effects/LineDistortion.h"
#include "effects/Mosaic.h"
#include "effects/Noise.h"
#include "effects/Oscillo.h"
#include "effects/Ripple.h"
#include "effects/RotoZoom.h"
#include "effects/Spectrum.h"
#include "effects/TechnoNoise.h"
#include "effects/Tiles.h"
#include "effects/TypeWriter.h"
#include "effects/ViewFPS.h"
#include "tests/support/GLTestContext.h"

#include <gtest/gtest.h>

#include <string>
#include <typeinfo>

namespace {

struct ExpectedClass {
    const char* typeName;
    const std::type_info& effectClass;
};

// The class every type name must make, one line per registry row.
const ExpectedClass expectedClasses[] = {
    {"Blur", typeid(Blur)},
    {"Clear", typeid(Clear)},
    {"Fade", typeid(Fade)},
    {"Flash", typeid(Flash)},
    {"FramebufferScroll", typeid(FramebufferScroll)},
    {"GridExp", typeid(GridExp)},
    {"Image", typeid(Image)},
    {"ShaderRTT", typeid(ShaderRTT)},
    {"ShaderDOF", typeid(ShaderDOF)},
    {"LineDistortion", typeid(LineDistortion)},
    {"Mosaic", typeid(Mosaic)},
    {"Noise", typeid(Noise)},
    {"Osc", typeid(Oscillo)},
    {"Ripple", typeid(Ripple)},
    {"RotoZoom", typeid(RotoZoom)},
    {"Spectrum", typeid(Spectrum)},
    {"TechnoNoise", typeid(TechnoNoise)},
    {"Tiles", typeid(Tiles)},
    {"TypeWriter", typeid(TypeWriter)},
    {"ViewFPS", typeid(ViewFPS)},
    {"Scene", typeid(Effect3D)},
};

const ExpectedClass* expectationFor(const std::string& typeName) {
    for (const ExpectedClass& expected : expectedClasses) {
        if (typeName == expected.typeName) return &expected;
    }
    return nullptr;
}

TEST(RegistryDeathTest, UnknownTypeNamesEndTheProgram) {
    EffectList_Test list;
    for (const char* type : {"osc", "Oscillo", "scene", "NoSuchEffect"}) {
        EXPECT_EXIT(list.createEffect("fx", type), testing::ExitedWithCode(1),
                    std::string("^demos/EffectList_Test.cpp:[0-9]+ EffectType not found: ") + type + "\n");
    }
}

TEST(Registry, EveryRowMakesAnInactiveEffectOfItsOwnClass) {
    testgl::context();  // effects may make GL objects when constructed
    DataPack::usePlainDirectory(LUMORA_SOURCE_DIR);  // and load their programs from data/shaders
    keyEndTime = 60000;
    size_t count = 0;
    const EffectTypeRow* rows = effectTypeRows(count);
    EXPECT_EQ(count, std::size(expectedClasses)) << "every row needs its line in expectedClasses";
    EffectList_Test list;
    for (size_t i = 0; i < count; ++i) {
        const std::string typeName = rows[i].typeName;
        ASSERT_TRUE(list.createEffect("fx" + std::to_string(i), typeName));
        Effect* made = list.at(list.size() - 1);
        EXPECT_EQ(made->typeName(), typeName);
        EXPECT_EQ(made->name(), "fx" + std::to_string(i));
        EXPECT_FALSE(made->activity.isOn(1000));
        const ExpectedClass* expected = expectationFor(typeName);
        ASSERT_NE(expected, nullptr) << typeName << " has no line in expectedClasses";
        EXPECT_EQ(typeid(*made), expected->effectClass) << typeName << " makes the wrong class";
    }
    keyEndTime = 0;
}

TEST(Registry, TheListIsTheEffectsLookupForTheirSource) {
    keyEndTime = 60000;
    EffectList_Test list;
    list.createEffect("filter", "Fade");
    list.createEffect("picture", "Image");
    Effect* filter = list.findEffect("filter");
    DemoEvent setSource;
    setSource.id = eventSetSource;
    setSource.text = "picture";
    filter->handleEvent(setSource);
    EXPECT_EQ(filter->source, list.findEffect("picture"));
    setSource.text = "nobody";
    filter->handleEvent(setSource);
    EXPECT_EQ(filter->source, nullptr);
    keyEndTime = 0;
}

}  // namespace
