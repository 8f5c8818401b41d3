#include "resources/Texture.h"

#include "base/ErrorReport.h"
#include "base/LumoraConfig.h"
#include "resources/DDSLoader.h"
#include "resources/ImageLibrary.h"

#include <epoxy/gl.h>
// GLU after epoxy: epoxy must see GL first.
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Blank render-target textures start at 8 texels a side.
constexpr int32_t blankMinimumSide = 8;
// The value a blank texture's requested corner holds, so that a render target's unused
// margin can be told from its content when debugging.
constexpr uint8_t blankCornerByte = 127;

int32_t textureSizeLimit() {
    if (maxTextureSize <= 0) LumoraConfig::query();
    return maxTextureSize;
}

void setParameters(GLenum target, GLint minification, GLint wrap) {
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minification);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap);
}

// The upload's 24-to-32-bit conversion and nearest-neighbour resampling in one pass into the
// final buffer, with the texels of ImageLibrary::convertTo32 followed by ImageLibrary::scale:
// the same single-precision ratios and truncated products pick each source texel, opaque
// RGB gains alpha 255. Destination rows that sample the same source row are copied whole.
std::vector<uint8_t> resampleToRgba(const ImageData& image, uint32_t newWidth, uint32_t newHeight) {
    const uint32_t sourceBytes = image.bitsPerPixel / 8;
    const size_t sourceStride = image.rowBytes ? image.rowBytes : size_t(image.width) * sourceBytes;
    checkTrue(image.pixels.size() >= sourceStride * image.height, LUMORA_HERE);
    std::vector<uint32_t> columns(newWidth);
    const float columnRatio = float(image.width) / float(newWidth);
    for (uint32_t k = 0; k < newWidth; ++k) {
        columns[k] = std::min(uint32_t(columnRatio * float(k)), image.width - 1) * sourceBytes;
    }
    const float rowRatio = float(image.height) / float(newHeight);
    const size_t targetStride = size_t(newWidth) * 4;
    std::vector<uint8_t> texels(targetStride * newHeight);
    uint32_t previousRow = UINT32_MAX;
    for (uint32_t j = 0; j < newHeight; ++j) {
        uint8_t* target = texels.data() + j * targetStride;
        const uint32_t sourceRow = std::min(uint32_t(float(j) * rowRatio), image.height - 1);
        if (sourceRow == previousRow) {
            std::memcpy(target, target - targetStride, targetStride);
            continue;
        }
        previousRow = sourceRow;
        const uint8_t* line = image.pixels.data() + sourceRow * sourceStride;
        if (newWidth == image.width) {
            // Every column samples itself (the ratio is exactly 1).
            if (sourceBytes == 4) {
                std::memcpy(target, line, targetStride);
            } else {
                for (uint32_t k = 0; k < newWidth; ++k) {
                    target[4 * k] = line[3 * k];
                    target[4 * k + 1] = line[3 * k + 1];
                    target[4 * k + 2] = line[3 * k + 2];
                    target[4 * k + 3] = 255;
                }
            }
        } else if (sourceBytes == 4) {
            for (uint32_t k = 0; k < newWidth; ++k) std::memcpy(target + 4 * k, line + columns[k], 4);
        } else {
            for (uint32_t k = 0; k < newWidth; ++k) {
                const uint8_t* texel = line + columns[k];
                target[4 * k] = texel[0];
                target[4 * k + 1] = texel[1];
                target[4 * k + 2] = texel[2];
                target[4 * k + 3] = 255;
            }
        }
    }
    return texels;
}

}  // namespace

Texture::Texture(uint32_t kind, uint32_t internalFormat, bool mipmaps)
    : kind(kind), internalFormat(internalFormat), mipmaps(mipmaps) {}

int32_t Texture::roundUpToPowerOfTwo(int32_t side, int32_t start) {
    // Past 2^30 the side is beyond every GL limit; the callers refuse it.
    int64_t rounded = start;
    while (rounded < side && rounded < (int64_t(1) << 30)) rounded *= 2;
    return int32_t(rounded);
}

void Texture::upload(std::unique_ptr<ImageData> picture) {
    image = std::move(picture);
    checkNotNull(image.get(), LUMORA_HERE);
    imageWidth = int32_t(image->width);
    imageHeight = int32_t(image->height);

    // A second upload (a picture reloaded in watch mode) refills the same name.
    if (glName == 0) glGenTextures(1, &glName);
    glBindTexture(GL_TEXTURE_2D, glName);
    setParameters(GL_TEXTURE_2D, mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR, GL_REPEAT);

    if (image->compressedFormat != 0) {
        // Blocks cannot be resampled: the texture keeps the stored size.
        width = imageWidth;
        height = imageHeight;
        uploadCompressed(*image);
        image.reset();
        return;
    }

    width = roundUpToPowerOfTwo(imageWidth, 1);
    height = std::max(roundUpToPowerOfTwo(imageHeight, 1), width);
    const bool resized = width != imageWidth || height != imageHeight;
    if ((image->bitsPerPixel == 24 || (image->bitsPerPixel == 32 && resized)) && image->width > 0 &&
        image->height > 0) {
        image->pixels = resampleToRgba(*image, uint32_t(width), uint32_t(height));
        image->width = uint32_t(width);
        image->height = uint32_t(height);
        image->bitsPerPixel = 32;
        image->rowBytes = uint32_t(width) * 4;
    } else {
        // Other depths end in the conversion's report.
        if (image->bitsPerPixel != 32) ImageLibrary::convertTo32(*image);
        if (resized) ImageLibrary::scale(uint32_t(width), uint32_t(height), image.get());
    }
    checkTrue(image->pixels.size() >= size_t(width) * size_t(height) * 4, LUMORA_HERE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (mipmaps) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, 4, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image->pixels.data());
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     image->pixels.data());
    }
    image.reset();
}

