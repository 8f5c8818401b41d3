#include "engine/VertexProgram.h"

#include "engine/ProgramMatrices.h"

#include <epoxy/gl.h>

namespace {

// Indices into the contract, in the order VertexProgram's constructor lists it.
enum VertexParameter : size_t {
    modelViewProj,
    modelViewIT,
    numLights,
    lightVec0,
    lightVec1,
    lightVec2,
    lightVec3,
    ambientMaterial,
    diffuseMaterial,
    specularMaterial,
    nearDivFar,
};

}  // namespace

VertexProgram::VertexProgram(const std::string& fileName)
    : ShaderProgram(ProgramKind::Vertex, fileName,
                    {{"ModelViewProj", GL_FLOAT_MAT4},
                     {"ModelViewIT", GL_FLOAT_MAT4},
                     {"numLights", GL_FLOAT},
                     {"LightVec0", GL_FLOAT_VEC4},
                     {"LightVec1", GL_FLOAT_VEC4},
                     {"LightVec2", GL_FLOAT_VEC4},
                     {"LightVec3", GL_FLOAT_VEC4},
                     {"AmbientMaterial", GL_FLOAT_VEC4},
                     {"DiffuseMaterial", GL_FLOAT_VEC4},
                     {"SpecularMaterial", GL_FLOAT_VEC4},
                     {"NearDivFar", GL_FLOAT}}) {}

void VertexProgram::lookUpMore() {
    positionLocation = glGetAttribLocation(glProgram(), "Position");
    normalLocation = glGetAttribLocation(glProgram(), "Normal");
}

void VertexProgram::setModelViewProj() {
    if (!present(modelViewProj)) {
        return;
    }
    Matrix4 projection;
    Matrix4 modelView;
    glGetFloatv(GL_PROJECTION_MATRIX, projection.m);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView.m);
    setMatrix(modelViewProj, math3d::multiply(projection, modelView).m);
}

void VertexProgram::setModelViewIT() {
    if (!present(modelViewIT)) {
        return;
    }
    Matrix4 modelView;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView.m);
    setMatrix(modelViewIT, ProgramMatrices::inverseTranspose(modelView).m);
}

void VertexProgram::setNumLights(float count) {
    setFloat(numLights, count);
}

void VertexProgram::setLightVec(int index, float x, float y, float z, float w) {
    if (index >= 0 && index < maxLights) {
        setFloat4(lightVec0 + size_t(index), x, y, z, w);
    }
}

void VertexProgram::setAmbientMaterial(const float rgba[4]) {
    setFloat4(ambientMaterial, rgba[0], rgba[1], rgba[2], rgba[3]);
}

void VertexProgram::setDiffuseMaterial(const float rgba[4]) {
    setFloat4(diffuseMaterial, rgba[0], rgba[1], rgba[2], rgba[3]);
}

void VertexProgram::setSpecularMaterial(const float rgba[4]) {
    setFloat4(specularMaterial, rgba[0], rgba[1], rgba[2], rgba[3]);
}

void VertexProgram::setNearDivFar(float value) {
    setFloat(nearDivFar, value);
}
