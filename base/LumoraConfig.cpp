#include "base/LumoraConfig.h"

#include <epoxy/gl.h>

int32_t maxTextureUnits = 0;
int32_t maxTextureSize = 0;
int32_t maxVertexProgramInstructions = 0;
int32_t maxFragmentProgramInstructions = 0;

void LumoraConfig::query() {
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &maxTextureUnits);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    if (epoxy_has_gl_extension("GL_ARB_vertex_program")) {
        glGetProgramivARB(GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_INSTRUCTIONS_ARB, &maxVertexProgramInstructions);
    }
    if (epoxy_has_gl_extension("GL_ARB_fragment_program")) {
        glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, GL_MAX_PROGRAM_INSTRUCTIONS_ARB, &maxFragmentProgramInstructions);
    }
}
