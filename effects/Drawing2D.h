#pragma once
// Unit-square drawing for the loading picture and every 2D effect: immediate-mode quads
// in coordinates 0..1 across the screen or render target, and the render-state preamble
// an overlay effect wraps its drawing in.
//
// The quad functions change no other state: callers set projection, colour, blending and
// texture binding. A QuadRect's y runs down from the top (y = 0 is the top edge), and
// texture coordinate (0, 0) lands at the rectangle's top-left corner, so a picture's first
// row appears at the top of the screen.
class Texture;

// x, y, width, height in unit-square coordinates; as a texture rectangle: u, v, du, dv.
struct QuadRect {
    float x = 0;
    float y = 0;
    float width = 1;
    float height = 1;
};

// Projection: identity then glOrtho(0, 1, 0, 1, -1, 1) (y upwards); modelview: identity.
void setOrthoUnit();
// The same with y growing downwards.
void setOrthoUnitFlipped();

void drawQuad(const QuadRect& rect);
// Binds the texture and enables GL_TEXTURE_2D only for this draw; a null texture draws an
// untextured quad and leaves texturing as it was.
void drawTexturedQuad(const Texture* texture, const QuadRect& rect);
void drawQuadTex(const QuadRect& rect, const QuadRect& tex);
void drawTexturedQuadTex(const Texture* texture, const QuadRect& rect, const QuadRect& tex);
// Gives each corner the same coordinate on texture units 0 and 1.
void drawQuadMultiTex(const QuadRect& rect, const QuadRect& tex);
// The whole unit square, texture (0, 0) at corner (0, 1): the top-left under setOrthoUnit.
void drawScreenQuad();

// Overlay preamble: depth writes off, depth test off, culling off, blending on. The blend
// factors are the effect's to set.
void beginOverlay();
// Colour white, depth writes on, depth test on, blending off with the default blend
// function and equation (GL_ONE, GL_ZERO, GL_FUNC_ADD).
void endOverlay();
