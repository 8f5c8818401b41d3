#include "effects/Mosaic.h"

#include "effects/Drawing2D.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace {

void initTarget(RenderTarget& target, const std::string& name, int32_t side) {
    target.init(name, side, side, RenderTarget::withDepth);
    target.setTextureParameter(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    target.setTextureParameter(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace

Mosaic::Mosaic(const std::string& instanceName) : ImageFilter(instanceName) {
    tint.registerWith(*this);
    registerVariable(saturation, "Saturation", listKindPlain, typeKindFloat);
    registerVariable(preSaturation, "PreSaturation", listKindPlain, typeKindFloat);
    registerVariable(zoomCenter, "ZoomCenter", listKindPlain, typeKindBool);
    initTarget(hires, instanceName + "_hires", 256);
    initTarget(lowres, instanceName + "_lowres", mosaicSize);
}

float Mosaic::zoomAt(float T) {
    return std::min(1.0f / mosaicSize + T * 0.01f, 0.97f);
}

void Mosaic::brighten(int n) {
    // The quads lie at one depth: with the depth test on, each would fail against the
    // one before it in a target with depth, and the picture would depend on the state
    // the source left.
    const bool depthTest = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 1, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ONE);  // colour + colour x white: each quad doubles it
    glDisable(GL_TEXTURE_2D);
    int last = 1;
    for (int b = 2; b <= n; b *= 2) {
        glColor4f(1, 1, 1, 1);
        drawScreenQuad();
        last = b;
    }
    glColor4f(1, 1, 1, float(n - last) / float(last));
    drawScreenQuad();
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glColor4f(1, 1, 1, 1);
    if (depthTest) glEnable(GL_DEPTH_TEST);
}

void Mosaic::updateFromSource(uint32_t t) {
    captureSource(hires, t);
    hires.bind();  // still at the target's viewport
    brighten(2);
    hires.unbind();
    captureSource(lowres, t);
}

void Mosaic::render(uint32_t t) {
    const float N = mosaicSize;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 1, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, lowres.colorTextureName());

    // The blocks: the low-resolution copy zoomed through the texture matrix.
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    const bool centred = zoomCenter.isOn(t);
    if (centred) glTranslatef(0.5f / N + 0.5f, 0.5f / N + 0.5f, 0);
    const float d = zoomAt(animatedTime());
    glScalef(d, d, 1);
    if (centred) glTranslatef(-0.5f, -0.5f, 0);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_BLEND);
    drawScreenQuad();
    brighten(truncateToInt32(saturation.valueAt(t) * 10));
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();

    // One copy of the whole picture over every block.
    glBindTexture(GL_TEXTURE_2D, hires.colorTextureName());
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    if (centred) glTranslatef(0.5f, 0.5f, 0);
    glScalef(N * d, N * d, 1);
    if (centred) glTranslatef(-0.5f, -0.5f, 0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    drawScreenQuad();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glColor4f(1, 1, 1, 1);
}
