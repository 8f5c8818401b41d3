#include "base/PngWriter.h"

#include <png.h>

#include <cstdio>
#include <vector>

bool writePng(const std::string& path, int width, int height, int channels, const uint8_t* pixels) {
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
        // Frames are written many per second: favour speed over size.
        png_set_compression_level(png, 3);
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                     channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        std::vector<png_bytep> rows(static_cast<size_t>(height));
        for (int y = 0; y < height; ++y) {
            rows[size_t(y)] = const_cast<png_bytep>(pixels + size_t(y) * size_t(width) * size_t(channels));
        }
        png_set_rows(png, info, rows.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    written = (std::fclose(file) == 0) && written;
    return written;
}
