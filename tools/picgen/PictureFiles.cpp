#include "PictureFiles.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#define STB_DXT_IMPLEMENTATION
#include <stb/stb_dxt.h>

#include "base/PngWriter.h"

namespace {

void put32(std::vector<uint8_t>& out, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[offset + size_t(i)] = uint8_t(value >> (8 * i));
    }
}

// DXT blocks of one mipmap level, 4×4 pixels each, rows of blocks top first.
void compressLevel(const Canvas& level, PictureFiles::Dxt kind, std::vector<uint8_t>& out) {
    const std::vector<uint8_t> rgba = level.toBytes(4);
    const int w = level.width(), h = level.height();
    const bool alpha = kind == PictureFiles::Dxt::dxt5;
    for (int by = 0; by < h; by += 4) {
        for (int bx = 0; bx < w; bx += 4) {
            uint8_t block[64];
            // Levels of 2×2 and 1×1 still fill a whole block: repeat the edge pixels.
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const int sx = bx + x < w ? bx + x : w - 1;
                    const int sy = by + y < h ? by + y : h - 1;
                    std::memcpy(block + (y * 4 + x) * 4, rgba.data() + (size_t(sy) * size_t(w) + size_t(sx)) * 4, 4);
                }
            }
            uint8_t packed[16];
            stb_compress_dxt_block(packed, block, alpha ? 1 : 0, STB_DXT_HIGHQUAL);
            out.insert(out.end(), packed, packed + (alpha ? 16 : 8));
        }
    }
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "picgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "picgen: writing %s failed\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

namespace PictureFiles {

bool writeJpeg(const std::string& path, const Canvas& canvas, int quality) {
    const std::vector<uint8_t> rgb = canvas.toBytes(3);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "picgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(canvas.width());
    info.image_height = JDIMENSION(canvas.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    const size_t stride = size_t(canvas.width()) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(file) != 0) {
        std::fprintf(stderr, "picgen: writing %s failed\n", path.c_str());
        return false;
    }
    return true;
}

bool writePngRgba(const std::string& path, const Canvas& canvas) {
    const std::vector<uint8_t> rgba = canvas.toBytes(4);
    if (!writePng(path, canvas.width(), canvas.height(), 4, rgba.data())) {
        std::fprintf(stderr, "picgen: writing %s failed\n", path.c_str());
        return false;
    }
    return true;
}

bool writeDds(const std::string& path, const Canvas& canvas, Dxt kind) {
    const int side = canvas.width();
    if (side != canvas.height() || side < 4 || (side & (side - 1)) != 0) {
        std::fprintf(stderr, "picgen: %s: a DDS picture must be square with a power-of-two side\n", path.c_str());
        return false;
    }
    std::vector<uint8_t> blocks;
    uint32_t levels = 0;
    uint32_t topLevelSize = 0;
    Canvas level = canvas;
    for (;;) {
        compressLevel(level, kind, blocks);
        if (levels == 0) {
            topLevelSize = uint32_t(blocks.size());
        }
        ++levels;
        if (level.width() == 1) {
            break;
        }
        level = level.halved();
    }

    // The standard 4-byte magic and 124-byte header; fields not written stay zero.
    std::vector<uint8_t> file(128, 0);
    std::memcpy(file.data(), "DDS ", 4);
    put32(file, 4, 124);
    put32(file, 8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x80000);  // caps, height, width, format, mipmaps, linear size
    put32(file, 12, uint32_t(side));                              // height
    put32(file, 16, uint32_t(side));                              // width
    put32(file, 20, topLevelSize);                                // linear size of the top level
    put32(file, 28, levels);                                      // mipmap count, top level included
    put32(file, 76, 32);                                          // pixel format size
    put32(file, 80, 0x4);                                         // four-character code present
    std::memcpy(file.data() + 84, kind == Dxt::dxt1 ? "DXT1" : "DXT5", 4);
    put32(file, 108, 0x1000 | 0x400000 | 0x8);                    // texture, mipmap, complex
    file.insert(file.end(), blocks.begin(), blocks.end());
    return writeFile(path, file);
}

}  // namespace PictureFiles
