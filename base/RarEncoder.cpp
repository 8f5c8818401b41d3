#include "base/RarEncoder.h"
#include "base/RarTables.h"

#include <algorithm>
#include <cstring>
#include <queue>

namespace {
constexpr int mainSymbols = 298, distanceSymbols = 48, lengthSymbols = 28, levelSymbols = 19;
constexpr int tableSize = mainSymbols + distanceSymbols + lengthSymbols;
constexpr uint32_t windowSize = 0x100000;
constexpr uint32_t maxDistance = windowSize - 1;
constexpr uint32_t maxMatch = 257;       // codable with any distance bonus
constexpr int maxChain = 48;
constexpr uint32_t niceLength = 96;      // stop searching once a match is this long
constexpr uint32_t lazyLimit = 32;       // look one byte ahead for matches shorter than this
constexpr size_t blockTokens = 0x4000;   // symbols per candidate code block
constexpr int hashBits = 17;
constexpr uint16_t tableSwitch = 269;
constexpr unsigned tailBytes = 2;

using namespace RarTables;

int lengthSlot(uint32_t value) {
    int slot = 27;
    while (lengthBase[slot] > value) --slot;
    return slot;
}
int distanceSlot(uint32_t value) {
    return int(std::upper_bound(std::begin(distanceBase), std::end(distanceBase), value) - std::begin(distanceBase)) - 1;
}
int shortSlot(uint32_t value) {
    int slot = 7;
    while (shortBase[slot] > value) --slot;
    return slot;
}
uint32_t normalBonus(uint32_t distance) { return (distance >= 0x2000) + (distance >= 0x40000); }
uint32_t repeatBonus(uint32_t distance) { return (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000); }

// One coded item: a literal or one of the match kinds, with its raw values.
struct Token {
    uint16_t symbol;    // main-code symbol
    uint16_t value;     // length value of 257..260 and 270..297
    uint32_t distance;  // distance - 1 of 261..268 and 270..297
};

class BitWriter {
public:
    void put(uint32_t value, int bits) {
        if (bits == 0) return;
        accumulator = (accumulator << bits) | (value & ((1u << bits) - 1));
        count += bits;
        while (count >= 8) {
            count -= 8;
            bytes.push_back(uint8_t(accumulator >> count));
        }
        accumulator &= (uint64_t(1) << count) - 1;
    }
    void alignToByte() { if (count) put(0, 8 - count); }
    size_t bitCount() const { return bytes.size() * 8 + size_t(count); }
    std::vector<uint8_t> bytes;

private:
    uint64_t accumulator = 0;
    int count = 0;
};

// Huffman code lengths no longer than maxLength; halving the weights until they fit.
void buildLengths(const uint32_t* frequencies, int symbols, int maxLength, uint8_t* lengths) {
    std::fill(lengths, lengths + symbols, 0);
    std::vector<uint32_t> weight(frequencies, frequencies + symbols);
    std::vector<int> used;
    for (int s = 0; s < symbols; ++s)
        if (weight[s]) used.push_back(s);
    if (used.empty()) return;
    if (used.size() == 1) {
        lengths[used[0]] = 1;
        return;
    }
    for (;;) {
        using Node = std::pair<uint64_t, int>;
        std::priority_queue<Node, std::vector<Node>, std::greater<Node>> queue;
        std::vector<int> parent(used.size() * 2, -1);
        for (size_t i = 0; i < used.size(); ++i) queue.push({weight[used[i]], int(i)});
        int next = int(used.size());
        while (queue.size() > 1) {
            Node a = queue.top(); queue.pop();
            Node b = queue.top(); queue.pop();
            parent[a.second] = parent[b.second] = next;
            queue.push({a.first + b.first, next++});
        }
        int longest = 0;
        for (size_t i = 0; i < used.size(); ++i) {
            int depth = 0;
            for (int n = int(i); parent[n] >= 0; n = parent[n]) ++depth;
            lengths[used[i]] = uint8_t(depth);
            longest = std::max(longest, depth);
        }
        if (longest <= maxLength) return;
        for (int s : used) weight[s] = (weight[s] >> 1) | 1;
    }
}

void canonicalCodes(const uint8_t* lengths, int symbols, uint16_t* codes) {
    uint32_t count[17] = {}, next[17] = {};
    for (int s = 0; s < symbols; ++s) count[lengths[s]]++;
    count[0] = 0;
    uint32_t code = 0;
    for (int l = 1; l <= 16; ++l) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    for (int s = 0; s < symbols; ++s)
        if (lengths[s]) codes[s] = uint16_t(next[lengths[s]]++);
}

struct Frequencies {
    uint32_t main[mainSymbols] = {}, distance[distanceSymbols] = {}, length[lengthSymbols] = {};

