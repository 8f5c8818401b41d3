#include "engine/FragmentProgram.h"

#include <epoxy/gl.h>

namespace {

// Indices into the contract, in the order FragmentProgram's constructor lists it.
enum FragmentParameter : size_t { factors, textureSize, depthPlanes, planeDist, fogMode, textureEnabled };

float currentFogMode() {
    if (!glIsEnabled(GL_FOG)) {
        return 0.0f;
    }
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    switch (mode) {
        case GL_LINEAR: return 1.0f;
        case GL_EXP: return 2.0f;
        case GL_EXP2: return 3.0f;
        default: return 0.0f;
    }
}

}  // namespace

FragmentProgram::FragmentProgram(const std::string& fileName)
    : ShaderProgram(ProgramKind::Fragment, fileName,
                    {{"factors", GL_FLOAT_VEC4},
                     {"textureSize", GL_FLOAT_VEC4},
                     {"depthPlanes", GL_FLOAT_VEC4},
                     {"planeDist", GL_FLOAT_VEC4},
                     {"fogMode", GL_FLOAT},
                     {"textureEnabled", GL_FLOAT_VEC4}}) {}

void FragmentProgram::afterBind() {
    if (present(fogMode)) {
        setFloat(fogMode, currentFogMode());
    }
    if (present(textureEnabled)) {
        GLint active = GL_TEXTURE0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        GLint units = 0;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
        float enabled[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int unit = 0; unit < 4 && unit < units; ++unit) {
            glActiveTexture(GLenum(GL_TEXTURE0 + unit));
            enabled[unit] = glIsEnabled(GL_TEXTURE_2D) ? 1.0f : 0.0f;
        }
        glActiveTexture(GLenum(active));
        setFloat4(textureEnabled, enabled[0], enabled[1], enabled[2], enabled[3]);
    }
}

void FragmentProgram::setFactors(float x, float y, float z, float w) {
    setFloat4(present(factors) ? factors : textureSize, x, y, z, w);
}

bool FragmentProgram::hasFactors() const {
    return present(factors) || present(textureSize);
}

void FragmentProgram::setDepthPlanes(float focalNear, float focalPoint, float focalFar, float focalClamp) {
    setFloat4(depthPlanes, focalNear, focalPoint, focalFar, focalClamp);
}

void FragmentProgram::setPlaneDist(float x, float y, float z, float w) {
    setFloat4(planeDist, x, y, z, w);
}
