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
constexpr int maxCodeLength = 15;
constexpr int primaryBits = 10;
constexpr int secondaryBits = maxCodeLength - primaryBits;
// The longest match; a symbol never writes more than this.
constexpr uint32_t maxMatch = 260;
constexpr uint32_t windowMask = RarDecoder::windowSize - 1;
// Output is copied out of the window once half of it is pending, long before it is overwritten.
constexpr uint32_t flushThreshold = RarDecoder::windowSize / 2;

using namespace RarTables;

uint64_t loadBigEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

// MSB-first reader over one entry's packed data, with a 64-bit buffer whose valid bits sit
// at the top. The checked refill reads byte by byte and sees zeros past the end; consuming
// those marks the stream as overrun, which callers treat as damaged data. The fast refill
// loads eight bytes at once and may only be used while eight real bytes are left, so bits
// it supplies are never past the end.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data(data), next(data), end(data + size) {}

    bool canRefillFast() const { return end - next >= 8; }
    // At least 56 valid bits afterwards.
    void refillFast() {
        buffer |= loadBigEndian64(next) >> count;
        next += (63 - count) >> 3;
        count |= 56;
    }
    // At least 57 valid bits afterwards.
    void refillChecked() {
        while (count <= 56) {
            uint64_t byte = 0;
            if (next < end) byte = *next++;
            else ++paddingBytes;
            buffer |= byte << (56 - count);
            count += 8;
        }
    }
    uint32_t peek(unsigned bits) const { return uint32_t(buffer >> (64 - bits)); }
    void consume(unsigned bits) {
        buffer <<= bits;
        count -= bits;
    }
    // Up to 32 bits, from the checked refill.
    uint32_t read(unsigned bits) {
        if (bits == 0) return 0;
        if (count < bits) refillChecked();
        const uint32_t v = peek(bits);
        consume(bits);
        return v;
    }
    // For the fast path, after refillFast: no check, and no branch for a count of 0.
    uint32_t take(unsigned bits) {
        const uint32_t v = uint32_t((buffer >> (63 - bits)) >> 1);
        consume(bits);
        return v;
    }
    uint64_t position() const { return (uint64_t(next - data) + paddingBytes) * 8 - count; }
    bool overrun() const { return position() > uint64_t(end - data) * 8; }
    size_t bytesLeftFromCurrent() const {
        const size_t size = size_t(end - data);
        return size - std::min<size_t>(size, size_t(position() >> 3));
    }

private:
    const uint8_t* data;
    const uint8_t* next;
    const uint8_t* end;
    uint64_t buffer = 0;
    unsigned count = 0;
    uint64_t paddingBytes = 0;
};

// Canonical Huffman code over up to 1028 symbols with lengths 1..15, decoded by one lookup
// of the next 10 bits; codes longer than that continue in a 32-entry table of their prefix.
// An entry holds the symbol (bits 0-10) and its length (bits 11-14, 0 for a bit pattern no
// symbol uses), or, with bit 15, the offset of the continuation table.
struct HuffmanCode {
    static constexpr int maxEntries = (1 << primaryBits) + mainSymbols * (1 << secondaryBits);
    uint16_t table[maxEntries];

    // False for an over-full set of lengths; incomplete codes are allowed.
    bool build(const uint8_t* lengths, int symbols) {
        uint16_t count[maxCodeLength + 1] = {};
        for (int s = 0; s < symbols; ++s) count[lengths[s]]++;
        count[0] = 0;
        uint32_t nextCode[maxCodeLength + 1] = {};
        uint32_t code = 0;
        for (int l = 1; l <= maxCodeLength; ++l) {
            nextCode[l] = code;
            code += count[l];
            if (code > (1u << l)) return false;
            code <<= 1;
        }
        std::memset(table, 0, sizeof(uint16_t) << primaryBits);
        uint32_t nextTable = 1u << primaryBits;
        // Symbols in increasing order take the consecutive codes of their length.
        for (int s = 0; s < symbols; ++s) {
            const int l = lengths[s];
            if (l == 0) continue;
            const uint32_t c = nextCode[l]++;
            const uint16_t entry = uint16_t(s | l << 11);
            if (l <= primaryBits) {
                const uint32_t first = c << (primaryBits - l);
                std::fill_n(table + first, 1u << (primaryBits - l), entry);
                continue;
            }
            const uint32_t prefix = c >> (l - primaryBits);
            if (!(table[prefix] & 0x8000)) {
                table[prefix] = uint16_t(0x8000 | nextTable);
                std::memset(table + nextTable, 0, sizeof(uint16_t) << secondaryBits);
                nextTable += 1u << secondaryBits;
            }
            const uint32_t base = table[prefix] & 0x7FFF;
            const uint32_t low = c & ((1u << (l - primaryBits)) - 1);
            std::fill_n(table + base + (low << (maxCodeLength - l)), 1u << (maxCodeLength - l), entry);
        }
        return true;
    }

