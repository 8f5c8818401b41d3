#include "base/RarWriter.h"

#include "base/Crc32.h"
#include "base/RarCipher.h"
#include "base/RarEncoder.h"

#include <algorithm>

namespace {
constexpr uint8_t marker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint16_t longBlock = 0x8000, encryptedFlag = 0x0004, solidFlag = 0x0010;
constexpr uint16_t dictionary1M = 4 << 5;
constexpr uint8_t hostMsDos = 0, archiveAttribute = 0x20;
constexpr uint8_t version20 = 20, methodStored = 0x30, methodNormal = 0x33;

void put16(std::vector<uint8_t>& out, uint32_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); }
void put32(std::vector<uint8_t>& out, uint32_t v) { put16(out, v & 0xFFFF); put16(out, v >> 16); }

// Header CRC: the low half of the CRC of everything after the CRC field.
void sealHeader(std::vector<uint8_t>& out, size_t start) {
    const uint32_t crc = Crc32::of(out.data() + start + 2, out.size() - start - 2) & 0xFFFF;
    out[start] = uint8_t(crc);
    out[start + 1] = uint8_t(crc >> 8);
}
}  // namespace

RarWriter::RarWriter(Options options) : options(std::move(options)) {}

void RarWriter::add(std::string name, std::vector<uint8_t> data) {
    entries.push_back({std::move(name), std::move(data)});
}

void RarWriter::appendEntry(std::vector<uint8_t>& out, const Entry& entry, std::vector<uint8_t> packed, bool stored,
                            bool continues) const {
    uint16_t flags = longBlock | dictionary1M;
    if (continues) flags |= solidFlag;
    if (!options.password.empty()) {
        flags |= encryptedFlag;
        packed.resize((packed.size() + 15) / 16 * 16, 0);
        RarCipher cipher;
        cipher.setPassword(options.password);
        cipher.encrypt(packed.data(), packed.size());
    }
    const size_t start = out.size();
    const size_t nameLength = std::min(entry.name.size(), maxNameLength);
    put16(out, 0);
    out.push_back(0x74);
    put16(out, flags);
    put16(out, uint32_t(32 + nameLength));
    put32(out, uint32_t(packed.size()));
    put32(out, uint32_t(entry.data.size()));
    out.push_back(hostMsDos);
    put32(out, Crc32::of(entry.data.data(), entry.data.size()));
    put32(out, fixedFileTime);
    out.push_back(version20);
    out.push_back(stored ? methodStored : methodNormal);
    put16(out, uint32_t(nameLength));
    put32(out, archiveAttribute);
    // The format's path separator is a backslash; other readers take "/" as part of a name.
    std::string name = entry.name.substr(0, nameLength);
    std::replace(name.begin(), name.end(), '/', '\\');
    out.insert(out.end(), name.begin(), name.end());
    sealHeader(out, start);
    out.insert(out.end(), packed.begin(), packed.end());
}

std::vector<uint8_t> RarWriter::finish() {
    std::vector<uint8_t> out(marker, marker + 7);
    const bool solid = options.solid && !options.store;
    put16(out, 0);
    out.push_back(0x73);
    put16(out, solid ? 0x0008 : 0);
    put16(out, 13);
    put16(out, 0);
    put32(out, 0);
    sealHeader(out, 7);

    if (solid) {
        // Empty entries come first, stored, before the stream starts: other readers lose a
        // solid stream at any zero-length entry inside it. The rest keep their order.
        std::stable_partition(entries.begin(), entries.end(), [](const Entry& e) { return e.data.empty(); });
        std::vector<uint8_t> stream;
        std::vector<size_t> ends;
        for (const Entry& entry : entries) {
            stream.insert(stream.end(), entry.data.begin(), entry.data.end());
            ends.push_back(stream.size());
        }
        RarEncoder encoder(stream.data(), stream.size());
        const unsigned alignment = options.password.empty() ? 1 : 16;
        size_t begin = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].data.empty()) {
                appendEntry(out, entries[i], {}, true, false);
                continue;
            }
            const bool followed = i + 1 < entries.size();
            appendEntry(out, entries[i], encoder.encodeEntry(begin, ends[i], followed, alignment), false, begin > 0);
            begin = ends[i];
        }
        return out;
    }
    for (const Entry& entry : entries) {
        if (options.store || entry.data.empty()) {
            appendEntry(out, entry, entry.data, true, false);
            continue;
        }
        RarEncoder encoder(entry.data.data(), entry.data.size());
        std::vector<uint8_t> packed = encoder.encodeEntry(0, entry.data.size(), false, 1);
        const bool store = packed.size() >= entry.data.size();
        appendEntry(out, entry, store ? entry.data : std::move(packed), store, false);
    }
    return out;
}
