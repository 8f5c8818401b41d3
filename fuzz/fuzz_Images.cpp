// Feeds arbitrary bytes to the PNG, JPEG and DDS decoders. The first byte picks the
// decoder (so one corpus serves all three), the rest is the file. A decoder must return a
// picture whose buffer holds what its header claims, or none, and never read or allocate
// beyond what the file allows.
#include "base/lvp.h"
#include "resources/DDSLoader.h"
#include "resources/JpegDecoder.h"
#include "resources/PngDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void checkUncompressed(const ImageData& image) {
    const size_t rowLength = (size_t(image.width) * image.bitsPerPixel + 7) / 8;
    if (image.rowBytes < rowLength || image.pixels.size() < size_t(image.rowBytes) * image.height) std::abort();
}

void checkCompressed(const ImageData& image) {
    if (image.width != image.height) std::abort();
    if (image.pixels.size() < DDSLoader::levelSize(image.compressedFormat, image.width, image.height)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // A private copy: decoders must not depend on bytes past the end.
    std::vector<uint8_t> bytes(data + 1, data + size);
    PackFile file;
    file.data = bytes.data();
    file.size = uint32_t(bytes.size());
    file.ok = true;
    switch (data[0] % 3) {
        case 0:
            if (auto image = PngDecoder::decode(file)) checkUncompressed(*image);
            break;
        case 1:
            if (auto image = JpegDecoder::decode(file)) checkUncompressed(*image);
            break;
        default: {
            std::unique_ptr<ImageData> image;
            if (DDSLoader::decode(file, image) == DDSLoader::Outcome::Decoded) checkCompressed(*image);
            break;
        }
    }
    return 0;
}
