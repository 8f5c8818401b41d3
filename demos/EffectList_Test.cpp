// The demo's effect types by name.
//
// Adding an effect type:
//   1. effects/NewEffect.{h,cpp}: a class derived from Effect (or from ImageFilter when it
//      works on a source effect's picture) whose constructor takes the instance name
//      alone and registers its variables after the base ones (a TintVariables member for
//      "Red"/"Green"/"Blue"/"Alpha"; draw inside an EffectBlendScope where the effect
//      honours the effect blend). Its event ids go into demoSystem/EventIds.h, one line
//      each. Its render leaves the GL state as it found it.
//   2. One row below, {"TypeName", make<NewEffect>}, and its include.
//   3. One line in tests/test_Registry.cpp's table of expected classes, and, when the
//      type needs a source effect or a file to draw, its set-up in
//      tests/test_EffectGLState.cpp (which runs a frame of every row and checks the state
//      it leaves).
#include "demos/EffectList_Test.h"

#include "base/ErrorReport.h"
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

namespace {

template <typename EffectClass>
Effect* make(const std::string& instanceName) {
    return new EffectClass(instanceName);
}

// Type names are matched exactly, byte for byte.
const EffectTypeRow effectTypes[] = {
    {"Blur", make<Blur>},
    {"Clear", make<Clear>},
    {"Fade", make<Fade>},
    {"Flash", make<Flash>},
    {"FramebufferScroll", make<FramebufferScroll>},
    {"GridExp", make<GridExp>},
    {"Image", make<Image>},
    {"ShaderRTT", make<ShaderRTT>},
    {"ShaderDOF", make<ShaderDOF>},
    {"LineDistortion", make<LineDistortion>},
    {"Mosaic", make<Mosaic>},
    {"Noise", make<Noise>},
    {"Osc", make<Oscillo>},
    {"Ripple", make<Ripple>},
    {"RotoZoom", make<RotoZoom>},
    {"Spectrum", make<Spectrum>},
    {"TechnoNoise", make<TechnoNoise>},
    {"Tiles", make<Tiles>},
    {"TypeWriter", make<TypeWriter>},
    {"ViewFPS", make<ViewFPS>},
    {"Scene", make<Effect3D>},
    {nullptr, nullptr},  // end marker
};

}  // namespace

const EffectTypeRow* effectTypeRows(size_t& count) {
    count = sizeof effectTypes / sizeof effectTypes[0] - 1;
    return effectTypes;
}

bool EffectList_Test::createEffect(const std::string& instanceName, const std::string& typeName) {
    for (const EffectTypeRow* row = effectTypes; row->typeName; ++row) {
        if (typeName == row->typeName) {
            appendEffect(row->make(instanceName), row->typeName);
            return true;
        }
    }
    reportErrorText(LUMORA_HERE, "EffectType not found", typeName.c_str(), true);
    return false;
}
