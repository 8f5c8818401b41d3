#pragma once
// The tint most effects register: four float variables "Red", "Green", "Blue" and
// "Alpha" (0..1), registered in that order right after the base variables, each effect
// with its own defaults. An effect that tints its drawing hands the four values at the
// frame's time to glColor4f through apply(); one that reads them otherwise (a clear
// colour, a veil whose alpha comes from the clock) reads the members.
#include "demoSystem/FloatVariable.h"

#include <cstdint>

class Effect;

struct TintVariables {
    TintVariables(float redValue, float greenValue, float blueValue, float alphaValue)
        : red(redValue), green(greenValue), blue(blueValue), alpha(alphaValue) {}
    TintVariables(const TintVariables&) = delete;
    TintVariables& operator=(const TintVariables&) = delete;

    // Registers the four variables with the effect that holds them (list kind 10000).
    void registerWith(Effect& owner);
    // glColor4f of the four values at t.
    void apply(uint32_t t) const;

    FloatVariable red;
    FloatVariable green;
    FloatVariable blue;
    FloatVariable alpha;
};
