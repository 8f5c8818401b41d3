#include "demos/EffectList_Test.h"

#include "base/ErrorReport.h"
#include "effects/Clear.h"
#include "effects/Fade.h"
#include "effects/Flash.h"
#include "effects/Image.h"

namespace {

template <typename EffectClass>
Effect* make(const std::string& instanceName) {
    return new EffectClass(instanceName);
}

// Type names are matched exactly. Each effect adds one row above the end marker (and
// its header at the top of this file):
//     {"TypeName", make<EffectClass>},
// For an effect whose constructor takes more than the instance name, write a small
// function next to make<> instead.
Effect* makeClear(const std::string& instanceName) {
    return new Clear(instanceName, 0, 0, 0, 1);  // opaque black
}

const EffectTypeRow effectTypes[] = {
    {"Clear", makeClear},
    {"Fade", make<Fade>},
    {"Flash", make<Flash>},
    {"Image", make<Image>},
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
