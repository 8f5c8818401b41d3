#include "effects/TechnoNoise.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "resources/TextureCache.h"
#include "resources/TextureTools.h"

#include <epoxy/gl.h>

#include <vector>

namespace {

constexpr int32_t lineTextureSide = 512;

Texture* makeLines() {
    Texture* texture =
        TextureCache::instance().getBlank("technonoisetexture", lineTextureSide, lineTextureSide, GL_TEXTURE_2D, GL_RGBA);
    if (texture) texture->setFilter(GL_NEAREST, GL_NEAREST);
    TextureTools::clear(texture);
    std::vector<uint8_t> texels(size_t(lineTextureSide) * lineTextureSide * 4, 0);
    for (int32_t row = 1; row < lineTextureSide; row += 2) {
        std::fill_n(texels.begin() + ptrdiff_t(row) * lineTextureSide * 4, lineTextureSide * 4, uint8_t(0xFF));
    }
    TextureTools::upload(texture, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

const QuadRect wholeSquare{0, 0, 1, 1};

}  // namespace

RenderTarget& TechnoNoise::captureTarget() {
    static RenderTarget shared;
    return shared;
}

RenderTarget& TechnoNoise::linesTarget() {
    static RenderTarget shared;
    return shared;
}

TechnoNoise::TechnoNoise(const std::string& instanceName) : ImageFilter(instanceName) {
    tint.registerWith(*this);
    registerVariable(scaleSizeX, "ScaleSizeX", listKindPlain, typeKindFloat);
    registerVariable(scaleSizeY, "ScaleSizeY", listKindPlain, typeKindFloat);
    registerVariable(scaleOffsetX, "ScaleOffsetX", listKindPlain, typeKindFloat);
    registerVariable(scaleOffsetY, "ScaleOffsetY", listKindPlain, typeKindFloat);
    registerVariable(scaleAlpha, "ScaleAlpha", listKindPlain, typeKindFloat);
    lines = makeLines();
    RenderTarget& capture = captureTarget();
    capture.init(instanceName + "_1", 512, 512, RenderTarget::withDepth | RenderTarget::rgbaColor);
    capture.setTextureParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    capture.setTextureParameter(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    RenderTarget& lined = linesTarget();
    lined.init(instanceName + "_2", 512, 512, RenderTarget::withDepth);
    lined.setTextureParameter(GL_TEXTURE_WRAP_S, GL_REPEAT);
    lined.setTextureParameter(GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void TechnoNoise::updateFromSource(uint32_t t) {
    captureSource(captureTarget(), t);
    drawLinedCopy();
}

void TechnoNoise::drawLinedCopy() {
    RenderTarget& lined = linesTarget();
    lined.bind();
    glViewport(0, 0, lined.width(), lined.height());
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    setOrthoUnitFlipped();
    glColor4f(1, 1, 1, 1);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, captureTarget().colorTextureName());
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    lines->bind();
    // Both units modulate: capture x lines.
    drawQuadMultiTex(wholeSquare, wholeSquare);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColor4f(1, 1, 1, 1);
    lined.unbind();
}

void TechnoNoise::render(uint32_t t) {
    if (!source) return;
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    {
        EffectBlendScope blend(*this, LUMORA_HERE);
        setOrthoUnitFlipped();
        tint.apply(t);
        glActiveTexture(GL_TEXTURE0);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, captureTarget().colorTextureName());
        drawQuadTex(wholeSquare, wholeSquare);

        glBlendFunc(GL_ONE, GL_ONE);
        const float offsetX = scaleOffsetX.valueAt(t);
        const float offsetY = scaleOffsetY.valueAt(t);
        glTranslatef(offsetX, offsetY, 0);
        glScalef(scaleSizeX.valueAt(t), scaleSizeY.valueAt(t), 1);
        glTranslatef(-offsetX, -offsetY, 0);
        const float a = scaleAlpha.valueAt(t);
        glColor4f(a, a, a, a);
        glBindTexture(GL_TEXTURE_2D, linesTarget().colorTextureName());
        drawQuadTex(wholeSquare, wholeSquare);
        glDisable(GL_TEXTURE_2D);
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColor4f(1, 1, 1, 1);
}
