#pragma once
// The last step of the blur-type image filters (Blur, ShaderRTT, ShaderDOF): their render
// draws the filtered picture over the whole frame, and for a glow first the unfiltered
// capture and then the filtered picture added onto it, brightened by the glow strength.
//
// drawFilterResult: depth test, depth writes and culling off; the capture drawn opaque
// when glowing, then (GL_ONE, GL_ONE) blending in the glow strength's colour; the result
// drawn `draws` times (repeated draws add up only when glowing). It leaves texturing and
// blending off with the default blend function, the colour white, depth test and writes
// on, culling off, like every overlay.
class RenderTarget;

void drawFilterResult(const RenderTarget& capture, const RenderTarget& result, bool glow, float glowStrength,
                      int draws);

// Binds the target's colour texture on the active unit.
void bindColorTexture(const RenderTarget& target);
