#include "resources/TextureTools.h"

#include "base/ErrorReport.h"

#include <epoxy/gl.h>

#include <vector>

namespace {

bool checkTexture(const Texture* texture) {
    if (!texture) {
        reportError(LUMORA_HERE, "Illegal texture", true);
        return false;
    }
    return true;
}

void replaceLevel0(const Texture& texture, const uint8_t* pixels) {
    texture.bind();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(texture.internalFormat), texture.width, texture.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, pixels);
}

std::vector<uint8_t> texelBuffer(const Texture& texture) {
    return std::vector<uint8_t>(size_t(texture.width > 0 ? texture.width : 0) *
                                size_t(texture.height > 0 ? texture.height : 0) * 4);
}

// A small generator of our own: the noise needs no quality, only speed and no shared
// state with other users of rand().
uint32_t noiseState = 0x1234567u;
uint8_t nextNoiseByte() {
    noiseState = noiseState * 1664525u + 1013904223u;
    return uint8_t(noiseState >> 24);
}

}  // namespace

void TextureTools::clear(Texture* texture) {
    if (!checkTexture(texture)) return;
    std::vector<uint8_t> pixels = texelBuffer(*texture);
    replaceLevel0(*texture, pixels.data());
}

void TextureTools::noise(Texture* texture) {
    if (!checkTexture(texture)) return;
    std::vector<uint8_t> pixels = texelBuffer(*texture);
    for (size_t texel = 0; texel < pixels.size(); texel += 4) {
        const uint8_t value = nextNoiseByte();
        pixels[texel] = pixels[texel + 1] = pixels[texel + 2] = pixels[texel + 3] = value;
    }
    replaceLevel0(*texture, pixels.data());
}

void TextureTools::upload(Texture* texture, const uint8_t* pixels) {
    if (!checkTexture(texture)) return;
    checkNotNull(pixels, LUMORA_HERE);
    replaceLevel0(*texture, pixels);
}
