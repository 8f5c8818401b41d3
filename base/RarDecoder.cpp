#include "base/RarDecoder.h"
#include "base/RarTables.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
constexpr int mainSymbols = 298, distanceSymbols = 48, lengthSymbols = 28, audioSymbols = 257;
constexpr int tableSize = mainSymbols + distanceSymbols + lengthSymbols;  // 374 lengths in LZ mode
constexpr int maxTableSize = 4 * audioSymbols;                             // 1028 in 4-channel audio
constexpr int levelSymbols = 19;
constexpr int quickBits = 10;

using namespace RarTables;

// MSB-first reader over one entry's packed data. Peeking past the end sees zeros; consuming
// past it marks the stream as overrun, which callers treat as damaged data.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data(data), size(size), bitLimit(uint64_t(size) * 8) {}
    uint32_t peek16() const {
        const size_t byte = size_t(position >> 3);
        uint32_t v;
        if (byte + 3 <= size) v = uint32_t(data[byte]) << 16 | uint32_t(data[byte + 1]) << 8 | data[byte + 2];
        else v = uint32_t(at(byte)) << 16 | uint32_t(at(byte + 1)) << 8 | at(byte + 2);
        return (v >> (8 - (position & 7))) & 0xFFFF;
    }
    void skip(unsigned bits) { position += bits; }
    uint32_t read(unsigned bits) {
        if (bits == 0) return 0;
        uint32_t v = peek16() >> (16 - bits);
        position += bits;
        return v;
    }
    bool overrun() const { return position > bitLimit; }
    size_t bytesLeftFromCurrent() const { return size - std::min<size_t>(size, size_t(position >> 3)); }

private:
    uint8_t at(size_t i) const { return i < size ? data[i] : 0; }
    const uint8_t* data;
    size_t size;
    uint64_t bitLimit;
    uint64_t position = 0;
};

// Canonical Huffman code over up to 1028 symbols with lengths 1..15. Short codes resolve
// through a direct table; longer ones walk the per-length ranges.
struct HuffmanCode {
    uint16_t quick[1 << quickBits];  // symbol | length << 11; 0 = not resolvable quickly
    uint32_t firstCode[17] = {};
    uint16_t count[17] = {};
    uint16_t start[17] = {};
    uint16_t sorted[maxTableSize];
    bool usable = false;

    // False for an over-full set of lengths; incomplete codes are allowed.
    bool build(const uint8_t* lengths, int symbols) {
        usable = false;
        std::fill(std::begin(count), std::end(count), 0);
        for (int s = 0; s < symbols; ++s) count[lengths[s]]++;
        count[0] = 0;
        uint32_t code = 0;
        uint16_t index = 0;
        for (int l = 1; l <= 15; ++l) {
            firstCode[l] = code;
            start[l] = index;
            code += count[l];
            if (code > (1u << l)) return false;
            index += count[l];
            code <<= 1;
        }
        uint16_t next[17];
        std::copy(std::begin(start), std::end(start), next);
        for (int s = 0; s < symbols; ++s)
            if (lengths[s]) sorted[next[lengths[s]]++] = uint16_t(s);
        std::fill(std::begin(quick), std::end(quick), 0);
        for (int l = 1; l <= quickBits; ++l) {
            for (int k = 0; k < count[l]; ++k) {
                const uint32_t prefix = (firstCode[l] + k) << (quickBits - l);
                const uint16_t entry = uint16_t(sorted[start[l] + k] | (l << 11));
                for (uint32_t fill = 0; fill < (1u << (quickBits - l)); ++fill) quick[prefix + fill] = entry;
            }
        }
        usable = true;
        return true;
    }

    // -1 for a bit pattern that no symbol uses.
    int decode(BitReader& bits) const {
        const uint32_t v = bits.peek16();
        const uint16_t q = quick[v >> (16 - quickBits)];
        if (q) {
            bits.skip(q >> 11);
            return q & 0x7FF;
        }
        for (int l = quickBits + 1; l <= 15; ++l) {
            const uint32_t offset = (v >> (16 - l)) - firstCode[l];
            if (offset < count[l]) {
                bits.skip(l);
                return sorted[start[l] + offset];
            }
        }
        return -1;
    }
};

struct AudioChannel {
    int k[5] = {}, d[4] = {};
    int lastDelta = 0, lastChar = 0;
    unsigned dif[11] = {};
    unsigned count = 0;
};

int signed8(int x) { return int(int8_t(uint8_t(x))); }
}  // namespace

struct RarDecoder::State {
    std::vector<uint8_t> window = std::vector<uint8_t>(windowSize);
    uint32_t position = 0;         // write position in the window (wraps)
    uint64_t produced = 0;         // bytes decoded in this solid stream
    uint32_t oldDistances[4] = {};  // 0 = never written
    unsigned oldIndex = 0;
    uint32_t lastDistance = 0, lastLength = 0;
    uint8_t previousLengths[maxTableSize] = {};
    bool audio = false, tablesRead = false;
    bool broken = false;  // a table block after the last entry was damaged
    int channels = 1, channel = 0, channelDelta = 0;
    AudioChannel audioState[4];
    HuffmanCode mainCode, distanceCode, lengthCode, audioCode[4];

