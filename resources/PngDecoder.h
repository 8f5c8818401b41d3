#pragma once
// PNG files through libpng, read straight from the in-memory pack file. No transformations
// are requested: palette, grey and 16-bit pictures come out as stored (bitsPerPixel =
// channels x bit depth) and the texture upload refuses them; interlaced files are
// de-interlaced. Any libpng error, a truncated file included, yields none.
#include "base/lvp.h"
#include "resources/ImageData.h"

#include <memory>

namespace PngDecoder {
std::unique_ptr<ImageData> load(const char* path);
// Decodes from the file's read position; the file stays open.
std::unique_ptr<ImageData> decode(PackFile& file);
}  // namespace PngDecoder
