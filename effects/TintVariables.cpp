#include "effects/TintVariables.h"

#include "demoSystem/Effect.h"

#include <epoxy/gl.h>

void TintVariables::registerWith(Effect& owner) {
    owner.registerVariable(red, "Red", listKindPlain, typeKindFloat);
    owner.registerVariable(green, "Green", listKindPlain, typeKindFloat);
    owner.registerVariable(blue, "Blue", listKindPlain, typeKindFloat);
    owner.registerVariable(alpha, "Alpha", listKindPlain, typeKindFloat);
}

void TintVariables::apply(uint32_t t) const {
    glColor4f(red.valueAt(t), green.valueAt(t), blue.valueAt(t), alpha.valueAt(t));
}
