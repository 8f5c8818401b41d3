#include "base/RarReader.h"

#include "base/Crc32.h"
#include "base/RarCipher.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr uint8_t standardMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint8_t alternativeMarker[7] = {0x55, 0x6E, 0x69, 0x71, 0x75, 0x45, 0x21};
constexpr size_t mainHeaderSize = 13;
constexpr size_t fileHeaderSize = 32;
constexpr size_t entryNameLimit = 259;
constexpr size_t wantedNameLimit = 511;
// One symbol of at least one bit yields at most 260 bytes.
constexpr uint64_t maxExpansion = 8 * 260;

uint16_t load16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t load32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) out += char(c);
    else if (c < 0x800) { out += char(0xC0 | c >> 6); out += char(0x80 | (c & 0x3F)); }
    else { out += char(0xE0 | c >> 12); out += char(0x80 | ((c >> 6) & 0x3F)); out += char(0x80 | (c & 0x3F)); }
}

// Names with flag 0x0200: "legacy\0encoded", the encoded part giving 16-bit characters.
std::string decodeUnicodeName(const uint8_t* field, size_t size) {
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(field, 0, size));
    if (!zero) return std::string(reinterpret_cast<const char*>(field), size);
    const size_t legacyLength = size_t(zero - field);
    const uint8_t* encoded = zero + 1;
    const size_t encodedSize = size - legacyLength - 1;
    std::string out;
    if (encodedSize == 0) return std::string(reinterpret_cast<const char*>(field), legacyLength);
    size_t at = 0, produced = 0;
    const uint32_t high = encoded[at++];
    unsigned flags = 0, flagBits = 0;
    while (at < encodedSize) {
        if (flagBits == 0) { flags = encoded[at++]; flagBits = 8; if (at >= encodedSize) break; }
        flagBits -= 2;
        switch ((flags >> flagBits) & 3) {
        case 0: appendUtf8(out, encoded[at++]); ++produced; break;
        case 1: appendUtf8(out, high << 8 | encoded[at++]); ++produced; break;
        case 2:
            if (at + 2 > encodedSize) return out;
            appendUtf8(out, uint32_t(encoded[at + 1]) << 8 | encoded[at]);
            at += 2; ++produced; break;
        default: {
            const unsigned n = encoded[at++];
            if (n & 0x80) {
                if (at >= encodedSize) return out;
                const unsigned correction = encoded[at++];
                for (unsigned k = 0; k < (n & 0x7F) + 2 && produced < legacyLength; ++k, ++produced)
                    appendUtf8(out, ((field[produced] + correction) & 0xFF) + (high << 8));
            } else {
                for (unsigned k = 0; k < n + 2 && produced < legacyLength; ++k, ++produced)
                    appendUtf8(out, field[produced]);
            }
        }
        }
    }
    return out;
}
}  // namespace

RarReader::RarReader() : decoder(std::make_unique<RarDecoder>()) {}
RarReader::~RarReader() { close(); }

void RarReader::close() {
    if (file) std::fclose(file);
    file = nullptr;
    memory.clear();
    fileSize = 0;
    solidArchive = false;
    entryList.clear();
    index.clear();
    streamValid = false;
    streamNext = 0;
    std::fill(streamPassword.begin(), streamPassword.end(), '\0');
    streamPassword.clear();
    std::fill(cipherPassword.begin(), cipherPassword.end(), '\0');
    cipherPassword.clear();
    preparedCipher = RarCipher();
    cipherReady = false;
}

bool RarReader::openFile(const std::string& path) {
    close();
    file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    if (fseeko(file, 0, SEEK_END) != 0) { close(); return false; }
    const off_t length = ftello(file);
    if (length < 0) { close(); return false; }
    fileSize = uint64_t(length);
    if (!readDirectory()) { close(); return false; }
    return true;
}

