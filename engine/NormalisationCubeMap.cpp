#include "engine/NormalisationCubeMap.h"

#include "base/ErrorReport.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

#include <cmath>
#include <cstdint>
#include <vector>

Vec3 normalisationDirection(int face, int column, int row, int side) {
    // The face coordinates (s, t) in -1..1 at the texel centre, and the cube-map rules of
    // which axis each face's s and t run along.
    const float s = (float(column) + 0.5f) / float(side) * 2.0f - 1.0f;
    const float t = (float(row) + 0.5f) / float(side) * 2.0f - 1.0f;
    Vec3 d;
    switch (face) {
        case 0: d = {1, -t, -s}; break;
        case 1: d = {-1, -t, s}; break;
        case 2: d = {s, 1, t}; break;
        case 3: d = {s, -1, -t}; break;
        case 4: d = {s, -t, 1}; break;
        default: d = {-s, -t, -1}; break;
    }
    const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / length, d.y / length, d.z / length};
}

Texture& normalisationCubeMap() {
    static Texture* made = nullptr;
    if (made) return *made;
    constexpr int side = normalisationCubeMapSide;
    // A blank cube map from the cache has black faces; fill them once.
    Texture* texture = TextureCache::instance().getBlank("normalisationcubemap", side, side, GL_TEXTURE_CUBE_MAP, GL_RGB8);
    checkNotNull(texture, LUMORA_HERE);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &previous);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture->name());
    std::vector<uint8_t> pixels(size_t(side) * side * 4);
    for (int face = 0; face < 6; ++face) {
        for (int row = 0; row < side; ++row) {
            for (int column = 0; column < side; ++column) {
                const Vec3 d = normalisationDirection(face, column, row, side);
                uint8_t* texel = &pixels[(size_t(row) * side + size_t(column)) * 4];
                texel[0] = uint8_t(std::lround((d.x * 0.5f + 0.5f) * 255.0f));
                texel[1] = uint8_t(std::lround((d.y * 0.5f + 0.5f) * 255.0f));
                texel[2] = uint8_t(std::lround((d.z * 0.5f + 0.5f) * 255.0f));
                texel[3] = 255;
            }
        }
        glTexSubImage2D(GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face), 0, 0, 0, side, side, GL_RGBA,
                        GL_UNSIGNED_BYTE, pixels.data());
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, GLuint(previous));
    checkGLError(LUMORA_HERE);
    made = texture;
    return *made;
}