    void count(const Token* tokens, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            const Token& t = tokens[i];
            main[t.symbol]++;
            if (t.symbol >= 270) distance[distanceSlot(t.distance)]++;
            else if (t.symbol > 256 && t.symbol < 261) length[lengthSlot(t.value)]++;
        }
    }
};

// A complete set of codes plus the table block that announces it.
struct CodeSet {
    uint8_t lengths[tableSize] = {};
    uint16_t codes[tableSize] = {};
    std::vector<std::pair<uint8_t, uint8_t>> levelItems;  // level symbol, extra value
    uint8_t levelLengths[levelSymbols] = {};
    uint16_t levelCodes[levelSymbols] = {};

    static CodeSet build(Frequencies f) {
        CodeSet set;
        f.main[tableSwitch]++;  // the stream can always switch tables again
        buildLengths(f.main, mainSymbols, 15, set.lengths);
        buildLengths(f.distance, distanceSymbols, 15, set.lengths + mainSymbols);
        buildLengths(f.length, lengthSymbols, 15, set.lengths + mainSymbols + distanceSymbols);
        canonicalCodes(set.lengths, mainSymbols, set.codes);
        canonicalCodes(set.lengths + mainSymbols, distanceSymbols, set.codes + mainSymbols);
        canonicalCodes(set.lengths + mainSymbols + distanceSymbols, lengthSymbols, set.codes + mainSymbols + distanceSymbols);
        set.encodeTable();
        return set;
    }

    // Run-length form of the lengths: 16 repeats the previous length, 17 and 18 write zeros.
    void encodeTable() {
        for (int i = 0; i < tableSize;) {
            const uint8_t value = lengths[i];
            int run = 1;
            while (i + run < tableSize && lengths[i + run] == value) ++run;
            i += run;
            if (value == 0) {
                while (run >= 11) { int n = std::min(run, 138); levelItems.push_back({18, uint8_t(n - 11)}); run -= n; }
                if (run >= 3) { levelItems.push_back({17, uint8_t(run - 3)}); run = 0; }
            } else {
                levelItems.push_back({value, 0});
                --run;
                while (run >= 3) { int n = std::min(run, 6); levelItems.push_back({16, uint8_t(n - 3)}); run -= n; }
            }
            for (; run > 0; --run) levelItems.push_back({value, 0});
        }
        uint32_t frequencies[levelSymbols] = {};
        for (auto& item : levelItems) frequencies[item.first]++;
        buildLengths(frequencies, levelSymbols, 15, levelLengths);
        canonicalCodes(levelLengths, levelSymbols, levelCodes);
    }

    static int extraBits(uint8_t symbol) { return symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0; }

    uint64_t tableBits() const {
        uint64_t bits = 2 + 4 * levelSymbols;
        for (auto& item : levelItems) bits += levelLengths[item.first] + extraBits(item.first);
        return bits;
    }

    // Bits the symbols would take with these codes; UINT64_MAX where one has no code.
    uint64_t cost(const Frequencies& f) const {
        uint64_t bits = 0;
        auto add = [&](const uint32_t* counts, const uint8_t* codeLengths, int n) {
            for (int s = 0; s < n; ++s) {
                if (!counts[s]) continue;
                if (!codeLengths[s]) return false;
                bits += uint64_t(counts[s]) * codeLengths[s];
            }
            return true;
        };
        if (!add(f.main, lengths, mainSymbols) || !add(f.distance, lengths + mainSymbols, distanceSymbols) ||
            !add(f.length, lengths + mainSymbols + distanceSymbols, lengthSymbols))
            return UINT64_MAX;
        return bits;
    }

    void writeTable(BitWriter& out) const {
        out.put(0, 1);  // LZ mode
        out.put(0, 1);  // absolute lengths
        for (uint8_t length : levelLengths) out.put(length, 4);
        for (auto& item : levelItems) {
            out.put(levelCodes[item.first], levelLengths[item.first]);
            out.put(item.second, extraBits(item.first));
        }
    }

    void writeSymbol(BitWriter& out, int symbol) const { out.put(codes[symbol], lengths[symbol]); }