    // The entry for the next bits; the reader must hold at least 15 of them.
    uint32_t lookup(const BitReader& bits) const {
        uint32_t entry = table[bits.peek(primaryBits)];
        if (entry & 0x8000) entry = table[(entry & 0x7FFF) + (bits.peek(maxCodeLength) & ((1u << secondaryBits) - 1))];
        return entry;
    }

    // -1 for a bit pattern that no symbol uses.
    int decode(BitReader& bits) const {
        bits.refillChecked();
        const uint32_t entry = lookup(bits);
        const unsigned length = (entry >> 11) & 15;
        if (length == 0) return -1;
        bits.consume(length);
        return int(entry & 0x7FF);
    }
};

struct AudioChannel {
    int k[5] = {}, d[4] = {};
    int lastDelta = 0, lastChar = 0;
    unsigned dif[11] = {};
    unsigned count = 0;
};

int signed8(int x) { return int(int8_t(uint8_t(x))); }

// Match copy inside the window where neither end wraps. Chunks never write past the
// match's end: bytes beyond it are older data that a distance of a whole window still
// reads.
inline void copyForward(uint8_t* destination, uint32_t distance, uint32_t length) {
    const uint8_t* source = destination - distance;
    if (distance >= 8) {
        if (length >= 8) {
            if (distance >= 16) {
                for (uint32_t i = 0; i + 16 <= length; i += 16) std::memcpy(destination + i, source + i, 16);
                if (length % 16 >= 8) std::memcpy(destination + length / 16 * 16, source + length / 16 * 16, 8);
            } else {
                for (uint32_t i = 0; i + 8 <= length; i += 8) std::memcpy(destination + i, source + i, 8);
            }
            // The last chunk again, ending at the match's end: it rewrites bytes with the
            // values they already hold.
            std::memcpy(destination + length - 8, source + length - 8, 8);
        } else if (length >= 4) {
            std::memcpy(destination, source, 4);
            std::memcpy(destination + length - 4, source + length - 4, 4);
        } else {
            std::memcpy(destination, source, 2);
            destination[length - 1] = source[length - 1];
        }
    } else if (distance == 1) {
        std::memset(destination, source[0], length);
    } else {
        for (uint32_t i = 0; i < length; ++i) destination[i] = source[i];
    }
}
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
    bool checkedStep(BitReader& bits, uint32_t remaining);
    uint32_t fastRoom(uint64_t end) const;
    int fastLz(BitReader& bits, uint64_t end);
    int fastAudio(BitReader& bits, uint64_t end);
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
    uint32_t pending = (position - flushed) & windowMask;
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
    uint32_t source = (position - distance) & windowMask;
    if (distance >= length && source + length <= windowSize && position + length <= windowSize) {
        std::memcpy(&window[position], &window[source], length);
        position = (position + length) & windowMask;
    } else {
        for (uint32_t i = 0; i < length; ++i) {
            window[position] = window[source];
            position = (position + 1) & windowMask;
            source = (source + 1) & windowMask;
        }
    }
    produced += length;
    return true;
}

