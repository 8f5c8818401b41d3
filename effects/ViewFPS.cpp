#include "effects/ViewFPS.h"

#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "effects/FrameCounter.h"

#include <epoxy/gl.h>

#include <algorithm>

ViewFPS::ViewFPS(const std::string& instanceName) : ViewFPS(instanceName, FrameCounter::program()) {}

ViewFPS::ViewFPS(const std::string& instanceName, FrameCounter& frameCounter)
    : Effect(instanceName), counter(frameCounter) {
    tint.registerWith(*this);
}

void ViewFPS::start(uint32_t) {
    counter.open(100, false, "lv_profiling.txt");
}

void ViewFPS::update(uint32_t) {
    counter.tick();
}

float ViewFPS::framesPerSecond(uint32_t readingMs, uint32_t lastReadingMs) {
    const uint32_t betweenMs = readingMs - lastReadingMs;
    // Two bars within one millisecond: a rate beyond the bar's top, not a division by 0.
    if (betweenMs == 0) return 100.0f;
    return std::min(float(1.0 / (betweenMs * 0.001)), 100.0f);
}

void ViewFPS::render(uint32_t t) {
    setOrthoUnit();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    tint.apply(t);
    glDisable(GL_TEXTURE_2D);

    const uint32_t reading = counter.elapsedMs();
    const float fps = framesPerSecond(reading, counter.lastShownMs);
    counter.lastShownMs = reading;

    glBegin(GL_LINES);
    glVertex2f(0.95f, 0.0f);
    glVertex2f(0.95f, fps * 0.01f);
    glEnd();

    glDisable(GL_BLEND);
    restoreDefaultBlend();
    glColor4f(1, 1, 1, 1);
}
