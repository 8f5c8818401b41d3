#pragma once
// Depth test, depth writes and face culling as an effect found them. Effects that switch
// them for their drawing (overlays turn depth off; the mesh effects cull) hold one of
// these for the length of their render, so the next effect meets the state the frame
// had: the kept switches, and the cull face mode, are set back when it ends.
class KeptDepthAndCulling {
public:
    KeptDepthAndCulling();
    ~KeptDepthAndCulling();
    KeptDepthAndCulling(const KeptDepthAndCulling&) = delete;
    KeptDepthAndCulling& operator=(const KeptDepthAndCulling&) = delete;

private:
    bool depthTest;
    bool depthWrites;
    bool culling;
    int cullFaceMode;
};
