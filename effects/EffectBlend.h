#pragma once
// The effect blend: effects that honour the base variables "BlendSrc", "BlendDst" and
// "BlendEquation" draw inside an EffectBlendScope. It applies the factors and equation
// the base update resolved for this frame and checks for a GL error in the caller's
// name; when it ends, the blend function and equation are the defaults again
// (GL_ONE, GL_ZERO, GL_FUNC_ADD), as every later effect expects. Whether blending is
// enabled is the caller's business (the overlay preamble turns it on).
//
// Effects described as setting a blend of their own (Fade, Flash, ...) call glBlendFunc
// themselves and do not use this scope.
class Effect;

class EffectBlendScope {
public:
    EffectBlendScope(const Effect& effect, const char* file, int line);
    ~EffectBlendScope();
    EffectBlendScope(const EffectBlendScope&) = delete;
    EffectBlendScope& operator=(const EffectBlendScope&) = delete;
};

// The default blend function and equation: GL_ONE, GL_ZERO and GL_FUNC_ADD.
void restoreDefaultBlend();
