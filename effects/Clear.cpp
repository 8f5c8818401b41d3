#include "effects/Clear.h"

#include <epoxy/gl.h>

Clear::Clear(const std::string& instanceName) : Effect(instanceName) {
    tint.registerWith(*this);
    registerVariable(clearColor, "ClearColor", listKindPlain, typeKindBool);
    registerVariable(clearDepth, "ClearDepth", listKindPlain, typeKindBool);
    registerVariable(clearStencil, "ClearStencil", listKindPlain, typeKindBool);
}

void Clear::render(uint32_t t) {
    glClearColor(tint.red.valueAt(t), tint.green.valueAt(t), tint.blue.valueAt(t), tint.alpha.valueAt(t));
    GLbitfield mask = 0;
    if (clearColor.valueAt(t) != 0.0f) mask |= GL_COLOR_BUFFER_BIT;
    if (clearStencil.valueAt(t) != 0.0f) mask |= GL_STENCIL_BUFFER_BIT;
    if (clearDepth.valueAt(t) != 0.0f) mask |= GL_DEPTH_BUFFER_BIT;
    // An empty mask is still a clear call: it is what the switches say.
    glClear(mask);
}
