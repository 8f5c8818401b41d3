#include "effects/KeptDepthAndCulling.h"

#include <epoxy/gl.h>

namespace {
void setEnabled(GLenum capability, bool enabled) {
    if (enabled) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}
}  // namespace

KeptDepthAndCulling::KeptDepthAndCulling() {
    depthTest = glIsEnabled(GL_DEPTH_TEST);
    culling = glIsEnabled(GL_CULL_FACE);
    GLboolean writes = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    depthWrites = writes;
    GLint mode = GL_BACK;
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    cullFaceMode = mode;
}

KeptDepthAndCulling::~KeptDepthAndCulling() {
    setEnabled(GL_DEPTH_TEST, depthTest);
    setEnabled(GL_CULL_FACE, culling);
    glDepthMask(depthWrites ? GL_TRUE : GL_FALSE);
    glCullFace(GLenum(cullFaceMode));
}
