#pragma once
// "Flash": a white full-screen flash at every step of the effect's beat pattern, decaying
// exponentially with the animated time until the next step. A '0' in the pattern is a
// step without a flash.
#include "demoSystem/Effect.h"

class Flash : public Effect {
public:
    explicit Flash(const std::string& instanceName);
    void onPatternStep(float animatedTime) override;
    void render(uint32_t t) override;

    // The flash's intensity at animated time T after a step at stepTime: 1 at the step.
    static float intensity(float animatedTime, float stepTime);

    BoolVariable add{true};     // "Add": additive (GL_ONE, GL_ONE) instead of alpha blending
    BoolVariable repeat{true};  // "Repeat": accepted for scripts; drawing ignores it
    float stepTime = 0.0f;      // animated time at the last pattern step
};