    // Output of the current entry.
    uint8_t* output = nullptr;
    uint32_t flushed = 0;  // window position up to which the entry's bytes went to output
    uint32_t written = 0;  // bytes of the entry already in output

    bool readTables(BitReader& bits);
    int decodeAudioByte(int delta);
    bool copyMatch(uint32_t length, uint32_t distance, uint32_t remaining);
    void flush();
};

bool RarDecoder::State::readTables(BitReader& bits) {
    const bool audioBlock = bits.read(1) != 0;
    if (!bits.read(1)) std::memset(previousLengths, 0, sizeof previousLengths);
    if (audioBlock) {
        channels = int(bits.read(2)) + 1;
        if (channel >= channels) channel = 0;
    }
    uint8_t levelLengths[levelSymbols];
    for (auto& length : levelLengths) length = uint8_t(bits.read(4));
    HuffmanCode levelCode;
    if (!levelCode.build(levelLengths, levelSymbols)) return false;

    const int total = audioBlock ? audioSymbols * channels : tableSize;
    uint8_t lengths[maxTableSize];
    for (int i = 0; i < total;) {
        if (bits.overrun()) return false;
        const int symbol = levelCode.decode(bits);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[i] = uint8_t((symbol + previousLengths[i]) & 15);
            ++i;
        } else if (symbol == 16) {
            if (i == 0) return false;
            int n = 3 + int(bits.read(2));
            for (; n > 0 && i < total; --n, ++i) lengths[i] = lengths[i - 1];
        } else {
            int n = symbol == 17 ? 3 + int(bits.read(3)) : 11 + int(bits.read(7));
            for (; n > 0 && i < total; --n, ++i) lengths[i] = 0;
        }
    }
    if (bits.overrun()) return false;
    std::memcpy(previousLengths, lengths, size_t(total));
    audio = audioBlock;
    tablesRead = false;
    if (audioBlock) {
        for (int c = 0; c < channels; ++c)
            if (!audioCode[c].build(lengths + c * audioSymbols, audioSymbols)) return false;
    } else {
        if (!mainCode.build(lengths, mainSymbols) || !distanceCode.build(lengths + mainSymbols, distanceSymbols) ||
            !lengthCode.build(lengths + mainSymbols + distanceSymbols, lengthSymbols))
            return false;
    }
    tablesRead = true;
    return true;
}

int RarDecoder::State::decodeAudioByte(int delta) {
    AudioChannel& v = audioState[channel];
    v.count++;
    v.d[3] = v.d[2];
    v.d[2] = v.d[1];
    v.d[1] = v.lastDelta - v.d[0];
    v.d[0] = v.lastDelta;
    int predicted = 8 * v.lastChar + v.k[0] * v.d[0] + v.k[1] * v.d[1] + v.k[2] * v.d[2] + v.k[3] * v.d[3] +
                    v.k[4] * channelDelta;
    predicted = (predicted >> 3) & 0xFF;  // arithmetic shift, as the format requires
    const int out = (predicted - delta) & 0xFF;
    const int e = 8 * signed8(delta);
    v.dif[0] += unsigned(std::abs(e));
    v.dif[1] += unsigned(std::abs(e - v.d[0]));
    v.dif[2] += unsigned(std::abs(e + v.d[0]));
    v.dif[3] += unsigned(std::abs(e - v.d[1]));
    v.dif[4] += unsigned(std::abs(e + v.d[1]));
    v.dif[5] += unsigned(std::abs(e - v.d[2]));
    v.dif[6] += unsigned(std::abs(e + v.d[2]));
    v.dif[7] += unsigned(std::abs(e - v.d[3]));
    v.dif[8] += unsigned(std::abs(e + v.d[3]));
    v.dif[9] += unsigned(std::abs(e - channelDelta));
    v.dif[10] += unsigned(std::abs(e + channelDelta));
    v.lastDelta = channelDelta = signed8(out - v.lastChar);
    v.lastChar = out;
    if ((v.count & 0x1F) == 0) {
        int best = 0;
        for (int i = 1; i < 11; ++i)
            if (v.dif[i] < v.dif[best]) best = i;
        std::fill(std::begin(v.dif), std::end(v.dif), 0u);
        if (best > 0) {
            int& k = v.k[(best - 1) / 2];
            if (best & 1) { if (k >= -16) --k; }
            else if (k < 16) ++k;
        }
    }
    return out;
}

void RarDecoder::State::flush() {
    uint32_t pending = (position - flushed) & (windowSize - 1);
    if (output && pending) {
        const uint32_t first = std::min(pending, windowSize - flushed);
        std::memcpy(output + written, &window[flushed], first);
        std::memcpy(output + written + first, &window[0], pending - first);
    }
    written += pending;
    flushed = position;
}

