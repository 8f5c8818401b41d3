#pragma once
// One OpenGL texture: a 2D texture made from a picture file, or a blank 2D, cube-map or
// depth texture to render into. Made by TextureCache, which owns every Texture; effects,
// materials and render targets hold plain pointers to them.
//
// Picture uploads round each side up to a power of two and then raise the height to the
// width (a texture is never wider than tall), resampling by nearest neighbour; S3TC
// pictures go up level by level as stored. The GL object is never deleted: it ends with
// the GL context.
#include "resources/ImageData.h"

#include <cstdint>
#include <memory>
#include <string>

class Texture {
public:
    // kind: GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP or GL_DEPTH_COMPONENT (a depth texture,
    // bound as 2D).
    Texture(uint32_t kind, uint32_t internalFormat, bool mipmaps);

    // Takes the decoded picture, uploads it as a 2D texture and frees it.
    void upload(std::unique_ptr<ImageData> picture);
    // Makes the GL texture of a blank texture of this kind; false for a kind that has none.
    bool createBlank(int32_t requestedWidth, int32_t requestedHeight);

    void bind() const;
    void setFilter(int32_t minification, int32_t magnification) const;
    uint32_t name() const { return glName; }

    int32_t width = 0;   // of the GL texture, after rounding
    int32_t height = 0;
    int32_t imageWidth = 0;   // of the picture it was made from
    int32_t imageHeight = 0;
    std::unique_ptr<ImageData> image;  // pending pixels, freed by the upload
    uint32_t glName = 0;
    std::string sourcePath;  // data path of the picture file it was made from; empty for blank ones
    uint32_t kind;
    uint32_t internalFormat;
    bool mipmaps;

    // Smallest power of two at or above side, counting from start (1 for pictures, 8 for
    // blank textures).
    static int32_t roundUpToPowerOfTwo(int32_t side, int32_t start);

private:
    void uploadCompressed(const ImageData& picture);
};