    void writeToken(BitWriter& out, const Token& t) const {
        writeSymbol(out, t.symbol);
        if (t.symbol >= 270) {
            const int slot = t.symbol - 270;
            out.put(t.value - lengthBase[slot], lengthBits[slot]);
            const int d = distanceSlot(t.distance);
            out.put(codes[mainSymbols + d], lengths[mainSymbols + d]);
            out.put(t.distance - distanceBase[d], distanceBits[d]);
        } else if (t.symbol > 256 && t.symbol < 261) {
            const int slot = lengthSlot(t.value);
            out.put(codes[mainSymbols + distanceSymbols + slot], lengths[mainSymbols + distanceSymbols + slot]);
            out.put(t.value - lengthBase[slot], lengthBits[slot]);
        } else if (t.symbol > 260 && t.symbol < 269) {
            const int slot = t.symbol - 261;
            out.put(t.distance - shortBase[slot], shortBits[slot]);
        }
    }
};
}  // namespace

struct RarEncoder::Impl {
    const uint8_t* data;
    size_t size;
    // Tables sized to the stream, so that many small entries stay cheap.
    int bits;
    uint32_t chainMask;
    std::vector<uint32_t> head;      // position + 1 of the latest 3-byte string per hash
    std::vector<uint32_t> chain;     // earlier position + 1 with the same hash
    std::vector<uint32_t> lastPair;  // position + 1 of the latest 2-byte string per hash
    size_t inserted = 0;

    // The decoder's match memory, mirrored.
    uint32_t oldDistances[4] = {};
    unsigned oldIndex = 0;
    uint32_t lastDistance = 0, lastLength = 0;

    bool haveCodes = false;
    CodeSet current;

    Impl(const uint8_t* data, size_t size) : data(data), size(size) {
        bits = 8;
        while (bits < hashBits && (size_t(1) << bits) < size) ++bits;
        uint32_t chainSize = 256;
        while (chainSize < windowSize && chainSize < size) chainSize <<= 1;
        chainMask = chainSize - 1;
        head.assign(size_t(1) << bits, 0);
        chain.assign(chainSize, 0);
        lastPair.assign(size_t(1) << std::min(bits, 16), 0);
    }

    uint32_t hashAt(size_t p) const {
        const uint32_t v = uint32_t(data[p]) << 16 | uint32_t(data[p + 1]) << 8 | data[p + 2];
        return (v * 2654435761u) >> (32 - bits);
    }
    uint32_t pairHash(size_t p) const {
        const uint32_t v = uint32_t(data[p]) << 8 | data[p + 1];
        return ((v * 2654435761u) >> 16) & uint32_t(lastPair.size() - 1);
    }

    void insertUpTo(size_t limit) {
        for (; inserted < limit; ++inserted) {
            if (inserted + 2 <= size) lastPair[pairHash(inserted)] = uint32_t(inserted + 1);
            if (inserted + 3 > size) continue;
            uint32_t& h = head[hashAt(inserted)];
            chain[inserted & chainMask] = h;
            h = uint32_t(inserted + 1);
        }
    }

    uint32_t matchLength(size_t p, size_t from, uint32_t limit) const {
        uint32_t n = 0;
        while (n < limit && data[p + n] == data[from + n]) ++n;
        return n;
    }

    struct Match { uint32_t length = 0, distance = 0; };

    Match longest(size_t p, size_t end) {
        insertUpTo(p);
        Match best;
        if (p + 3 > end) return best;
        const uint32_t limit = uint32_t(std::min<size_t>(maxMatch, end - p));
        uint32_t candidate = head[hashAt(p)];
        for (int steps = 0; candidate && steps < maxChain; ++steps) {
            const size_t from = candidate - 1;
            const size_t distance = p - from;
            if (distance > maxDistance || distance > chainMask) break;
            if (data[from + best.length] == data[p + best.length] || best.length == 0) {
                const uint32_t length = matchLength(p, from, limit);
                if (length > best.length && length >= 3 + normalBonus(uint32_t(distance))) {
                    best = {length, uint32_t(distance)};
                    if (length >= niceLength || length == limit) break;
                }
            }
            const uint32_t next = chain[from & chainMask];
            if (next == 0 || next - 1 >= from) break;  // the ring has wrapped past this chain
            candidate = next;
        }
        return best;
    }

    Match repeated(size_t p, size_t end) const {
        Match best;
        const uint32_t limit = uint32_t(std::min<size_t>(maxMatch, end - p));
        for (int k = 1; k <= 4; ++k) {
            const uint32_t distance = oldDistances[(oldIndex - k) & 3];
            if (distance == 0 || distance > p) continue;
            const uint32_t length = matchLength(p, p - distance, limit);
            if (length > best.length && length >= 2 + repeatBonus(distance)) best = {length, distance};
        }
        return best;
    }

