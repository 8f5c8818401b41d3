#pragma once
// A GLSL fragment program and the parameters the engine sets on it: the full-screen
// image filters (blur, subtract/multiply, depth of field, the programs effects receive
// through event 36), meshes drawn with a fragment program, and the depth pass.
//
// Obtain one through ShaderManager::fragmentProgram(file name); the manager owns it until
// the program ends. Any parameter may be missing from a source; its setter then does
// nothing. The contract (GLSL uniform name, type, what the engine puts in it):
//
//   factors      vec4  the one parameter of a full-screen program: blur offsets,
//                      (subtract, multiply, 0, 0), or Factor0..3 of an effect
//   textureSize  vec4  the same parameter under its other name: setFactors() sets it
//                      when the program has no "factors" (our shaders all say "factors")
//   depthPlanes  vec4  (focalNear, focalPoint, focalFar, focalClamp) of the scene
//   planeDist    vec4  (focalPoint - focalNear, focalFar - focalPoint, 0, 0)
//
// A bound fragment program replaces fixed-function fog and texturing, so bind() tells a
// program that wants to do their work what they would have done, from the GL state of
// that moment (enable the fog and the textures first, as for fixed function):
//
//   fogMode         float  0 fog off, 1 GL_LINEAR, 2 GL_EXP, 3 GL_EXP2
//   textureEnabled  vec4   1 where GL_TEXTURE_2D is enabled on units 0..3, else 0
//
// Samplers take their texture unit from the source (layout(binding = N)); the engine
// sets no sampler parameter.
//
// Use (a full-screen pass):
//   FragmentProgram& blur = ShaderManager::instance().fragmentProgram(name);  // once
//   blur.bind(); blur.setFactors(x0, y0, x1, y1); draw; blur.unbind();
// Setters work on a program that is not bound too (glProgramUniform).
#include "engine/ShaderProgram.h"

class FragmentProgram : public ShaderProgram {
public:
    explicit FragmentProgram(const std::string& fileName);

    void setFactors(float x, float y, float z, float w);
    // Whether setFactors reaches the program ("factors" or "textureSize").
    bool hasFactors() const;
    void setDepthPlanes(float focalNear, float focalPoint, float focalFar, float focalClamp);
    void setPlaneDist(float x, float y, float z, float w);

private:
    void afterBind() override;
};
