#include "base/Crc32.h"

#include <zlib.h>

const uint32_t* Crc32::table() {
    static const auto entries = [] {
        struct Table { uint32_t value[256]; } built{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            built.value[i] = c;
        }
        return built;
    }();
    return entries.value;
}

uint32_t Crc32::update(uint32_t crc, const void* data, size_t size) {
    // zlib computes the same CRC, several times faster than a byte-wise table walk.
    const auto* bytes = static_cast<const Bytef*>(data);
    while (size > 0) {
        uInt chunk = size > 0x40000000u ? 0x40000000u : uInt(size);
        crc = uint32_t(crc32(crc, bytes, chunk));
        bytes += chunk;
        size -= chunk;
    }
    return crc;
}
