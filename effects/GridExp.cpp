#include "effects/GridExp.h"

#include "effects/EffectBlend.h"
#include "effects/GridWarp.h"
#include "effects/KeptDepthAndCulling.h"
#include "effects/ScreenAspect.h"
#include "resources/Texture.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace {
// Warps 2 and 3 read their variables at the warp time in whole units, not at t.
uint32_t warpTime(float x) {
    if (!(x > 0.0f)) return 0;
    if (x >= 4294967295.0f) return 4294967295u;
    return uint32_t(x);
}
}  // namespace

GridExp::GridExp(const std::string& instanceName) : ImageFilter(instanceName) {
    tint.registerWith(*this);
    registerVariable(anim, "Anim", listKindPlain, typeKindChoice);
    registerVariable(rotate, "Rotate", listKindPlain, typeKindBool);
    registerVariable(blend, "Blend", listKindPlain, typeKindBool);
    registerVariable(shade, "Shade", listKindPlain, typeKindBool);
    registerVariable(ampX, "ampX", listKindPlain, typeKindFloat);
    registerVariable(ampY, "ampY", listKindPlain, typeKindFloat);
    registerVariable(ampZ, "ampZ", listKindPlain, typeKindFloat);
    registerVariable(magicStrength, "magicStrength", listKindPlain, typeKindFloat);
    const char* magicNames[5] = {"magic1", "magic2", "magic3", "magic4", "magic5"};
    for (int i = 0; i < 5; ++i) registerVariable(magic[i], magicNames[i], listKindPlain, typeKindFloat);
    target.init(instanceName, 512, 512, 0);
}

void GridExp::update(uint32_t t) {
    ImageFilter::update(t);
    mesh.shaded = shade.isOn(t);
}

void GridExp::updateFromSource(uint32_t t) {
    // Not captureSource: the source draws at the screen's viewport, clipped to the target.
    target.bind();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    source->update(t);
    source->render(t);
    target.unbind();
}

int GridExp::warpAt(uint32_t t) const {
    return std::clamp(int(anim.valueAt(t)), 0, gridWarpCount - 1);
}

void GridExp::drawMesh() const {
    const float* data = mesh.vertices().data();
    constexpr GLsizei stride = GridMesh::floatsPerVertex * sizeof(float);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, data + GridMesh::position);
    glTexCoordPointer(2, GL_FLOAT, stride, data + GridMesh::texCoord);
    if (mesh.shaded) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, stride, data + GridMesh::colour);
    }
    const uint16_t* strips = mesh.stripIndices().data();
    for (int row = 0; row + 1 < GridMesh::size; ++row) {
        glDrawElements(GL_TRIANGLE_STRIP, GridMesh::stripLength - 2, GL_UNSIGNED_SHORT,
                       strips + size_t(row) * GridMesh::stripLength);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
}

void GridExp::render(uint32_t t) {
    const float T = animatedTime();
    KeptDepthAndCulling keep;
    if (source) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, target.colorTextureName());
    } else if (texture) {
        glEnable(GL_TEXTURE_2D);
        texture->bind();
    }

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, integerScreenAspect(), 0.1, 2000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -20);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    if (rotate.isOn(t)) glRotatef(T * 0.05f, 0, 0, 1);

    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glDisable(GL_LIGHTING);
    glColor4f(1, 1, 1, 1);

    const int warp = warpAt(t);
    if (warp != lastWarp) {
        mesh.resetToBase();
        lastWarp = warp;
    }
    const float x = T * 0.05f;
    GridWarpInputs inputs;
    if (warp >= 2) {
        const uint32_t at = warpTime(x);
        inputs.ampX = ampX.valueAt(at);
        inputs.ampY = ampY.valueAt(at);
        inputs.ampZ = ampZ.valueAt(at);
        inputs.magicStrength = magicStrength.valueAt(at);
        for (int i = 0; i < 5; ++i) inputs.magic[i] = magic[i].valueAt(at);
        inputs.spectrumLevel = spectrumLevel();
    }
    applyGridWarp(mesh, warp, x, inputs);

    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    const bool additive = blend.isOn(t);
    if (additive) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
    tint.apply(t);
    drawMesh();
    if (additive) {
        glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glDisable(GL_BLEND);
    }

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glCullFace(GL_BACK);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
    restoreDefaultBlend();
}

void GridExp::handleEvent(const DemoEvent& event) {
    ImageFilter::handleEvent(event);
    if (event.id == eventGridExpTexture) {
        texture = TextureCache::instance().get(event.text, "", GL_TEXTURE_2D, true);
    }
}
