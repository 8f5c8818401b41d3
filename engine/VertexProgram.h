#pragma once
// A GLSL vertex program and the parameters the engine sets on it: meshes drawn with a
// program (lighting from the scene's lights and the material), and the depth pass.
//
// Obtain one through ShaderManager::vertexProgram(file name); the manager owns it until
// the program ends. Any parameter may be missing from a source; its setter then does
// nothing. The contract (GLSL uniform name, type, what the engine puts in it):
//
//   ModelViewProj     mat4   projection x modelview, read from the fixed-function
//                            matrices when setModelViewProj() is called
//   ModelViewIT       mat4   inverse transpose of the current modelview matrix
//   numLights         float  number of scene lights used, at most 4
//   LightVec0..3      vec4   normalised world position of lights 0..3 (w unused)
//   AmbientMaterial   vec4   material ambient (times the ambient light's colour)
//   DiffuseMaterial   vec4   material diffuse RGBA
//   SpecularMaterial  vec4   material specular RGBA
//   NearDivFar        float  near / far of the current camera (depth pass)
//
// "Position" and "Normal" are looked up as vertex inputs and never set: programs take
// position and normal from the fixed-function arrays (gl_Vertex, gl_Normal).
//
// Use (a mesh's colour pass):
//   VertexProgram& program = ShaderManager::instance().vertexProgram(name);  // once
//   program.bind();
//   program.setModelViewProj(); program.setModelViewIT();  // after the world matrix
//   program.setNumLights(n); program.setLightVec(i, x, y, z); ...
//   draw; program.unbind();
// Setters work on a program that is not bound too (glProgramUniform).
#include "engine/ShaderProgram.h"

class VertexProgram : public ShaderProgram {
public:
    explicit VertexProgram(const std::string& fileName);

    static constexpr int maxLights = 4;

    void setModelViewProj();
    void setModelViewIT();
    void setNumLights(float count);
    // index 0..3; any other index has no parameter and is skipped.
    void setLightVec(int index, float x, float y, float z, float w = 1.0f);
    void setAmbientMaterial(const float rgba[4]);
    void setDiffuseMaterial(const float rgba[4]);
    void setSpecularMaterial(const float rgba[4]);
    void setNearDivFar(float value);

    // Vertex input locations of "Position" and "Normal", -1 when not declared.
    int positionInput() const { return positionLocation; }
    int normalInput() const { return normalLocation; }

private:
    void lookUpMore() override;

    int positionLocation = -1;
    int normalLocation = -1;
};
