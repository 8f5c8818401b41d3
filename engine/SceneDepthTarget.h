#pragma once
// The scene's depth-information target "scenedepth": the Scene's depth pass draws the
// depth-of-field amount of every pixel into its colour, and the depth-of-field filter
// (ShaderDOF) reads that colour as its blur amount. Program-wide, like every render
// target; made on the first request, by whichever of the two asks first, as a 1024 x 1024
// target with a depth texture. Needs the GL context current.
class RenderTarget;

constexpr int sceneDepthTargetSide = 1024;

RenderTarget& sceneDepthTarget();

// Whether a scene drawn now draws its depth-information pass. Only the depth-of-field
// filter reads "scenedepth", and it always draws its own source (and so the scene at the
// end of that chain) in the frame it reads it; a scene captured only by other image
// filters would fill 1024 x 1024 pixels nobody looks at. True outside every capture, so a
// scene drawn straight into the frame still leaves its depth information, and true while
// any capture in the chain reads it (a depth of field over a glow over a scene).
bool sceneDepthWanted();

// One capture by an image filter, for its lifetime; readsDepth: whether that filter reads
// "scenedepth". Captures nest, and each puts back what it found.
class SceneDepthUse {
public:
    explicit SceneDepthUse(bool readsDepth);
    ~SceneDepthUse();
    SceneDepthUse(const SceneDepthUse&) = delete;
    SceneDepthUse& operator=(const SceneDepthUse&) = delete;

private:
    bool reads;
};
