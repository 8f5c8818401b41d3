#include "effects/Fade.h"

#include "effects/Drawing2D.h"

#include <epoxy/gl.h>

#include <cmath>

Fade::Fade(const std::string& instanceName) : Effect(instanceName) {
    tint.registerWith(*this);
}

void Fade::start(uint32_t t) {
    Effect::start(t);
    blendOver = false;
}

void Fade::render(uint32_t t) {
    float veil = animatedTime();
    if (reverse) veil = 1.0f - veil;
    if (veil < 0.0f) return;
    glBlendFunc(GL_SRC_ALPHA, (blendOver || reverse) ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
    glColor4f(tint.red.valueAt(t), tint.green.valueAt(t), tint.blue.valueAt(t), veil);
    setOrthoUnit();
    beginOverlay();
    drawTexturedQuad(nullptr, QuadRect{0, 0, 1, 1});
    endOverlay();
}

void Fade::handleEvent(const DemoEvent& event) {
    Effect::handleEvent(event);
    switch (event.id) {
        case eventFadeDuration:
            // Speed is not held to 0..1 here: it sets how fast T reaches 1.
            if (std::fabs(event.value) > 0.0001f) setSpeedValue(1.0f / event.value);
            break;
        case eventFadeReverse:
            reverse = event.value > 0;
            break;
        case eventFadeBlendOver:
            blendOver = event.value > 0;
            break;
        default:
            break;
    }
}
