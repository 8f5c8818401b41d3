#include "effects/Flash.h"

#include "effects/Drawing2D.h"

#include <epoxy/gl.h>

#include <cmath>

Flash::Flash(const std::string& instanceName) : Effect(instanceName) {
    registerVariable(add, "Add", listKindPlain, typeKindBool);
    registerVariable(repeat, "Repeat", listKindPlain, typeKindBool);
    setPatternEnabled(true);
}

void Flash::onPatternStep(float animatedTimeAtStep) {
    stepTime = animatedTimeAtStep;
}

float Flash::intensity(float animatedTimeNow, float stepTimeThen) {
    // The decay runs on a 0..255 ramp truncated to whole steps.
    const int32_t ramp = 255 - truncateToInt32(double(animatedTimeNow - stepTimeThen) * 255.0);
    return float(std::exp(ramp / 255.0) / std::exp(1.0));
}

void Flash::render(uint32_t t) {
    if (patternValue() == '0') return;
    const float e = intensity(animatedTime(), stepTime);
    if (e < 0.0f) return;
    if (add.valueAt(t) != 0.0f) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glColor4f(e, e, e, e);
    setOrthoUnit();
    beginOverlay();
    drawTexturedQuad(nullptr, QuadRect{0, 0, 1, 1});
    endOverlay();
}
