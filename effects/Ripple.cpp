#include "effects/Ripple.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "effects/EffectBlend.h"
#include "effects/KeptDepthAndCulling.h"
#include "effects/RippleMesh.h"
#include "effects/ScreenAspect.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

namespace {
// Shared by every Ripple.
RenderTarget captureTarget;
}  // namespace

Ripple::Ripple(const std::string& instanceName) : ImageFilter(instanceName) {
    captureTarget.init(instanceName + "_1", 512, 512, RenderTarget::withDepth);
    captureTarget.setTextureParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    captureTarget.setTextureParameter(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    captureTarget.setTextureParameter(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    captureTarget.setTextureParameter(GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    RippleMesh::program().build();
}

void Ripple::updateFromSource(uint32_t t) {
    captureSource(captureTarget, t);
}

void Ripple::render(uint32_t t) {
    if (!source) return;
    RippleMesh& mesh = RippleMesh::program();
    mesh.waveStep(t);

    KeptDepthAndCulling keep;
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, captureTarget.colorTextureName());
    glEnable(GL_TEXTURE_2D);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, integerScreenAspect(), 0.1, 200);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(-0.5f, -0.5f, -1.0f);

    glColor4f(1, 1, 1, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.vertices().data());
    glTexCoordPointer(2, GL_FLOAT, 0, mesh.texCoords().data());
    glDrawArrays(GL_TRIANGLE_FAN, 0, RippleMesh::fanVertexCount);
    for (int band = 0; band < RippleMesh::rings; ++band) {
        glDrawElements(GL_TRIANGLES, GLsizei(RippleMesh::bandIndexCount(band)), GL_UNSIGNED_SHORT,
                       mesh.indices().data() + RippleMesh::bandOffset(band));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1, 1, 1, 1);
    checkGLError(LUMORA_HERE);

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    restoreDefaultBlend();
}
