#pragma once
// Compressor for the version 2.0 archive method (the LZ mode): a hash-chain match finder over
// a 1 MiB window with lazy matching and re-used distances, and canonical Huffman codes built
// per block of symbols; a block gets new codes only where their table costs less than it
// saves. Output decodes with RarDecoder and with other readers of the format.
//
// One encoder follows one stream. For a solid group, call encodeEntry for each entry in order
// over the same stream buffer: an entry keeps the codes of the one before where they cover
// its symbols and pay, and otherwise starts with a table switch. Every entry's packed data is
// a byte-aligned stream of its own. Used by RarWriter.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class RarEncoder {
public:
    // stream: every byte of the group in order; it must outlive the encoder.
    RarEncoder(const uint8_t* stream, size_t size);
    ~RarEncoder();
    RarEncoder(const RarEncoder&) = delete;
    RarEncoder& operator=(const RarEncoder&) = delete;

    // Packs the bytes [begin, end) of the stream, which must follow the previous entry's.
    // followed: another entry of the stream comes next; alignment: the packed data will be
    // padded with zeros to a multiple of this (16 when encrypted, else 1).
    std::vector<uint8_t> encodeEntry(size_t begin, size_t end, bool followed, unsigned alignment);

    struct Impl;

private:
    std::unique_ptr<Impl> impl;
};