// One symbol with every check: near the ends of the input, the output and the window.
bool RarDecoder::State::checkedStep(BitReader& bits, uint32_t remaining) {
    if (audio) {
        const int symbol = audioCode[channel].decode(bits);
        if (symbol < 0) return false;
        if (symbol == 256) return readTables(bits);
        window[position] = uint8_t(decodeAudioByte(symbol));
        position = (position + 1) & windowMask;
        produced++;
        if (++channel >= channels) channel = 0;
        return true;
    }
    const int symbol = mainCode.decode(bits);
    if (symbol < 0) return false;
    if (symbol < 256) {
        window[position] = uint8_t(symbol);
        position = (position + 1) & windowMask;
        produced++;
    } else if (symbol > 269) {
        const int slot = symbol - 270;
        uint32_t length = lengthBase[slot] + 3 + bits.read(lengthBits[slot]);
        const int distanceSlot = distanceCode.decode(bits);
        if (distanceSlot < 0) return false;
        const uint32_t distance = distanceBase[distanceSlot] + 1 + bits.read(distanceBits[distanceSlot]);
        if (distance >= 0x2000) ++length;
        if (distance >= 0x40000) ++length;
        return copyMatch(length, distance, remaining);
    } else if (symbol == 269) {
        return readTables(bits);
    } else if (symbol == 256) {
        return copyMatch(lastLength, lastDistance, remaining);
    } else if (symbol < 261) {
        const uint32_t distance = oldDistances[(oldIndex - (symbol - 256)) & 3];
        const int slot = lengthCode.decode(bits);
        if (slot < 0) return false;
        uint32_t length = lengthBase[slot] + 2 + bits.read(lengthBits[slot]);
        if (distance >= 0x101) ++length;
        if (distance >= 0x2000) ++length;
        if (distance >= 0x40000) ++length;
        return copyMatch(length, distance, remaining);
    } else {
        const int slot = symbol - 261;
        const uint32_t distance = shortBase[slot] + 1 + bits.read(shortBits[slot]);
        return copyMatch(2, distance, remaining);
    }
    return true;
}

// Bytes the fast path may produce before it must hand over: every symbol it starts then
// ends before the window's end, before the entry's end and before the flush threshold.
uint32_t RarDecoder::State::fastRoom(uint64_t end) const {
    const uint32_t pending = (position - flushed) & windowMask;
    if (pending >= flushThreshold) return 0;
    const uint64_t room = std::min<uint64_t>({windowSize - position, flushThreshold - pending, end - produced});
    return room > maxMatch ? uint32_t(room - maxMatch) : 0;
}