bool RarDecoder::State::copyMatch(uint32_t length, uint32_t distance, uint32_t remaining) {
    if (distance == 0 || distance > windowSize || distance > produced || length > remaining) return false;
    lastDistance = distance;
    oldDistances[oldIndex] = distance;
    oldIndex = (oldIndex + 1) & 3;
    lastLength = length;
    uint32_t source = (position - distance) & (windowSize - 1);
    if (distance >= length && source + length <= windowSize && position + length <= windowSize) {
        std::memcpy(&window[position], &window[source], length);
        position = (position + length) & (windowSize - 1);
    } else {
        for (uint32_t i = 0; i < length; ++i) {
            window[position] = window[source];
            position = (position + 1) & (windowSize - 1);
            source = (source + 1) & (windowSize - 1);
        }
    }
    produced += length;
    return true;
}

RarDecoder::RarDecoder() : state(std::make_unique<State>()) {}
RarDecoder::~RarDecoder() = default;

void RarDecoder::reset() {
    State& s = *state;
    s.position = 0;
    s.produced = 0;
    std::fill(std::begin(s.oldDistances), std::end(s.oldDistances), 0u);
    s.oldIndex = 0;
    s.lastDistance = s.lastLength = 0;
    std::memset(s.previousLengths, 0, sizeof s.previousLengths);
    s.audio = s.tablesRead = s.broken = false;
    s.channels = 1;
    s.channel = s.channelDelta = 0;
    for (auto& c : s.audioState) c = AudioChannel{};
}

bool RarDecoder::decodeEntry(const uint8_t* packed, size_t packedSize, uint8_t* output, uint32_t unpackedSize,
                             bool continuesStream) {
    State& s = *state;
    if (!continuesStream) reset();
    if (s.broken) return false;
    BitReader bits(packed, packedSize);
    s.output = output;
    s.flushed = s.position;
    s.written = 0;
    if (!s.tablesRead && !s.readTables(bits)) return false;

    const uint64_t end = s.produced + unpackedSize;
    constexpr uint32_t flushThreshold = windowSize / 2;
    while (s.produced < end) {
        if (bits.overrun()) return false;
        if (((s.position - s.flushed) & (windowSize - 1)) >= flushThreshold) s.flush();
        const uint32_t remaining = uint32_t(end - s.produced);
        if (s.audio) {
            const int symbol = s.audioCode[s.channel].decode(bits);
            if (symbol < 0) return false;
            if (symbol == 256) {
                if (!s.readTables(bits)) return false;
                continue;
            }
            s.window[s.position] = uint8_t(s.decodeAudioByte(symbol));
            s.position = (s.position + 1) & (windowSize - 1);
            s.produced++;
            if (++s.channel >= s.channels) s.channel = 0;
            continue;
        }
        const int symbol = s.mainCode.decode(bits);
        if (symbol < 0) return false;
        if (symbol < 256) {
            s.window[s.position] = uint8_t(symbol);
            s.position = (s.position + 1) & (windowSize - 1);
            s.produced++;
        } else if (symbol > 269) {
            const int slot = symbol - 270;
            uint32_t length = lengthBase[slot] + 3 + bits.read(lengthBits[slot]);
            const int distanceSlot = s.distanceCode.decode(bits);
            if (distanceSlot < 0) return false;
            const uint32_t distance = distanceBase[distanceSlot] + 1 + bits.read(distanceBits[distanceSlot]);
            if (distance >= 0x2000) ++length;
            if (distance >= 0x40000) ++length;
            if (!s.copyMatch(length, distance, remaining)) return false;
        } else if (symbol == 269) {
            if (!s.readTables(bits)) return false;
        } else if (symbol == 256) {
            if (!s.copyMatch(s.lastLength, s.lastDistance, remaining)) return false;
        } else if (symbol < 261) {
            const uint32_t distance = s.oldDistances[(s.oldIndex - (symbol - 256)) & 3];
            const int slot = s.lengthCode.decode(bits);
            if (slot < 0) return false;
            uint32_t length = lengthBase[slot] + 2 + bits.read(lengthBits[slot]);
            if (distance >= 0x101) ++length;
            if (distance >= 0x2000) ++length;
            if (distance >= 0x40000) ++length;
            if (!s.copyMatch(length, distance, remaining)) return false;
        } else {
            const int slot = symbol - 261;
            const uint32_t distance = shortBase[slot] + 1 + bits.read(shortBits[slot]);
            if (!s.copyMatch(2, distance, remaining)) return false;
        }
    }
    if (bits.overrun()) return false;
    s.flush();
    s.output = nullptr;

    // A table block may follow the entry's last symbol; it belongs to the next solid entry.
    // The rule fires only while at least 5 bytes remain, counted from the current byte.
    if (bits.bytesLeftFromCurrent() >= 5) {
        const int symbol = s.audio ? s.audioCode[s.channel].decode(bits) : s.mainCode.decode(bits);
        if (symbol == (s.audio ? 256 : 269) && !s.readTables(bits)) s.broken = true;
    }
    return true;
}
