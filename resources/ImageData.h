#pragma once
// A decoded picture on its way to a texture: what ImageLibrary::load delivers and
// Texture uploads. Uncompressed pixels are rows top first, each rowBytes long (JPEG rows
// are padded to a multiple of 4 bytes, other decoders pack them); compressed pictures hold
// the S3TC blocks of every stored mipmap level, largest first.
#include <cstdint>
#include <vector>

struct ImageData {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;      // channels x bit depth; 24 for DXT1, 32 for DXT3/DXT5
    uint32_t rowBytes = 0;          // stride of one stored row (uncompressed only)
    std::vector<uint8_t> pixels;
    uint32_t compressedFormat = 0;  // 0, or GL_COMPRESSED_RGBA_S3TC_DXT1/3/5_EXT
    uint32_t mipmapCount = 0;       // DDS only: the header's count
};