bool RarReader::openMemory(const uint8_t* data, size_t size) {
    close();
    memory.assign(data, data + size);
    fileSize = size;
    if (!readDirectory()) { close(); return false; }
    return true;
}

bool RarReader::readAt(uint64_t offset, void* destination, size_t size) {
    if (offset > fileSize || size > fileSize - offset) return false;
    if (!file) {
        if (size) std::memcpy(destination, memory.data() + offset, size);
        return true;
    }
    if (fseeko(file, off_t(offset), SEEK_SET) != 0) return false;
    return std::fread(destination, 1, size, file) == size;
}

std::string RarReader::matchKey(const char* name, size_t maxLength) {
    std::string key;
    for (size_t i = 0; i < maxLength && name[i]; ++i) {
        char c = name[i];
        if (c == '\\' || c == '/') c = '_';
        else if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        key += c;
    }
    return key;
}

bool RarReader::readDirectory() {
    uint8_t marker[7];
    uint8_t header[fileHeaderSize];
    if (!readAt(0, marker, 7)) return false;
    if (std::memcmp(marker, standardMarker, 7) != 0 && std::memcmp(marker, alternativeMarker, 7) != 0) return false;
    if (!readAt(7, header, mainHeaderSize)) return false;
    const uint16_t mainSize = load16(header + 5);
    if (mainSize < mainHeaderSize) return false;
    solidArchive = load16(header + 3) & 0x0008;

    uint64_t blockStart = 7 + uint64_t(mainSize);
    // Each block takes at least 7 bytes, so the walk ends within fileSize / 7 steps.
    while (blockStart + 7 <= fileSize) {
        const size_t available = size_t(std::min<uint64_t>(fileHeaderSize, fileSize - blockStart));
        if (!readAt(blockStart, header, available)) break;
        const uint8_t type = header[2];
        const uint16_t flags = load16(header + 3);
        const uint16_t headSize = load16(header + 5);
        if (headSize < 7 || type == 0x77) break;
        uint64_t next = blockStart + headSize;
        if (flags & 0x8000) {
            if (available < 11) break;
            next += load32(header + 7);
        }
        if (type == 0x74) {
            if (available < fileHeaderSize) break;
            RarEntry entry;
            entry.flags = flags;
            entry.packedSize = load32(header + 7);
            entry.unpackedSize = load32(header + 11);
            entry.hostSystem = header[15];
            entry.crc = load32(header + 16);
            entry.fileTime = load32(header + 20);
            entry.version = header[24];
            entry.method = header[25];
            const uint16_t nameSize = load16(header + 26);
            entry.attributes = load32(header + 28);
            std::vector<uint8_t> nameField(size_t(nameSize) + 1, 0);  // never empty: no null data()
            if (!readAt(blockStart + fileHeaderSize, nameField.data(), nameSize)) break;
            const char* rawName = reinterpret_cast<const char*>(nameField.data());
            entry.name.assign(rawName, strnlen(rawName, nameSize));
            entry.displayName = (flags & 0x0200) ? decodeUnicodeName(nameField.data(), nameSize) : entry.name;
            std::replace(entry.displayName.begin(), entry.displayName.end(), '\\', '/');
            entry.dataOffset = blockStart + headSize;
            entry.damaged = headSize < fileHeaderSize + nameSize || entry.dataOffset > fileSize ||
                            entry.packedSize > fileSize - entry.dataOffset;
            std::string key = matchKey(entry.name.c_str(), std::min<size_t>(entry.name.size(), entryNameLimit));
            index.emplace(std::move(key), int(entryList.size()));
            entryList.push_back(std::move(entry));
        }
        if (next <= blockStart) break;
        blockStart = next;
    }
    return true;
}

int RarReader::find(const char* name) const {
    if (!name) return -1;
    auto found = index.find(matchKey(name, wantedNameLimit));
    return found == index.end() ? -1 : found->second;
}

