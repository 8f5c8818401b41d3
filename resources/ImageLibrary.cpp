#include "resources/ImageLibrary.h"

#include "base/ErrorReport.h"
#include "base/LumoraConfig.h"
#include "resources/DDSLoader.h"
#include "resources/JpegDecoder.h"
#include "resources/PngDecoder.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
// Before the GL limits are read (tools, the fuzzer) pictures are held to a common limit.
constexpr uint32_t fallbackMaxImageSide = 8192;

bool endsWith(const std::string& text, const char* ending) {
    size_t length = std::strlen(ending);
    return text.size() >= length && text.compare(text.size() - length, length, ending) == 0;
}
}  // namespace

uint32_t ImageLibrary::maxImageSide() {
    return maxTextureSize > 0 ? uint32_t(maxTextureSize) : fallbackMaxImageSide;
}

std::unique_ptr<ImageData> ImageLibrary::load(const char* fileName, const char* directoryPrefix) {
    if (!fileName) return nullptr;
    std::string name = fileName;
    std::string path = (directoryPrefix && *directoryPrefix) ? std::string(directoryPrefix) + name : name;
    if (endsWith(name, ".png") || endsWith(name, ".PNG")) return PngDecoder::load(path.c_str());
    if (endsWith(name, ".dds") || endsWith(name, ".DDS")) return DDSLoader::load(path.c_str());
    if (endsWith(name, ".jpg") || endsWith(name, ".JPG")) return JpegDecoder::load(path.c_str());
    return nullptr;
}

void ImageLibrary::convertTo32(ImageData& image) {
    if (image.bitsPerPixel != 24) {
        image.bitsPerPixel = 32;
        reportError(LUMORA_HERE, "Image has unsupported bit depth", true);
        return;
    }
    const size_t pixelCount = size_t(image.width) * image.height;
    const size_t sourceStride = image.rowBytes ? image.rowBytes : size_t(image.width) * 3;
    checkTrue(image.pixels.size() >= sourceStride * image.height, LUMORA_HERE);
    std::vector<uint8_t> converted(pixelCount * 4);
    uint8_t* target = converted.data();
    for (uint32_t row = 0; row < image.height; ++row) {
        const uint8_t* source = image.pixels.data() + row * sourceStride;
        for (uint32_t column = 0; column < image.width; ++column) {
            *target++ = source[0];
            *target++ = source[1];
            *target++ = source[2];
            *target++ = 255;
            source += 3;
        }
    }
    image.pixels.swap(converted);
    image.bitsPerPixel = 32;
    image.rowBytes = image.width * 4;
}

int ImageLibrary::scale(uint32_t newWidth, uint32_t newHeight, ImageData* image) {
    if (!image) {
        reportError(LUMORA_HERE, "no image to scale", false);
        return 1;
    }
    // S3TC blocks are not pixels; they are uploaded at their own size.
    if (image->compressedFormat != 0) return 1;
    const uint32_t bytesPerPixel = image->bitsPerPixel / 8;
    const uint32_t oldWidth = image->width;
    const uint32_t oldHeight = image->height;
    const size_t sourceStride = image->rowBytes ? image->rowBytes : size_t(oldWidth) * bytesPerPixel;
    std::vector<uint8_t> scaled(size_t(newWidth) * newHeight * bytesPerPixel);
    if (oldWidth > 0 && oldHeight > 0 && bytesPerPixel > 0) {
        checkTrue(image->pixels.size() >= sourceStride * oldHeight, LUMORA_HERE);
        // The ratios in single precision and truncated products give the picture's exact
        // sampling; the clamps only guard against float rounding at the far edge.
        const float columnRatio = float(oldWidth) / float(newWidth);
        const float rowRatio = float(oldHeight) / float(newHeight);
        uint8_t* target = scaled.data();
        for (uint32_t j = 0; j < newHeight; ++j) {
            uint32_t sourceRow = std::min(uint32_t(float(j) * rowRatio), oldHeight - 1);
            const uint8_t* sourceLine = image->pixels.data() + sourceRow * sourceStride;
            for (uint32_t k = 0; k < newWidth; ++k) {
                uint32_t sourceColumn = std::min(uint32_t(columnRatio * float(k)), oldWidth - 1);
                std::memcpy(target, sourceLine + size_t(sourceColumn) * bytesPerPixel, bytesPerPixel);
                target += bytesPerPixel;
            }
        }
    }
    image->pixels.swap(scaled);
    image->width = newWidth;
    image->height = newHeight;
    image->rowBytes = newWidth * bytesPerPixel;
    return 0;
}