// LZ symbols without per-symbol bounds checks, while enough input, output and window are
// left (fastRoom). Damaged data is refused as by checkedStep. Returns -1 for damaged data,
// 1 when it decoded anything, 0 when the checked path must take the next symbol.
int RarDecoder::State::fastLz(BitReader& stream, uint64_t end) {
    const uint32_t room = fastRoom(end);
    if (room == 0 || !stream.canRefillFast()) return 0;
    // A copy the compiler keeps in registers; written back wherever the loop ends.
    BitReader bits = stream;
    uint8_t* const w = window.data();
    uint32_t pos = position;
    const uint32_t startPos = pos;
    const uint32_t limit = pos + room;
    const uint64_t startProduced = produced;
    // Bytes of the stream before window position 0 of this pass: produced = base + pos.
    const uint64_t base = startProduced - startPos;
    // The match history in locals too: stores into the window may alias any member.
    uint32_t old[4] = {oldDistances[0], oldDistances[1], oldDistances[2], oldDistances[3]};
    unsigned oldAt = oldIndex;
    uint32_t lastDist = lastDistance, lastLen = lastLength;
    const auto saveHistory = [&] {
        std::copy(std::begin(old), std::end(old), oldDistances);
        oldIndex = oldAt;
        lastDistance = lastDist;
        lastLength = lastLen;
    };
    int result = 1;
    while (pos < limit && bits.canRefillFast()) {
        bits.refillFast();
        uint32_t entry = mainCode.lookup(bits);
        unsigned codeLength = (entry >> 11) & 15;
        if (codeLength == 0) { result = -1; break; }
        bits.consume(codeLength);
        uint32_t symbol = entry & 0x7FF;
        if (symbol < 256) {
            w[pos++] = uint8_t(symbol);
            // A second literal from the same refill: at least 41 bits are left.
            entry = mainCode.lookup(bits);
            codeLength = (entry >> 11) & 15;
            if (codeLength == 0 || (entry & 0x7FF) >= 256 || pos >= limit) continue;
            bits.consume(codeLength);
            w[pos++] = uint8_t(entry);
            continue;
        }
        uint32_t length, distance;
        if (symbol > 269) {
            const uint32_t slot = symbol - 270;
            length = lengthBase[slot] + 3 + bits.take(lengthBits[slot]);
            entry = distanceCode.lookup(bits);
            codeLength = (entry >> 11) & 15;
            if (codeLength == 0) { result = -1; break; }
            bits.consume(codeLength);
            const uint32_t distanceSlot = entry & 0x7FF;
            distance = distanceBase[distanceSlot] + 1 + bits.take(distanceBits[distanceSlot]);
            if (distance >= 0x2000) ++length;
            if (distance >= 0x40000) ++length;
        } else if (symbol == 269) {
            position = pos;
            produced = startProduced + (pos - startPos);
            stream = bits;
            saveHistory();
            if (!readTables(stream)) return -1;
            return 1;
        } else if (symbol >= 261) {
            const uint32_t slot = symbol - 261;
            distance = shortBase[slot] + 1 + bits.take(shortBits[slot]);
            length = 2;
        } else if (symbol == 256) {
            distance = lastDist;
            length = lastLen;
        } else {
            distance = old[(oldAt - (symbol - 256)) & 3];
            entry = lengthCode.lookup(bits);
            codeLength = (entry >> 11) & 15;
            if (codeLength == 0) { result = -1; break; }
            bits.consume(codeLength);
            const uint32_t slot = entry & 0x7FF;
            length = lengthBase[slot] + 2 + bits.take(lengthBits[slot]);
            if (distance >= 0x101) ++length;
            if (distance >= 0x2000) ++length;
            if (distance >= 0x40000) ++length;
        }
        // The refusals of copyMatch: no distance here exceeds the window, and no match passes
        // the entry's end; 0 (a never-written distance) wraps to the largest value.
        if (uint64_t(distance) - 1 >= base + pos) { result = -1; break; }
        lastDist = distance;
        old[oldAt] = distance;
        oldAt = (oldAt + 1) & 3;
        lastLen = length;
        if (distance <= pos) {
            copyForward(w + pos, distance, length);
        } else {
            // The source lies ahead in the ring, from the previous pass over the window.
            uint32_t source = pos + windowSize - distance;
            if (source + length <= windowSize) {
                std::memmove(w + pos, w + source, length);
            } else {
                for (uint32_t i = 0; i < length; ++i) {
                    w[pos + i] = w[source];
                    source = (source + 1) & windowMask;
                }
            }
        }
        pos += length;
    }
    stream = bits;
    saveHistory();
    position = pos & windowMask;
    produced = startProduced + (pos - startPos);
    return result;
}

// Audio symbols while enough input and output are left; as fastLz.
int RarDecoder::State::fastAudio(BitReader& stream, uint64_t end) {
    const uint32_t room = fastRoom(end);
    if (room == 0 || !stream.canRefillFast()) return 0;
    // A copy the compiler keeps in registers; written back wherever the loop ends.
    BitReader bits = stream;
    uint8_t* const w = window.data();
    uint32_t pos = position;
    const uint32_t startPos = pos;
    const uint32_t limit = pos + room;
    const uint64_t startProduced = produced;
    int result = 1;
    while (pos < limit && bits.canRefillFast()) {
        bits.refillFast();
        const uint32_t entry = audioCode[channel].lookup(bits);
        const unsigned codeLength = (entry >> 11) & 15;
        if (codeLength == 0) { result = -1; break; }
        bits.consume(codeLength);
        const uint32_t symbol = entry & 0x7FF;
        if (symbol == 256) {
            position = pos;
            produced = startProduced + (pos - startPos);
            stream = bits;
            if (!readTables(stream)) return -1;
            return 1;
        }
        w[pos++] = uint8_t(decodeAudioByte(int(symbol)));
        if (++channel >= channels) channel = 0;
    }
    stream = bits;
    position = pos & windowMask;
    produced = startProduced + (pos - startPos);
    return result;
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
    while (s.produced < end) {
        if (bits.overrun()) return false;
        if (((s.position - s.flushed) & windowMask) >= flushThreshold) s.flush();
        const int fast = s.audio ? s.fastAudio(bits, end) : s.fastLz(bits, end);
        if (fast < 0) return false;
        if (fast > 0) continue;
        if (!s.checkedStep(bits, uint32_t(end - s.produced))) return false;
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
