#include "effects/ShaderDOF.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "effects/Drawing2D.h"
#include "effects/FilterResult.h"
#include "engine/SceneDepthTarget.h"
#include "engine/ShaderManager.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace {

constexpr int32_t captureSide = 1024;
constexpr int32_t workingSide = 512;
// More draws of one picture add nothing visible; a script value beyond this is a typo.
constexpr int maximumDraws = 64;

struct ShaderDOFTargets {
    RenderTarget capture;  // "_1"
    RenderTarget first;    // "_4"
    RenderTarget second;   // "_5"
};

ShaderDOFTargets& sharedTargets() {
    static ShaderDOFTargets targets;
    return targets;
}

// src over all of dst, not cleared first: the program covers every pixel.
void drawInto(const RenderTarget& src, RenderTarget& dst) {
    dst.bind();
    bindColorTexture(src);
    drawScreenQuad();
    dst.unbind();
}

}  // namespace

RenderTarget& ShaderDOF::target(int suffix) {
    ShaderDOFTargets& targets = sharedTargets();
    switch (suffix) {
        case 1: return targets.capture;
        case 4: return targets.first;
        case 5: return targets.second;
        default: break;
    }
    reportError(LUMORA_HERE, "ShaderDOF has no such target", true);
    return targets.capture;
}

ShaderDOF::ShaderDOF(const std::string& instanceName)
    : ImageFilter(instanceName),
      dofProgram(&ShaderManager::instance().fragmentProgram("data/shaders/fragment_dof.glsl")) {
    registerVariable(doBlur, "DoBlur", listKindPlain, typeKindBool);
    registerVariable(doGlow, "DoGlow", listKindPlain, typeKindBool);
    registerVariable(blurFactorX, "BlurFactorX", listKindPlain, typeKindFloat);
    registerVariable(blurFactorY, "BlurFactorY", listKindPlain, typeKindFloat);
    // An integer: registered as a number, so the script's value is stored as written.
    registerVariable(numAdditivePasses, "NumAdditivePasses", listKindPlain, typeKindFloat);

    ShaderDOFTargets& targets = sharedTargets();
    const uint32_t rgba = RenderTarget::rgbaColor;
    targets.capture.init(name() + "_1", captureSide, captureSide, rgba | RenderTarget::withDepth);
    targets.first.init(name() + "_4", workingSide, workingSide, rgba);
    targets.second.init(name() + "_5", workingSide, workingSide, rgba);
    for (RenderTarget* made : {&targets.capture, &targets.first, &targets.second}) {
        made->setTextureParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        made->setTextureParameter(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
}

void ShaderDOF::updateFromSource(uint32_t t) {
    ShaderDOFTargets& targets = sharedTargets();
    captureSource(targets.capture, t);
    glowOn = doGlow.valueAt(t) != 0;
    const bool blurOn = doBlur.valueAt(t) != 0;
    // Without the blur "_5" holds an earlier frame, so the capture is shown instead.
    result = blurOn ? &targets.second : &targets.capture;
    glViewport(0, 0, targets.first.width(), targets.first.height());
    if (!blurOn) return;

    const RenderTarget& depthInformation = sceneDepthTarget();
    dofProgram->bind();
    glActiveTexture(GL_TEXTURE1);
    bindColorTexture(depthInformation);
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    setOrthoUnitFlipped();
    glColor4f(1, 1, 1, 1);
    const float side = float(targets.first.width());
    const float x = blurFactorX.valueAt(t) / side;
    const float y = blurFactorY.valueAt(t) / side;
    const float offsets[5] = {0.5f, 1.5f, 3.5f, 7.5f, 15.5f};
    for (int stage = 0; stage < 4; ++stage) {
        dofProgram->setFactors(offsets[stage] * x, offsets[stage] * y, offsets[stage + 1] * x,
                               offsets[stage + 1] * y);
        drawInto(stage == 0 ? targets.capture : targets.second, targets.first);
        drawInto(targets.first, targets.second);
    }
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    dofProgram->unbind();
}

void ShaderDOF::render(uint32_t t) {
    if (!source || !result) return;
    const int draws = std::clamp(int(numAdditivePasses.valueAt(t)), 0, maximumDraws);
    drawFilterResult(sharedTargets().capture, *result, glowOn, 1.0f, draws);
}
