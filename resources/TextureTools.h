#pragma once
// Whole-texture operations for effects that fill their own textures (noise overlays,
// scan lines): each binds the texture and replaces level 0 of GL_TEXTURE_2D with
// width x height GL_RGBA unsigned-byte texels. A null texture is the fatal report
// "Illegal texture".
#include "resources/Texture.h"

#include <cstdint>

namespace TextureTools {
// All texels (0, 0, 0, 0).
void clear(Texture* texture);
// Each texel's four bytes hold one pseudo-random byte, a new one per texel.
void noise(Texture* texture);
// pixels: the texture's full width x height in RGBA.
void upload(Texture* texture, const uint8_t* pixels);
}  // namespace TextureTools