bool RarReader::sizeIsPlausible(const RarEntry& entry) {
    if (entry.stored()) return entry.unpackedSize <= entry.packedSize;
    return entry.unpackedSize <= uint64_t(entry.packedSize) * maxExpansion + 260;
}

RarReader::Result RarReader::checkHeader(const RarEntry& entry) const {
    if (entry.directory()) return Result::directory;
    if (entry.damaged || !sizeIsPlausible(entry)) return Result::damaged;
    // Split entries need the other volumes; 64-bit sizes move the name and are never needed here.
    if (entry.flags & 0x0103) return Result::unsupported;
    // Stored plain data of the older 1.x versions is still plain; anything that passes
    // through the decompressor or the cipher must be of version 2.0.
    const bool plain = entry.stored() && !entry.encrypted();
    if (plain ? (entry.version < 13 || entry.version > 20) : entry.version != 20) return Result::unsupported;
    if (entry.encrypted() && entry.packedSize % 16 != 0) return Result::damaged;
    return Result::ok;
}

RarReader::Result RarReader::decodeOne(size_t i, const std::string& password, uint8_t* output, uint32_t& size) {
    const RarEntry& entry = entryList[i];
    size = 0;
    if (entry.encrypted() && password.empty()) return Result::needsPassword;
    packed.resize(std::max<size_t>(entry.packedSize, 1));
    if (!readAt(entry.dataOffset, packed.data(), entry.packedSize)) return Result::damaged;
    if (entry.encrypted()) {
        // The key setup is the same for every entry; only its result is copied per entry.
        if (!cipherReady || cipherPassword != password) {
            preparedCipher.setPassword(password);
            cipherPassword = password;
            cipherReady = true;
        }
        RarCipher cipher = preparedCipher;
        cipher.decrypt(packed.data(), entry.packedSize);
    }
    if (entry.stored()) {
        size = std::min(entry.packedSize, entry.unpackedSize);
        if (output && size) std::memcpy(output, packed.data(), size);
        return Result::ok;
    }
    if (!decoder->decodeEntry(packed.data(), entry.packedSize, output, entry.unpackedSize, entry.continuesSolid()))
        return Result::damaged;
    size = entry.unpackedSize;
    return Result::ok;
}

RarReader::Result RarReader::extract(size_t i, const std::string& password, uint8_t* output, uint32_t& size) {
    size = 0;
    if (i >= entryList.size()) return Result::damaged;
    const RarEntry& entry = entryList[i];
    if (Result check = checkHeader(entry); check != Result::ok) return check;

    if (!solidArchive) {
        decoder->reset();
        streamValid = false;
    } else {
        // Every earlier entry carries the stream; resume where the last extraction stopped
        // when that lies before this entry and used the same password.
        if (!streamReuse || !streamValid || streamNext > i || streamPassword != password) {
            decoder->reset();
            streamNext = 0;
        }
        streamValid = false;
        for (; streamNext < i; ++streamNext) {
            const RarEntry& earlier = entryList[streamNext];
            if (earlier.directory()) continue;
            if (Result check = checkHeader(earlier); check != Result::ok) return check;
            if (earlier.stored()) continue;
            uint32_t ignored;
            if (Result r = decodeOne(streamNext, password, nullptr, ignored); r != Result::ok) return r;
        }
    }
    const Result result = decodeOne(i, password, output, size);
    if (result != Result::ok) return result;
    if (solidArchive) {
        streamValid = true;
        streamNext = i + 1;
        streamPassword = password;
    }
    if (Crc32::of(output, size) != entry.crc) return Result::checksumMismatch;
    return Result::ok;
}

const char* RarReader::resultText(Result result) {
    switch (result) {
    case Result::ok: return "ok";
    case Result::damaged: return "damaged data";
    case Result::unsupported: return "unsupported compression version or layout";
    case Result::needsPassword: return "encrypted, a password is needed";
    case Result::checksumMismatch: return "checksum mismatch (wrong password or damaged data)";
    case Result::directory: return "a directory";
    }
    return "unknown";
}
