#include "effects/FramebufferScroll.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "effects/EffectProgramScope.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

RenderTarget& FramebufferScroll::captureTarget() {
    static RenderTarget shared;
    return shared;
}

FramebufferScroll::FramebufferScroll(const std::string& instanceName) : ImageFilter(instanceName) {
    registerVariable(factorX, "FactorX", listKindPlain, typeKindFloat);
    registerVariable(factorY, "FactorY", listKindPlain, typeKindFloat);
    tint.registerWith(*this);
    RenderTarget& target = captureTarget();
    target.init(instanceName + "_1", 512, 512, RenderTarget::withDepth | RenderTarget::rgbaColor);
    target.setTextureParameter(GL_TEXTURE_WRAP_S, GL_REPEAT);
    target.setTextureParameter(GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void FramebufferScroll::updateFromSource(uint32_t t) {
    captureSource(captureTarget(), t);
}

void FramebufferScroll::render(uint32_t t) {
    if (!source) return;
    const float T = animatedTime();
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    {
        EffectBlendScope blend(*this, LUMORA_HERE);
        setOrthoUnitFlipped();
        tint.apply(t);
        const QuadRect offset{factorX.valueAt(t) * T, factorY.valueAt(t) * T, 1, 1};

        glActiveTexture(GL_TEXTURE0);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, captureTarget().colorTextureName());
        EffectProgramScope shading(*this, t, EffectProgramScope::withFactors);
        if (overlay) {
            glActiveTexture(GL_TEXTURE1);
            overlay->bind();
            glEnable(GL_TEXTURE_2D);
            drawQuadMultiTex(QuadRect{0, 0, 1, 1}, offset);
            glDisable(GL_TEXTURE_2D);
            glActiveTexture(GL_TEXTURE0);
        } else {
            drawQuadTex(QuadRect{0, 0, 1, 1}, offset);
        }
        glDisable(GL_TEXTURE_2D);
    }
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_BLEND);
}

void FramebufferScroll::handleEvent(const DemoEvent& event) {
    ImageFilter::handleEvent(event);
    if (event.id == eventScrollOverlay) {
        overlay = TextureCache::instance().get(event.text, "", GL_TEXTURE_2D, false);
    }
}
