#include "effects/EffectBlend.h"

#include "base/ErrorReport.h"
#include "demoSystem/Effect.h"

#include <epoxy/gl.h>

void applyEffectBlend(const Effect& effect, const char* file, int line) {
    glBlendFunc(effect.blendSourceFactor(), effect.blendDestinationFactor());
    glBlendEquation(effect.blendEquationMode());
    checkGLError(file, line);
}

void resetBlendEquation() {
    glBlendEquation(GL_FUNC_ADD);
}
