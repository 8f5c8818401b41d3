#pragma once
// Decompressor for the version 2.0 archive method: LZ77 over a 1 MiB window with Huffman
// codes that the stream replaces at will, and a multimedia mode that predicts each byte of
// up to four interleaved channels and codes only the prediction error.
//
// One decoder follows one solid stream: decodeEntry continues the window, the codes and the
// predictors of the previous entry when told the entry is a continuation, and starts afresh
// otherwise. Every entry's packed data is its own byte-aligned bit stream. Damaged input
// (an unused code, a distance before the start of the stream, a match past the entry's end,
// bits read past the data) makes decodeEntry return false; the decoder must then be reset
// before it decodes again. Used by RarReader; the fuzz target drives it directly too.
#include <cstddef>
#include <cstdint>
#include <memory>

class RarDecoder {
public:
    static constexpr uint32_t windowSize = 0x100000;

    RarDecoder();
    ~RarDecoder();
    RarDecoder(const RarDecoder&) = delete;
    RarDecoder& operator=(const RarDecoder&) = delete;

    // Back to the state of a fresh stream.
    void reset();
    // Decodes exactly unpackedSize bytes from packed into output (null: decode and drop them).
    // continuesStream: the entry carries on the solid stream of the previous entry.
    bool decodeEntry(const uint8_t* packed, size_t packedSize, uint8_t* output, uint32_t unpackedSize,
                     bool continuesStream);

    struct State;

private:
    std::unique_ptr<State> state;
};
