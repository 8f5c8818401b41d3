#pragma once
// The effect blend: effects that honour the base variables "BlendSrc", "BlendDst" and
// "BlendEquation" apply the factors and equation the base update resolved when they draw,
// and put the equation back to GL_FUNC_ADD afterwards.
class Effect;

// glBlendFunc and glBlendEquation from the effect's resolved values, then a GL error check
// in the caller's name.
void applyEffectBlend(const Effect& effect, const char* file, int line);
void resetBlendEquation();
