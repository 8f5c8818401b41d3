#include "base/PngWriter.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <vector>

bool writePng(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
              const PngOptions& options) {
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4) || !pixels) {
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_compression_level(png, options.compressionLevel);
        if (options.fastFilter) {
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        }
        if (options.runLengthOnly) {
            png_set_compression_strategy(png, Z_RLE);
        }
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                     channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        std::vector<png_bytep> rows(static_cast<size_t>(height));
        for (int y = 0; y < height; ++y) {
            size_t row = options.bottomRowFirst ? size_t(height - 1 - y) : size_t(y);
            rows[size_t(y)] = const_cast<png_bytep>(pixels + row * size_t(width) * size_t(channels));
        }
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    written = (std::fclose(file) == 0) && written;
    return written;
}
