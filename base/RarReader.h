#pragma once
// Reads archives of the 1.5–2.x block format: walks the block directory once, finds entries
// by name and decodes them (stored or 2.0-compressed, solid or not, 2.0-encrypted or not),
// checking every entry against its data CRC.
//
// Name rules (what DataPack relies on): an entry's name counts with its first 259 bytes, up
// to a zero byte; a wanted name with its first 511 bytes. Both compare after mapping "\" and
// "/" to "_" and letters to upper case; the first entry in archive order wins. A block of
// type 0x77 ends the directory, as does the first block that does not fit in the file.
//
// Solid archives: an entry can only be decoded after every earlier entry, in order. The
// reader keeps the decoder of the last entry it produced, so entries opened in archive order
// cost one pass in all; opening an earlier entry starts the stream again. Every size, count
// and offset read from the archive is checked against the file before it is used.
// Callers: DataPack (base/lvp), the lvpack tool, the fuzz target.
#include "base/RarCipher.h"
#include "base/RarDecoder.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

struct RarEntry {
    std::string name;         // raw name bytes, as stored (up to a zero byte)
    std::string displayName;  // the name as UTF-8 with "/" separators, for listings and extraction
    uint64_t dataOffset = 0;
    uint32_t packedSize = 0;
    uint32_t unpackedSize = 0;
    uint32_t crc = 0;
    uint32_t fileTime = 0;
    uint32_t attributes = 0;
    uint16_t flags = 0;
    uint8_t hostSystem = 0;
    uint8_t version = 0;
    uint8_t method = 0;
    bool damaged = false;  // header inconsistent, or its data reaches past the end of the file

    bool encrypted() const { return flags & 0x0004; }
    bool continuesSolid() const { return flags & 0x0010; }
    bool directory() const { return (flags & 0x00E0) == 0x00E0; }
    bool stored() const { return method == 0x30; }
};

class RarReader {
public:
    enum class Result { ok, damaged, unsupported, needsPassword, checksumMismatch, directory };

    RarReader();
    ~RarReader();
    RarReader(const RarReader&) = delete;
    RarReader& operator=(const RarReader&) = delete;

    // False when the file cannot be read or carries no archive marker and main header.
    bool openFile(const std::string& path);
    bool openMemory(const uint8_t* data, size_t size);
    void close();

    bool solid() const { return solidArchive; }
    const std::vector<RarEntry>& entries() const { return entryList; }
    // Index of the first entry of that name, or -1.
    int find(const char* name) const;
    // Largest output an entry can produce, as far as its header lets us know; 0 for an entry
    // that cannot be decoded. Callers size their buffers from unpackedSize after this check.
    static bool sizeIsPlausible(const RarEntry& entry);

    // Decodes an entry into output (room for unpackedSize bytes); size gets the bytes made.
    Result extract(size_t index, const std::string& password, uint8_t* output, uint32_t& size);

    // Turns the solid-stream continuation off: every extraction starts the stream again, as a
    // reader without memory would (for measurements).
    void setStreamReuse(bool enabled) { streamReuse = enabled; }

    static std::string matchKey(const char* name, size_t maxLength);
    static const char* resultText(Result result);

private:
    bool readAt(uint64_t offset, void* destination, size_t size);
    bool readDirectory();
    Result checkHeader(const RarEntry& entry) const;
    Result decodeOne(size_t index, const std::string& password, uint8_t* output, uint32_t& size);

    FILE* file = nullptr;
    std::vector<uint8_t> memory;
    uint64_t fileSize = 0;
    bool solidArchive = false;
    std::vector<RarEntry> entryList;
    std::unordered_map<std::string, int> index;

    std::unique_ptr<RarDecoder> decoder;
    std::vector<uint8_t> packed;
    bool streamReuse = true;
    bool streamValid = false;     // decoder holds the state after entry streamNext - 1
    size_t streamNext = 0;
    std::string streamPassword;
    RarCipher preparedCipher;
    std::string cipherPassword;
    bool cipherReady = false;
};
