#include "effects/Oscillo.h"

#include "demoSystem/LumoraMusic.h"
#include "effects/Drawing2D.h"
#include "effects/ImageFilter.h"
#include "effects/OscilloTap.h"

#include <epoxy/gl.h>

namespace {

// Started Osc effects holding the shared tap; the tap goes when the last one does.
int tapHolders = 0;

}  // namespace

Oscillo::Oscillo(const std::string& instanceName) : Effect(instanceName) {
    tint.registerWith(*this);
    registerVariable(xPos, "xPos", listKindPlain, typeKindFloat);
    registerVariable(yPos, "yPos", listKindPlain, typeKindFloat);
    registerVariable(width, "Width", listKindPlain, typeKindFloat);
    registerVariable(height, "Height", listKindPlain, typeKindFloat);
    target.init("oscillo", targetSize, targetSize, RenderTarget::rgbaColor);
    target.setTextureParameter(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    target.setTextureParameter(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

Oscillo::~Oscillo() {
    if (holdsTap && --tapHolders == 0) {
        OscilloTap::shared().deactivate(LumoraMusic::soundSystem());
    }
}

void Oscillo::start(uint32_t t) {
    Effect::start(t);
    // A repeated start keeps the tap that runs; it registers one only where none runs
    // (the first start, or a sound system opened again since).
    if (OscilloTap::shared().activate(LumoraMusic::soundSystem()) && !holdsTap) {
        holdsTap = true;
        ++tapHolders;
    }
    started = true;
}

void Oscillo::drawWave() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4fv(colour);

    const OscilloTap& tap = OscilloTap::shared();
    const int start = tap.latestBlockStart();
    const float step = float(OscilloTap::blockLength) / float(points);
    glLineWidth(lineWidth);
    glBegin(GL_LINE_STRIP);
    float offset = 0.0f;
    for (int i = 0; i <= points; ++i) {
        // The last vertex reads the first sample after the block (the ring wraps).
        const float level = (float(tap.sample(start + int(offset))) + 32768.0f) / 65536.0f;
        glVertex2f(float(i) / float(points), level);
        offset += step;
    }
    glEnd();
    glLineWidth(1.0f);

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
}

void Oscillo::render(uint32_t t) {
    if (!started) {
        return;
    }
    // The line adds onto the cleared target, so the target holds the line's colour and
    // alpha and nothing elsewhere.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    colour[0] = tint.red.valueAt(t);
    colour[1] = tint.green.valueAt(t);
    colour[2] = tint.blue.valueAt(t);
    colour[3] = tint.alpha.valueAt(t);
    {
        SavedViewport viewport;
        target.bind();
        glViewport(0, 0, target.width(), target.height());
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        drawWave();
        target.unbind();
    }

    beginOverlay();
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, target.colorTextureName());
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_ALPHA);
    setOrthoUnit();
    drawQuad(QuadRect{xPos.valueAt(t), yPos.valueAt(t), width.valueAt(t), height.valueAt(t)});
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBlendFunc(GL_ONE, GL_ZERO);
    endOverlay();
}
