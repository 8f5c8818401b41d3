#pragma once
// The demo's registry: the effect list that knows this demo's effect types by name
// ("Clear", "Image", "Scene", ...). An unknown type name is fatal: "EffectType not found".
// The table of types is in EffectList_Test.cpp.
#include "demoSystem/EffectList.h"

#include <string>

class EffectList_Test : public EffectList {
public:
    bool createEffect(const std::string& instanceName, const std::string& typeName) override;
};

// One row of the registry: a type name and the function that makes that effect.
struct EffectTypeRow {
    const char* typeName;
    Effect* (*make)(const std::string& instanceName);
};

// The rows in table order, and how many there are.
const EffectTypeRow* effectTypeRows(size_t& count);
