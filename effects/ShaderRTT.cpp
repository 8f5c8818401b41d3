#include "effects/ShaderRTT.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "effects/Drawing2D.h"
#include "effects/FilterResult.h"
#include "engine/ShaderManager.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace {

constexpr int32_t captureSide = 1024;
constexpr int32_t lowSide = 128;
constexpr int32_t highSide = 512;
// The event 39 value from which on the high-resolution pair works.
constexpr float highResolutionFrom = 512;

struct ShaderRTTTargets {
    RenderTarget capture;  // "_1"
    RenderTarget lowA;     // "_2"
    RenderTarget lowB;     // "_3"
    RenderTarget highA;    // "_4"
    RenderTarget highB;    // "_5"
    bool high = false;
};

ShaderRTTTargets& sharedTargets() {
    static ShaderRTTTargets targets;
    return targets;
}

// src drawn over all of dst, which is cleared first; a bound program does the filtering.
void copyPass(const RenderTarget& src, RenderTarget& dst) {
    dst.bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    bindColorTexture(src);
    glEnable(GL_TEXTURE_2D);
    setOrthoUnitFlipped();
    glColor4f(1, 1, 1, 1);
    drawScreenQuad();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    dst.unbind();
}

}  // namespace

RenderTarget& ShaderRTT::target(int suffix) {
    ShaderRTTTargets& targets = sharedTargets();
    switch (suffix) {
        case 1: return targets.capture;
        case 2: return targets.lowA;
        case 3: return targets.lowB;
        case 4: return targets.highA;
        case 5: return targets.highB;
        default: break;
    }
    reportError(LUMORA_HERE, "ShaderRTT has no such target", true);
    return targets.capture;
}

bool ShaderRTT::highResolution() {
    return sharedTargets().high;
}

ShaderRTT::ShaderRTT(const std::string& instanceName)
    : ImageFilter(instanceName),
      blurProgram(&ShaderManager::instance().fragmentProgram("data/shaders/fragment_blur.glsl")),
      subMulProgram(&ShaderManager::instance().fragmentProgram("data/shaders/fragment_submul.glsl")) {
    registerVariable(doBlur, "DoBlur", listKindPlain, typeKindBool);
    registerVariable(doMulSub, "DoMulSub", listKindPlain, typeKindBool);
    registerVariable(doGlow, "DoGlow", listKindPlain, typeKindBool);
    registerVariable(subtract, "Subtract", listKindPlain, typeKindFloat);
    registerVariable(multiply, "Multiply", listKindPlain, typeKindFloat);
    registerVariable(blurFactorX, "BlurFactorX", listKindPlain, typeKindFloat);
    registerVariable(blurFactorY, "BlurFactorY", listKindPlain, typeKindFloat);
    registerVariable(numAdditivePasses, "NumAdditivePasses", listKindPlain, typeKindChoice);

    ShaderRTTTargets& targets = sharedTargets();
    const uint32_t rgba = RenderTarget::rgbaColor;
    struct Made {
        RenderTarget& target;
        const char* suffix;
        int32_t side;
        uint32_t flags;
    };
    const Made made[] = {
        {targets.capture, "_1", captureSide, rgba | RenderTarget::withDepth},
        {targets.lowA, "_2", lowSide, rgba},
        {targets.lowB, "_3", lowSide, rgba},
        {targets.highA, "_4", highSide, rgba},
        {targets.highB, "_5", highSide, rgba},
    };
    for (const Made& one : made) {
        one.target.init(name() + one.suffix, one.side, one.side, one.flags);
        // Blur taps near an edge read the edge, not the far side.
        one.target.setTextureParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        one.target.setTextureParameter(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
}

void ShaderRTT::handleEvent(const DemoEvent& event) {
    ImageFilter::handleEvent(event);
    if (event.id == eventShaderRTTResolution) sharedTargets().high = event.value >= highResolutionFrom;
}

void ShaderRTT::updateFromSource(uint32_t t) {
    ShaderRTTTargets& targets = sharedTargets();
    RenderTarget& a = targets.high ? targets.highA : targets.lowA;
    RenderTarget& b = targets.high ? targets.highB : targets.lowB;
    captureSource(targets.capture, t);
    glowOn = doGlow.valueAt(t) != 0;
    const bool blurOn = doBlur.valueAt(t) != 0;
    const bool contrastOn = doMulSub.valueAt(t) != 0;
    // Neither pass: B holds an earlier frame, so the capture is shown instead.
    result = (blurOn || contrastOn) ? &b : &targets.capture;
    glViewport(0, 0, a.width(), a.height());

    const RenderTarget* picture = &targets.capture;
    if (contrastOn) {
        subMulProgram->bind();
        subMulProgram->setFactors(subtract.valueAt(t), multiply.valueAt(t) * 10, 0, 0);
        copyPass(targets.capture, b);
        subMulProgram->unbind();
        picture = &b;
    }
    if (blurOn) {
        blurProgram->bind();
        const float side = float(a.width());
        const float scale = float(captureSide / a.width());
        const float x = 2 * blurFactorX.valueAt(t) / scale / side;
        const float y = 2 * blurFactorY.valueAt(t) / scale / side;
        const float offsets[5] = {0.5f, 1.5f, 3.5f, 7.5f, 15.5f};
        for (int stage = 0; stage < 4; ++stage) {
            blurProgram->setFactors(offsets[stage] * x, offsets[stage] * y, offsets[stage + 1] * x,
                                    offsets[stage + 1] * y);
            copyPass(stage == 0 ? *picture : b, a);
            copyPass(a, b);
        }
        blurProgram->unbind();
    }
}

void ShaderRTT::render(uint32_t t) {
    if (!source || !result) return;
    const int extraDraws = std::clamp(int(numAdditivePasses.valueAt(t)), 0, int(numAdditivePasses.count) - 1);
    drawFilterResult(sharedTargets().capture, *result, glowOn, 1.0f, extraDraws + 1);
}
