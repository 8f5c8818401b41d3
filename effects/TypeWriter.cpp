#include "effects/TypeWriter.h"

#include "base/ErrorReport.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "effects/KeptDepthAndCulling.h"
#include "resources/Texture.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

namespace {
Texture* loadPicture(const std::string& fileName) {
    return TextureCache::instance().get(fileName, "", GL_TEXTURE_2D, false);
}

// "timerate" as whole milliseconds; script values are untrusted, so no wrap or overflow.
uint32_t wholeMilliseconds(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 4294967295.0f) return 4294967295u;
    return uint32_t(value);
}

void vertex(float u, float v, float x, float y, const float colour[4]) {
    glColor4fv(colour);
    glTexCoord2f(u, v);
    glVertex2f(x, y);
}
}  // namespace

TypeWriter::TypeWriter(const std::string& instanceName) : Effect(instanceName) {
    tint.registerWith(*this);
    registerVariable(datafile, "Datafile", listKindNames0, typeKindChoice);
    registerVariable(blendSourceAgain, "BlendSrc", listKindPlain, typeKindChoice);
    registerVariable(blendDestinationAgain, "BlendDst", listKindPlain, typeKindChoice);
    registerVariable(blendEquationAgain, "BlendEquation", listKindPlain, typeKindChoice);
    registerVariable(timerate, "timerate", listKindPlain, typeKindFloat);
    registerVariable(cursorStart, "lstartx", listKindPlain, typeKindFloat);
    registerVariable(cursorEnd, "lendx", listKindPlain, typeKindFloat);
    registerVariable(maxValue, "maxvalue", listKindPlain, typeKindFloat);
}

void TypeWriter::start(uint32_t t) {
    Effect::start(t);
    placement.reset();
    lastStep = t;
    fade = 0.0f;
    done = false;
    reveal = 0.55f;
}

void TypeWriter::onListEntryAdded(int32_t listKind, const std::string& text, uint32_t newCount) {
    if (listKind != listKindNames0) return;
    texture = loadPicture(text);
    datafile.count = newCount;
}

bool TypeWriter::advanceTyping(uint32_t t, uint32_t interval) {
    const int64_t sinceLastStep = int32_t(t - lastStep);
    if (int64_t(interval) >= sinceLastStep) return false;
    lastStep = 2 * t - lastStep - interval;
    reveal += step;
    if (reveal >= 1.0f) done = true;
    return true;
}

float TypeWriter::greyLevel(uint32_t t) const {
    if (!done) return maxValue.valueAt(t);
    return float(int32_t(t - lastStep)) * 0.00001f + 0.9f;
}

void TypeWriter::render(uint32_t t) {
    KeptDepthAndCulling keep;
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glColor4f(1, 1, 1, 1);
    checkGLError(LUMORA_HERE);

    setOrthoUnit();
    placement.apply(animatedTime());

    const float h = greyLevel(t);
    fade = std::min(fade + speedScale() * 0.1f, h);
    const float edge[4] = {h, h, h, fade};
    const float body[4] = {h, h, h, h};

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    advanceTyping(t, wholeMilliseconds(timerate.valueAt(t)));

    // The revealed part of the picture, its texture cut as its quad: texture (0, 0) at
    // the top-left corner, the newest column on the right.
    if (texture) {
        texture->bind();
        glEnable(GL_TEXTURE_2D);
    }
    glBegin(GL_QUADS);
    vertex(0, 0, 0, 1, body);
    vertex(reveal, 0, reveal, 1, edge);
    vertex(reveal, 1, reveal, 0, edge);
    vertex(0, 1, 0, 0, body);
    glEnd();
    glDisable(GL_TEXTURE_2D);

    glColor4f(0.7f, 0.7f, 0.7f, 0.7f);
    if (cursorStart.valueAt(t) < reveal && reveal < cursorEnd.valueAt(t)) {
        glBegin(GL_LINES);
        glVertex2f(reveal, cursorY0);
        glVertex2f(reveal, cursorY1);
        glEnd();
    }

    glDisable(GL_BLEND);
    restoreDefaultBlend();
    glColor4f(1, 1, 1, 1);
}

void TypeWriter::handleEvent(const DemoEvent& event) {
    Effect::handleEvent(event);
    if (placement.handleEvent(event)) return;
    switch (event.id) {
        case eventImageFile: texture = loadPicture(event.text); break;
        case eventImageAlphaFactor: alphaFactor = event.value; break;
        case eventImageAlpha: tint.alpha.current = event.value; break;
        case eventTypeWriterCursorTop: cursorY0 = event.value; break;
        case eventTypeWriterCursorBottom: cursorY1 = event.value; break;
        case eventTypeWriterStep: step = event.value; break;
        default: break;  // 5, 13 and 14 among them: nothing drawn depends on them
    }
}
