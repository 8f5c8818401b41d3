#pragma once
// The GL state that one effect leaves for the next, read back for tests: what a later
// untextured quad, a later filter or a later mesh relies on. Tests take a snapshot before
// a frame and one after, and compare them; a difference reads as one line per state, in
// GL's own names ("GL_BLEND_DST_RGB: GL_ZERO, now GL_ONE_MINUS_SRC_ALPHA").
//
// What a snapshot holds:
// - per fixed-function texture unit: GL_TEXTURE_1D/2D/3D/RECTANGLE/CUBE_MAP enables,
//   texture-coordinate generation S/T/R/Q, the texture environment mode and the texture
//   matrix stack depth; per texture-coordinate set: its client array;
// - the active texture unit and the client active unit;
// - blending (enable, source and destination factors for RGB and alpha, equations);
// - depth test, depth writes, depth function; face culling; lighting, fog, scissor,
//   stencil and alpha tests, polygon offset fill; the colour write mask;
// - the current colour, the matrix mode, the modelview and projection stack depths, the
//   attribute and client-attribute stack depths, the viewport;
// - the bound program pipeline and program, the draw and read frame buffers, the render
//   target stack depth, the array and element buffers, the enabled client arrays
//   (fixed-function and generic);
// - the GL error state. Reading it clears it, so a snapshot also starts the next check
//   with no error pending.
//
// Taking a snapshot changes no state (the units it visits are selected again).
#include <string>
#include <vector>

namespace testgl {

class GLStateSnapshot {
public:
    static GLStateSnapshot capture();

    // "" when both hold the same; otherwise one line per state that differs, saying what
    // it was in `before` and what it is now.
    std::string differencesFrom(const GLStateSnapshot& before) const;
    // The value recorded under a state's name, "" when there is no such entry.
    std::string valueOf(const std::string& stateName) const;

private:
    struct Entry {
        std::string name;
        std::string value;
    };
    void add(std::string name, std::string value);

    std::vector<Entry> entries;
};

// Puts the state every effect may expect at the start of its frame: texturing and
// coordinate generation off on every unit with GL_MODULATE, unit 0 active (client and
// server), blending off with (GL_ONE, GL_ZERO) and GL_FUNC_ADD, depth test and writes on
// with GL_LESS, culling, lighting, fog, scissor, stencil and alpha tests off, colour
// writes on, colour white, modelview the matrix mode, every matrix stack at depth one,
// no program, pipeline, buffer or client array bound, frame buffer 0, the whole context's
// viewport, no GL error pending.
void resetFrameState();

}  // namespace testgl
