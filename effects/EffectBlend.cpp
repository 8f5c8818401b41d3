#include "effects/EffectBlend.h"

#include "base/ErrorReport.h"
#include "demoSystem/Effect.h"

#include <epoxy/gl.h>

EffectBlendScope::EffectBlendScope(const Effect& effect, const char* file, int line) {
    glBlendFunc(effect.blendSourceFactor(), effect.blendDestinationFactor());
    glBlendEquation(effect.blendEquationMode());
    checkGLError(file, line);
}

EffectBlendScope::~EffectBlendScope() {
    restoreDefaultBlend();
}

void restoreDefaultBlend() {
    glBlendFunc(GL_ONE, GL_ZERO);
    glBlendEquation(GL_FUNC_ADD);
}
