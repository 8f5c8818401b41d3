#include "effects/Tiles.h"

#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "effects/KeptDepthAndCulling.h"

#include <epoxy/gl.h>

#include <algorithm>

namespace {
constexpr float third = 0.33333334f;
constexpr float sixth = 0.16666667f;
// Tile k waits k x 0.6 units of T x 0.02.
constexpr double delayPerTile = 0.6;
}  // namespace

Tiles::Tiles(const std::string& instanceName) : ImageFilter(instanceName) {
    tint.registerWith(*this);
    registerVariable(rotationSpeed, "RotSpeed", listKindPlain, typeKindFloat);
    registerVariable(fadeSpeed, "FadeSpeed", listKindPlain, typeKindFloat);
    target.init("name", 512, 512, RenderTarget::withDepth);
}

void Tiles::updateFromSource(uint32_t t) {
    captureSource(target, t);
}

float Tiles::tileGrowth(float T, int tile) {
    const float sinceStart = float(T * 0.02 + 1.0);
    return std::max(sinceStart - float(tile * delayPerTile), 1.0f);
}

void Tiles::render(uint32_t t) {
    const float T = animatedTime();
    KeptDepthAndCulling keep;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, target.colorTextureName());

    const float red = tint.red.valueAt(t);
    const float green = tint.green.valueAt(t);
    const float blue = tint.blue.valueAt(t);
    const float spin = rotationSpeed.valueAt(t);
    const float fading = fadeSpeed.valueAt(t);
    for (int row = 1; row <= 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int tile = 3 * (row - 1) + column;
            const float growth = tileGrowth(T, tile);
            const float age = growth - 1.0f;
            glLoadIdentity();
            glTranslatef((column + 1) * third - sixth, row * third - sixth, 0);
            glRotatef(spin * age * 100.0f, 0, 0, 1);
            glScalef(third / growth, third / growth, 1);
            glTranslatef(-0.5f, -0.5f, 0);
            glColor4f(red, green, blue, std::max(0.0f, 1.0f - age * fading * 10.0f));
            // The texture rectangle runs down from the row's top edge: the render target
            // holds the picture bottom row first.
            drawQuadTex(QuadRect{0, 0, 1, 1}, QuadRect{column * third, row * third, third, -third});
        }
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    restoreDefaultBlend();
    glColor4f(1, 1, 1, 1);
}
