// libFuzzer target for the pack reader: the input is an archive; every entry whose header
// looks plausible is extracted with and without a password, in order and out of order.
// The same bytes also go straight to the decompressor as one entry's packed data.
#include "base/RarDecoder.h"
#include "base/RarReader.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RarReader reader;
    if (reader.openMemory(data, size)) {
        const auto& entries = reader.entries();
        for (const char* password : {"", "tiger19"}) {
            for (size_t k = 0; k < entries.size() * 2 && k < 64; ++k) {
                const size_t i = k < entries.size() ? k : entries.size() - 1 - (k - entries.size());
                const RarEntry& entry = entries[i];
                if (!RarReader::sizeIsPlausible(entry) || entry.unpackedSize > (64u << 20)) continue;
                std::vector<uint8_t> out(size_t(entry.unpackedSize) + 1);
                uint32_t produced = 0;
                reader.extract(i, password, out.data(), produced);
                if (produced > entry.unpackedSize) __builtin_trap();
            }
        }
    }
    if (size >= 2) {
        static RarDecoder decoder;
        const uint32_t unpacked = (uint32_t(data[0]) << 8 | data[1]) * 4;
        std::vector<uint8_t> out(unpacked);
        decoder.decodeEntry(data + 2, size - 2, out.data(), unpacked, false);
    }
    return 0;
}