    Token tokenFor(Match m) {
        Token t{};
        int k = 0;
        for (int i = 1; i <= 4 && !k; ++i)
            if (oldDistances[(oldIndex - i) & 3] == m.distance) k = i;
        if (m.distance == lastDistance && m.length == lastLength) {
            t.symbol = 256;
        } else if (k && m.length >= 2 + repeatBonus(m.distance)) {
            t.symbol = uint16_t(256 + k);
            t.value = uint16_t(m.length - 2 - repeatBonus(m.distance));
        } else if (m.length == 2) {
            t.distance = m.distance - 1;
            t.symbol = uint16_t(261 + shortSlot(t.distance));
        } else {
            t.value = uint16_t(m.length - 3 - normalBonus(m.distance));
            t.distance = m.distance - 1;
            t.symbol = uint16_t(270 + lengthSlot(t.value));
        }
        lastDistance = m.distance;
        oldDistances[oldIndex] = m.distance;
        oldIndex = (oldIndex + 1) & 3;
        lastLength = m.length;
        return t;
    }

    std::vector<Token> parse(size_t begin, size_t end) {
        std::vector<Token> tokens;
        tokens.reserve((end - begin) / 3 + 16);
        size_t p = begin;
        Match carried;
        bool haveCarried = false;
        while (p < end) {
            Match m = haveCarried ? carried : longest(p, end);
            haveCarried = false;
            const Match rep = repeated(p, end);
            if (rep.length >= m.length && rep.length >= 2) m = rep;
            if (m.length < 2 && p + 2 <= end) {
                insertUpTo(p);
                const uint32_t seen = lastPair[pairHash(p)];
                if (seen && p - (seen - 1) <= 256 && data[seen - 1] == data[p] && data[seen] == data[p + 1])
                    m = {2, uint32_t(p - (seen - 1))};
            }
            if (m.length >= 3 && m.length < lazyLimit && p + 1 < end) {
                const Match next = longest(p + 1, end);
                if (next.length > m.length + 1) {
                    tokens.push_back({data[p], 0, 0});
                    ++p;
                    carried = next;
                    haveCarried = true;
                    continue;
                }
            }
            if (m.length >= 2) {
                tokens.push_back(tokenFor(m));
                p += m.length;
            } else {
                tokens.push_back({data[p], 0, 0});
                ++p;
            }
        }
        return tokens;
    }

    // The symbol that a run of zero bits decodes to: the first code of the shortest length.
    int zeroPatternSymbol() const {
        int best = -1;
        for (int symbol = 0; symbol < mainSymbols; ++symbol)
            if (current.lengths[symbol] && (best < 0 || current.lengths[symbol] < current.lengths[best])) best = symbol;
        return best;
    }

    std::vector<uint8_t> encode(size_t begin, size_t end, bool followed, unsigned alignment) {
        const std::vector<Token> tokens = parse(begin, end);
        BitWriter out;
        for (size_t first = 0; first < tokens.size() || (first == 0 && !haveCodes); first += blockTokens) {
            const size_t count = std::min(blockTokens, tokens.size() - first);
            Frequencies f;
            f.count(tokens.data() + first, count);
            if (!haveCodes) {
                current = CodeSet::build(f);
                current.writeTable(out);
                haveCodes = true;
            } else {
                CodeSet fresh = CodeSet::build(f);
                const uint64_t keep = current.cost(f);
                const uint64_t renew = fresh.cost(f) + fresh.tableBits() + current.lengths[tableSwitch];
                if (renew < keep) {
                    current.writeSymbol(out, tableSwitch);
                    fresh.writeTable(out);
                    current = std::move(fresh);
                }
            }
            for (size_t i = first; i < first + count; ++i) current.writeToken(out, tokens[i]);
        }
        if (followed) {
            // Readers decode one more symbol after an entry when at least 5 bytes remain
            // (padding included); should that symbol be a table switch, they read a table
            // there. Make such a table a copy of the current one, so nothing changes.
            const size_t used = out.bitCount() / 8;
            const size_t total = (out.bitCount() + 7) / 8 + tailBytes;
            const size_t padded = (total + alignment - 1) / alignment * alignment;
            if (padded - used >= 5 && zeroPatternSymbol() == tableSwitch) {
                current.writeSymbol(out, tableSwitch);
                current.writeTable(out);
            }
        }
        out.alignToByte();
        // Some readers look ahead a little past the last symbol; with fewer than 5 bytes
        // after it, the zeros are never decoded.
        out.put(0, 8 * tailBytes);
        return std::move(out.bytes);
    }
};

RarEncoder::RarEncoder(const uint8_t* stream, size_t size) : impl(std::make_unique<Impl>(stream, size)) {}
RarEncoder::~RarEncoder() = default;

std::vector<uint8_t> RarEncoder::encodeEntry(size_t begin, size_t end, bool followed, unsigned alignment) {
    return impl->encode(begin, end, followed, alignment);
}
