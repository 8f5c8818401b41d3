#include "engine/FragmentProgram.h"

#include <epoxy/gl.h>

namespace {

// Indices into the contract, in the order FragmentProgram's constructor lists it.
enum FragmentParameter : size_t { factors, textureSize, depthPlanes, planeDist };

}  // namespace

FragmentProgram::FragmentProgram(const std::string& fileName)
    : ShaderProgram(ProgramKind::Fragment, fileName,
                    {{"factors", GL_FLOAT_VEC4},
                     {"textureSize", GL_FLOAT_VEC4},
                     {"depthPlanes", GL_FLOAT_VEC4},
                     {"planeDist", GL_FLOAT_VEC4}}) {}

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
