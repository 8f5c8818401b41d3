#include "effects/Drawing2D.h"

#include "effects/EffectBlend.h"
#include "resources/Texture.h"

#include <epoxy/gl.h>

void setOrthoUnit() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void setOrthoUnitFlipped() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 1, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void drawQuadTex(const QuadRect& rect, const QuadRect& tex) {
    const float left = rect.x;
    const float right = rect.x + rect.width;
    const float top = 1 - rect.y;
    const float bottom = 1 - (rect.y + rect.height);
    glBegin(GL_QUADS);
    glTexCoord2f(tex.x, tex.y);
    glVertex2f(left, top);
    glTexCoord2f(tex.x + tex.width, tex.y);
    glVertex2f(right, top);
    glTexCoord2f(tex.x + tex.width, tex.y + tex.height);
    glVertex2f(right, bottom);
    glTexCoord2f(tex.x, tex.y + tex.height);
    glVertex2f(left, bottom);
    glEnd();
}

void drawQuad(const QuadRect& rect) {
    drawQuadTex(rect, QuadRect{0, 0, 1, 1});
}

namespace {
// Returns whether it enabled texturing, so that the caller disables it again.
bool bindForDraw(const Texture* texture) {
    if (!texture) return false;
    texture->bind();
    glEnable(GL_TEXTURE_2D);
    return true;
}
}  // namespace

void drawTexturedQuad(const Texture* texture, const QuadRect& rect) {
    bool enabled = bindForDraw(texture);
    drawQuad(rect);
    if (enabled) glDisable(GL_TEXTURE_2D);
}

void drawTexturedQuadTex(const Texture* texture, const QuadRect& rect, const QuadRect& tex) {
    bool enabled = bindForDraw(texture);
    drawQuadTex(rect, tex);
    if (enabled) glDisable(GL_TEXTURE_2D);
}

void drawQuadMultiTex(const QuadRect& rect, const QuadRect& tex) {
    const float left = rect.x;
    const float right = rect.x + rect.width;
    const float top = 1 - rect.y;
    const float bottom = 1 - (rect.y + rect.height);
    const float corners[4][4] = {
        {left, top, tex.x, tex.y},
        {right, top, tex.x + tex.width, tex.y},
        {right, bottom, tex.x + tex.width, tex.y + tex.height},
        {left, bottom, tex.x, tex.y + tex.height},
    };
    glBegin(GL_QUADS);
    for (const auto& corner : corners) {
        glMultiTexCoord2fARB(GL_TEXTURE0_ARB, corner[2], corner[3]);
        glMultiTexCoord2fARB(GL_TEXTURE1_ARB, corner[2], corner[3]);
        glVertex2f(corner[0], corner[1]);
    }
    glEnd();
}

void drawScreenQuad() {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 1);
    glTexCoord2f(1, 0);
    glVertex2f(1, 1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 0);
    glTexCoord2f(0, 1);
    glVertex2f(0, 0);
    glEnd();
}

void beginOverlay() {
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
}

void endOverlay() {
    glColor4f(1, 1, 1, 1);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    // Effects set their own blend factors for an overlay (Fade, Flash); the next one
    // finds the default again.
    restoreDefaultBlend();
}
