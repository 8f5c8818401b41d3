#pragma once
// DDS files holding S3TC blocks (FourCC "DXT1", "DXT3", "DXT5"), with their mipmap chain.
//
// The header's sizes are not trusted: the data read is the header's linear size (doubled
// when a chain follows) but never more than the file holds, and a file whose data cannot
// hold its top level, or whose side is zero or above the texture limit, yields none.
// A square file is required: a DXTn file of another shape is the fatal report
// "Non-square compressed images not supported".
#include "base/lvp.h"
#include "resources/ImageData.h"

#include <cstddef>
#include <memory>

namespace DDSLoader {
enum class Outcome { Decoded, Refused, NonSquare };

std::unique_ptr<ImageData> load(const char* path);
// The decoding core without reports, for load, tests and the fuzzer.
Outcome decode(PackFile& file, std::unique_ptr<ImageData>& image);
// Bytes of one level of w x h texels in the given S3TC format.
size_t levelSize(uint32_t compressedFormat, uint32_t width, uint32_t height);
}  // namespace DDSLoader