void Texture::uploadCompressed(const ImageData& picture) {
    checkGLError(LUMORA_HERE);
    const uint32_t levelCount = std::max<uint32_t>(picture.mipmapCount, 1);
    uint32_t levelWidth = picture.width;
    uint32_t levelHeight = picture.height;
    size_t offset = 0;
    GLint uploaded = 0;
    // A header may promise more levels than the data holds or than the sides can halve
    // to: the chain ends at whichever comes first.
    for (uint32_t level = 0; level < levelCount && (levelWidth > 0 || levelHeight > 0); ++level) {
        const size_t size = DDSLoader::levelSize(picture.compressedFormat, levelWidth, levelHeight);
        if (size > picture.pixels.size() - offset) break;
        glCompressedTexImage2DARB(GL_TEXTURE_2D, GLint(level), picture.compressedFormat, GLsizei(levelWidth),
                                  GLsizei(levelHeight), 0, GLsizei(size), picture.pixels.data() + offset);
        offset += size;
        ++uploaded;
        levelWidth /= 2;
        levelHeight /= 2;
    }
    // Sampling stays within the levels that exist, so a short chain still shows.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, std::max(uploaded - 1, 0));
    checkGLError(LUMORA_HERE);
}

bool Texture::createBlank(int32_t requestedWidth, int32_t requestedHeight) {
    checkGLError(LUMORA_HERE);
    if (kind == GL_TEXTURE_2D) {
        width = roundUpToPowerOfTwo(requestedWidth, blankMinimumSide);
        height = roundUpToPowerOfTwo(requestedHeight, blankMinimumSide);
        if (width > textureSizeLimit() || height > textureSizeLimit()) {
            reportError(LUMORA_HERE, "Texture: dimensions too large", true);
        }
        std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4, 0);
        if (requestedWidth < width || requestedHeight < height) {
            for (int32_t row = 0; row < requestedHeight; ++row) {
                std::fill_n(pixels.begin() + ptrdiff_t(row) * width * 4, size_t(std::max(requestedWidth, 0)) * 4,
                            blankCornerByte);
            }
        }
        glGenTextures(1, &glName);
        glBindTexture(GL_TEXTURE_2D, glName);
        setParameters(GL_TEXTURE_2D, GL_LINEAR, GL_REPEAT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels.data());
    } else if (kind == GL_TEXTURE_CUBE_MAP || kind == GL_DEPTH_COMPONENT) {
        // Square by the requested width; the size check keeps a wrong width from
        // allocating a huge face before GL could refuse it.
        if (requestedWidth > textureSizeLimit()) {
            reportError(LUMORA_HERE, "Texture: dimensions too large", true);
        }
        width = height = requestedWidth;
        glGenTextures(1, &glName);
        if (kind == GL_TEXTURE_CUBE_MAP) {
            glEnable(GL_TEXTURE_CUBE_MAP);
            glBindTexture(GL_TEXTURE_CUBE_MAP, glName);
            setParameters(GL_TEXTURE_CUBE_MAP, GL_LINEAR, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
            std::vector<uint8_t> face(size_t(std::max(width, 0)) * size_t(std::max(width, 0)) * 4, 0);
            for (GLenum side = 0; side < 6; ++side) {
                glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + side, 0, GLint(internalFormat), width, width, 0,
                             GL_RGBA, GL_UNSIGNED_BYTE, face.data());
            }
            glDisable(GL_TEXTURE_CUBE_MAP);
        } else {
            glBindTexture(GL_TEXTURE_2D, glName);
            setParameters(GL_TEXTURE_2D, GL_LINEAR, GL_CLAMP_TO_EDGE);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, width, width, 0, GL_DEPTH_COMPONENT,
                         GL_UNSIGNED_BYTE, nullptr);
        }
    } else {
        return false;
    }
    checkGLError(LUMORA_HERE);
    return true;
}

void Texture::bind() const {
    glBindTexture(kind == GL_DEPTH_COMPONENT ? GL_TEXTURE_2D : kind, glName);
}

void Texture::setFilter(int32_t minification, int32_t magnification) const {
    bind();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minification);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnification);
}
