#include "effects/FilterResult.h"

#include "base/RenderTarget.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"

#include <epoxy/gl.h>

void bindColorTexture(const RenderTarget& target) {
    glBindTexture(GL_TEXTURE_2D, target.colorTextureName());
}

void drawFilterResult(const RenderTarget& capture, const RenderTarget& result, bool glow, float glowStrength,
                      int draws) {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    setOrthoUnitFlipped();
    glColor4f(1, 1, 1, 1);
    if (glow) {
        bindColorTexture(capture);
        drawScreenQuad();
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        glColor4f(glowStrength, glowStrength, glowStrength, glowStrength);
    }
    bindColorTexture(result);
    for (int draw = 0; draw < draws; ++draw) drawScreenQuad();
    // Texturing left on would texture the next effect's plain quads with this picture.
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    restoreDefaultBlend();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColor4f(1, 1, 1, 1);
}
