#include "resources/DDSLoader.h"

#include "base/ErrorReport.h"
#include "resources/ImageLibrary.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t headerSize = 124;
// Offsets within the header (after the four magic bytes).
constexpr size_t heightOffset = 8;
constexpr size_t widthOffset = 12;
constexpr size_t linearSizeOffset = 16;
constexpr size_t mipmapCountOffset = 24;
constexpr size_t fourCCOffset = 80;  // inside the pixel format record at 72

uint32_t readLittle32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

}  // namespace

size_t DDSLoader::levelSize(uint32_t compressedFormat, uint32_t width, uint32_t height) {
    const size_t blockSize = compressedFormat == GL_COMPRESSED_RGBA_S3TC_DXT1_EXT ? 8 : 16;
    return ((size_t(width) + 3) / 4) * ((size_t(height) + 3) / 4) * blockSize;
}

DDSLoader::Outcome DDSLoader::decode(PackFile& file, std::unique_ptr<ImageData>& image) {
    image.reset();
    char magic[4];
    if (DataPack::read(magic, 4, 1, &file) != 1 || std::memcmp(magic, "DDS ", 4) != 0) {
        return Outcome::Refused;
    }
    uint8_t header[headerSize];
    if (DataPack::read(header, headerSize, 1, &file) != 1) return Outcome::Refused;

    const uint32_t height = readLittle32(header + heightOffset);
    const uint32_t width = readLittle32(header + widthOffset);
    const uint32_t linearSize = readLittle32(header + linearSizeOffset);
    const uint32_t mipmapCount = readLittle32(header + mipmapCountOffset);

    // Room for the whole chain when one follows, but never more than the file still holds.
    uint64_t wanted = uint64_t(linearSize) * (mipmapCount > 1 ? 2 : 1);
    const size_t available = file.size - file.position;
    const size_t dataSize = size_t(std::min<uint64_t>(wanted, available));

    if (width != height) return Outcome::NonSquare;

    auto result = std::make_unique<ImageData>();
    const char* fourCC = reinterpret_cast<const char*>(header + fourCCOffset);
    if (std::memcmp(fourCC, "DXT1", 4) == 0) {
        result->bitsPerPixel = 24;
        result->compressedFormat = GL_COMPRESSED_RGBA_S3TC_DXT1_EXT;
    } else if (std::memcmp(fourCC, "DXT3", 4) == 0) {
        result->bitsPerPixel = 32;
        result->compressedFormat = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
    } else if (std::memcmp(fourCC, "DXT5", 4) == 0) {
        result->bitsPerPixel = 32;
        result->compressedFormat = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
    } else {
        return Outcome::Refused;
    }
    if (width == 0 || width > ImageLibrary::maxImageSide() ||
        levelSize(result->compressedFormat, width, height) > dataSize) {
        return Outcome::Refused;
    }
    result->pixels.resize(dataSize);
    if (dataSize > 0 && DataPack::read(result->pixels.data(), dataSize, 1, &file) != 1) {
        return Outcome::Refused;
    }
    result->width = width;
    result->height = height;
    result->mipmapCount = mipmapCount;
    image = std::move(result);
    return Outcome::Decoded;
}

std::unique_ptr<ImageData> DDSLoader::load(const char* path) {
    PackFile file;
    if (!DataPack::open(path, file)) return nullptr;
    std::unique_ptr<ImageData> image;
    Outcome outcome = file.size > 0 ? decode(file, image) : Outcome::Refused;
    DataPack::release(file);
    if (outcome == Outcome::NonSquare) {
        reportError(LUMORA_HERE, "Non-square compressed images not supported", true);
    }
    return image;
}
