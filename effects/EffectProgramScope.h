#pragma once
// The fragment program an effect received through event 36 (its `program`), bound for the
// length of one draw. FramebufferScroll and LineDistortion hand it their Factor0..Factor3
// as its "factors"; Noise binds it without a parameter. Without a program the scope does
// nothing and the effect draws with fixed function. When the scope ends the program's
// stage is empty again, so no program pipeline stays bound for the next effect.
#include <cstdint>

class Effect;
class FragmentProgram;

class EffectProgramScope {
public:
    enum Factors { withoutFactors, withFactors };

    // t: the frame's time, at which Factor0..3 are read.
    EffectProgramScope(const Effect& effect, uint32_t t, Factors factors);
    ~EffectProgramScope();
    EffectProgramScope(const EffectProgramScope&) = delete;
    EffectProgramScope& operator=(const EffectProgramScope&) = delete;

private:
    FragmentProgram* bound;
};
