#include "effects/Blur.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "effects/FilterResult.h"

#include <epoxy/gl.h>

namespace {

constexpr int32_t captureSide = 1024;
constexpr int32_t workingSide = 512;
constexpr int tapsPerPass = 6;

struct BlurTargets {
    RenderTarget capture;  // "_1"
    RenderTarget second;   // "_2"
    RenderTarget third;    // "_3"
    RenderTarget fourth;   // "_4"
};

BlurTargets& sharedTargets() {
    static BlurTargets targets;
    return targets;
}

// The target's picture upright over (0, 0)..(side, side) under glOrtho(0, side, side, 0).
void drawPixelQuad(float side) {
    glPushMatrix();
    glScalef(side, side, 1);
    drawScreenQuad();
    glPopMatrix();
}

// taps shifted copies of src, `step` pixels apart and centred (the first one `offset`
// pixels off), added into dst in the colour `weight`: horizontally unless onlyY,
// vertically unless onlyX, both into the same target.
void blurPass(const RenderTarget& src, RenderTarget& dst, float step, float offset, float weight, bool onlyX,
              bool onlyY) {
    dst.bind();
    bindColorTexture(src);
    glEnable(GL_TEXTURE_2D);
    // The clear colour is whatever the source last set (a Clear source leaves its own);
    // the taps add onto it, so it must be black.
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    const float side = float(dst.width());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, side, side, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor4f(weight, weight, weight, weight);
    if (!onlyY) {
        glPushMatrix();
        glTranslatef(-offset, 0, 0);
        for (int tap = 0; tap < tapsPerPass; ++tap) {
            drawPixelQuad(side);
            glTranslatef(step, 0, 0);
        }
        glPopMatrix();
    }
    if (!onlyX) {
        glPushMatrix();
        glTranslatef(0, -offset, 0);
        for (int tap = 0; tap < tapsPerPass; ++tap) {
            drawPixelQuad(side);
            glTranslatef(0, step, 0);
        }
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    restoreDefaultBlend();
    glColor4f(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    dst.unbind();
}

// Contrast: src copied into dst, then `subtract` taken off by a reverse-subtract blend,
// then, when multiply > 0, dst multiplied up by four (GL_DST_COLOR, GL_ONE) draws.
void subtractMultiply(const RenderTarget& src, RenderTarget& dst, float subtract, float multiply) {
    // Culling comes back as found: switched on, it would cull the next capture's quads.
    const bool culling = glIsEnabled(GL_CULL_FACE);
    dst.bind();
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    setOrthoUnitFlipped();
    glEnable(GL_TEXTURE_2D);
    bindColorTexture(src);
    drawScreenQuad();
    glColor4f(subtract, subtract, subtract, subtract);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
    drawScreenQuad();
    glBlendEquation(GL_FUNC_ADD);
    if (multiply > 0) {
        glBlendFunc(GL_DST_COLOR, GL_ONE);
        glColor4f(multiply, multiply, multiply, multiply);
        for (int draw = 0; draw < 4; ++draw) drawScreenQuad();
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    restoreDefaultBlend();
    glColor4f(1, 1, 1, 1);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    if (culling) glEnable(GL_CULL_FACE);
    dst.unbind();
}

}  // namespace

RenderTarget& Blur::target(int suffix) {
    BlurTargets& targets = sharedTargets();
    switch (suffix) {
        case 1: return targets.capture;
        case 2: return targets.second;
        case 3: return targets.third;
        case 4: return targets.fourth;
        default: break;
    }
    reportError(LUMORA_HERE, "Blur has no such target", true);
    return targets.capture;
}

Blur::Blur(const std::string& instanceName) : ImageFilter(instanceName) {
    registerVariable(doBlur, "DoBlur", listKindPlain, typeKindBool);
    registerVariable(doMulSub, "DoMulSub", listKindPlain, typeKindBool);
    registerVariable(doGlow, "DoGlow", listKindPlain, typeKindBool);
    registerVariable(blurAmount, "BlurAmount", listKindPlain, typeKindChoice);
    registerVariable(blurOnlyX, "BlurOnlyX", listKindPlain, typeKindBool);
    registerVariable(blurOnlyY, "BlurOnlyY", listKindPlain, typeKindBool);
    registerVariable(subtract, "Subtract", listKindPlain, typeKindFloat);
    registerVariable(multiply, "Multiply", listKindPlain, typeKindFloat);
    registerVariable(blurFactor, "BlurFactor", listKindPlain, typeKindFloat);
    registerVariable(glowStrength, "GlowStrength", listKindPlain, typeKindFloat);

    BlurTargets& targets = sharedTargets();
    targets.capture.init(name() + "_1", captureSide, captureSide, RenderTarget::withDepth);
    targets.second.init(name() + "_2", workingSide, workingSide, 0);
    targets.third.init(name() + "_3", workingSide, workingSide, 0);
    targets.fourth.init(name() + "_4", workingSide, workingSide, 0);
}

void Blur::updateFromSource(uint32_t t) {
    BlurTargets& targets = sharedTargets();
    captureSource(targets.capture, t);
    glViewport(0, 0, targets.fourth.width(), targets.fourth.height());
    glowOn = doGlow.valueAt(t) != 0;
    const bool blurOn = doBlur.valueAt(t) != 0;
    const bool contrastOn = doMulSub.valueAt(t) != 0;
    result = nullptr;

    RenderTarget* picture = &targets.capture;
    if (contrastOn) {
        subtractMultiply(targets.capture, targets.fourth, subtract.valueAt(t), multiply.valueAt(t));
        picture = &targets.fourth;
        result = &targets.fourth;
    }
    if (blurOn) {
        // BlurAmount is read as stored: a script writes it normalised (1/3 per pass).
        const int extraPasses = int(blurAmount.valueAt(t));
        const bool onlyX = blurOnlyX.valueAt(t) != 0;
        const bool onlyY = blurOnlyY.valueAt(t) != 0;
        const float strength = blurFactor.valueAt(t) * (2 * spectrumLevel() + 1) * 2;
        const float weight = strength / ((onlyX || onlyY) ? 6.0f : 12.0f);
        struct Pass {
            RenderTarget* from;
            RenderTarget* to;
            float step;
            float offset;
        };
        const Pass passes[] = {
            {picture, &targets.second, 1.0f, 2.5f},
            {&targets.second, &targets.third, 3.0f, 6.5f},
            {&targets.third, &targets.fourth, 5.0f, 12.5f},
            {&targets.fourth, &targets.second, 7.0f, 17.5f},
        };
        for (int pass = 0; pass < 4 && pass <= extraPasses; ++pass) {
            blurPass(*passes[pass].from, *passes[pass].to, passes[pass].step, passes[pass].offset, weight, onlyX,
                     onlyY);
            result = passes[pass].to;
        }
    }
}

void Blur::render(uint32_t t) {
    if (!source) return;
    BlurTargets& targets = sharedTargets();
    // With neither blur nor contrast this frame, the unfiltered capture.
    drawFilterResult(targets.capture, result ? *result : targets.capture, glowOn, glowStrength.valueAt(t), 1);
}
