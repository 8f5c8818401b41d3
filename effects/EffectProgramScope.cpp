#include "effects/EffectProgramScope.h"

#include "demoSystem/Effect.h"
#include "engine/FragmentProgram.h"

EffectProgramScope::EffectProgramScope(const Effect& effect, uint32_t t, Factors factors) : bound(effect.program) {
    if (!bound) return;
    bound->bind();
    if (factors == withFactors) {
        bound->setFactors(effect.factor0.valueAt(t), effect.factor1.valueAt(t), effect.factor2.valueAt(t),
                          effect.factor3.valueAt(t));
    }
}

EffectProgramScope::~EffectProgramScope() {
    if (bound) bound->unbind();
}
