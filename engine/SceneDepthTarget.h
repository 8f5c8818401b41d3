#pragma once
// The scene's depth-information target "scenedepth": the Scene's depth pass draws the
// depth-of-field amount of every pixel into its colour, and the depth-of-field filter
// (ShaderDOF) reads that colour as its blur amount. Program-wide, like every render
// target; made on the first request, by whichever of the two asks first, as a 1024 x 1024
// target with a depth texture. Needs the GL context current.
class RenderTarget;

constexpr int sceneDepthTargetSide = 1024;

RenderTarget& sceneDepthTarget();
