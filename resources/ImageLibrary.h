#pragma once
// Turns picture files from the data pack into ImageData for the texture upload, and
// reshapes decoded pictures for it.
//
// load picks the decoder by the name's last four characters: ".png"/".PNG" (PngDecoder),
// ".jpg"/".JPG" (JpegDecoder), ".dds"/".DDS" (DDSLoader); any other ending, mixed case
// included, yields none. Decoders fail silently (none): the texture cache tries the next
// candidate or gives up, and its caller chooses the words. A picture with a side above
// maxImageSide() is refused before anything is allocated for it.
//
// Callers: Texture (upload), TextureCache (load), tests, the image fuzzer and benchmark.
#include "resources/ImageData.h"

#include <cstdint>
#include <memory>

namespace ImageLibrary {
// path = directoryPrefix + fileName, nothing inserted between them.
std::unique_ptr<ImageData> load(const char* fileName, const char* directoryPrefix);
// 24 -> 32 bits in place, alpha 255 (an RGB picture is opaque). Any other depth is fatal:
// "Image has unsupported bit depth".
void convertTo32(ImageData& image);
// Nearest-neighbour resampling in place; 1 and a non-fatal "no image to scale" without an
// image, 0 on success.
int scale(uint32_t newWidth, uint32_t newHeight, ImageData* image);
// The largest side a decoded picture may have: the GL texture limit once it is known.
uint32_t maxImageSide();
}  // namespace ImageLibrary
