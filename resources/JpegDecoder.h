#pragma once
// JPEG files through libjpeg-turbo, decoded from memory into the channel layouts the
// engine expects: grey expanded to three channels, YCbCr to RGB, four-channel files
// (CMYK/YCCK) passed through as libjpeg delivers them, anything else as stored. Rows are
// padded to a multiple of 4 bytes (rowBytes says how long). Files libjpeg only warns about
// (truncated or damaged data) are refused like errors: a half-decoded picture is never
// shown.
#include "base/lvp.h"
#include "resources/ImageData.h"

#include <memory>

namespace JpegDecoder {
std::unique_ptr<ImageData> load(const char* path);
// Decodes the bytes from the read position to the end; the file stays open.
std::unique_ptr<ImageData> decode(PackFile& file);
}  // namespace JpegDecoder
