#include "launcher/FrameStateUnwind.h"

#include "base/RenderTarget.h"

#include <epoxy/gl.h>

namespace {

int depthOf(GLenum query) {
    GLint depth = 0;
    glGetIntegerv(query, &depth);
    return depth;
}

}  // namespace

FrameStateUnwind::FrameStateUnwind()
    : modelviewDepth(depthOf(GL_MODELVIEW_STACK_DEPTH)),
      projectionDepth(depthOf(GL_PROJECTION_STACK_DEPTH)),
      attribDepth(depthOf(GL_ATTRIB_STACK_DEPTH)),
      clientAttribDepth(depthOf(GL_CLIENT_ATTRIB_STACK_DEPTH)),
      targetDepth(RenderTarget::bindingDepth()) {}

void FrameStateUnwind::unwind() const {
    RenderTarget::unbindTo(targetDepth);
    for (int depth = depthOf(GL_ATTRIB_STACK_DEPTH); depth > attribDepth; --depth) {
        glPopAttrib();
    }
    for (int depth = depthOf(GL_CLIENT_ATTRIB_STACK_DEPTH); depth > clientAttribDepth; --depth) {
        glPopClientAttrib();
    }
    glMatrixMode(GL_PROJECTION);
    for (int depth = depthOf(GL_PROJECTION_STACK_DEPTH); depth > projectionDepth; --depth) {
        glPopMatrix();
    }
    glMatrixMode(GL_MODELVIEW);
    for (int depth = depthOf(GL_MODELVIEW_STACK_DEPTH); depth > modelviewDepth; --depth) {
        glPopMatrix();
    }
    // What the broken frame left queued would be reported by the next check that looks.
    for (int errors = 0; errors < 64 && glGetError() != GL_NO_ERROR; ++errors) {
    }
}
