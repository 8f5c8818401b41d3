#include "effects/RotoZoom.h"

#include "effects/Drawing2D.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

RotoZoom::RotoZoom(const std::string& instanceName) : ImageFilter(instanceName) {
    tint.registerWith(*this);
    registerVariable(rotationSpeed, "RotSpeed", listKindPlain, typeKindFloat);
    target.init(instanceName, 512, 512, RenderTarget::withDepth);
    target.setTextureParameter(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    target.setTextureParameter(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
}

float RotoZoom::zoomAt(float T) {
    const float z = float(std::sin(T * 0.1 - 1.570796326794895) * 5 + 5);
    return std::max(z, 1e-7f);
}

void RotoZoom::updateFromSource(uint32_t t) {
    captureSource(target, t);
}

void RotoZoom::render(uint32_t t) {
    const float T = animatedTime();
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
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    tint.apply(t);
    glBindTexture(GL_TEXTURE_2D, target.colorTextureName());

    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    const float z = zoomAt(T);
    glTranslatef(0.5f, 0.5f, 0);
    glScalef(z, z, z);
    glRotatef(rotationSpeed.valueAt(t) * T * 20, 0, 0, 1);
    glTranslatef(-0.5f, -0.5f, 0);
    glMatrixMode(GL_MODELVIEW);
    drawScreenQuad();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
}
