#include "base/RarCipher.h"

#include "base/Crc32.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
constexpr uint32_t initialKey[4] = {0xD3A3B879u, 0x3F6D12F7u, 0x7515A235u, 0xA4E7F123u};

// The format's fixed starting substitution table.
constexpr uint8_t initialTable[256] = {
    215, 19,  149, 35,  73,  197, 192, 205, 249, 28,  16,  119, 48,  221, 2,   42,
    232, 1,   177, 233, 14,  88,  219, 25,  223, 195, 244, 90,  87,  239, 153, 137,
    255, 199, 147, 70,  92,  66,  246, 13,  216, 40,  62,  29,  217, 230, 86,  6,
    71,  24,  171, 196, 101, 113, 218, 123, 93,  91,  163, 178, 202, 67,  44,  235,
    107, 250, 75,  234, 49,  167, 125, 211, 83,  114, 157, 144, 32,  193, 143, 36,
    158, 124, 247, 187, 89,  214, 141, 47,  121, 228, 61,  130, 213, 194, 174, 251,
    97,  110, 54,  229, 115, 57,  152, 94,  105, 243, 212, 55,  209, 245, 63,  11,
    164, 200, 31,  156, 81,  176, 227, 21,  76,  99,  139, 188, 127, 17,  248, 51,
    207, 120, 189, 210, 8,   226, 41,  72,  183, 203, 135, 165, 166, 60,  98,  7,
    122, 38,  155, 170, 69,  172, 252, 238, 39,  134, 59,  128, 236, 27,  240, 80,
    131, 3,   85,  206, 145, 79,  154, 142, 159, 220, 201, 133, 74,  64,  20,  129,
    224, 185, 138, 103, 173, 182, 43,  34,  254, 82,  198, 151, 231, 180, 58,  10,
    118, 26,  102, 12,  50,  132, 22,  191, 136, 111, 162, 179, 45,  4,   148, 108,
    161, 56,  78,  126, 242, 222, 15,  175, 146, 23,  33,  241, 181, 190, 77,  225,
    0,   46,  169, 186, 68,  95,  237, 65,  53,  208, 253, 168, 9,   18,  100, 52,
    116, 184, 160, 96,  109, 37,  30,  106, 140, 104, 150, 5,   204, 117, 112, 84};

uint32_t rotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
uint32_t loadWord(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void storeWord(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24); }
}  // namespace

void RarCipher::setPassword(const std::string& password) {
    const size_t length = std::min(password.size(), maxPasswordLength);
    std::memcpy(key, initialKey, sizeof key);
    std::memcpy(table, initialTable, sizeof table);
    const uint32_t* crc = Crc32::table();
    // One spare zero byte: an odd-length password pairs its last byte with 0.
    std::vector<uint8_t> padded((length + 16) / 16 * 16, 0);
    std::memcpy(padded.data(), password.data(), length);
    for (int j = 0; j < 256; ++j) {
        for (size_t i = 0; i < length; i += 2) {
            unsigned a = crc[uint8_t(padded[i] - j)] & 0xFF;
            unsigned b = crc[uint8_t(padded[i + 1] + j)] & 0xFF;
            for (unsigned k = 1; a != b; ++k) {
                std::swap(table[a], table[(a + i + k) & 0xFF]);
                a = (a + 1) & 0xFF;
            }
        }
    }
    // Encrypting the password itself only serves to advance the key words.
    const size_t blocks = (length + 15) / 16;
    for (size_t block = 0; block < blocks; ++block) encryptBlock(&padded[block * 16]);
    std::fill(padded.begin(), padded.end(), 0);
}

uint32_t RarCipher::substitute(uint32_t w) const {
    return uint32_t(table[w & 0xFF]) | uint32_t(table[(w >> 8) & 0xFF]) << 8 |
           uint32_t(table[(w >> 16) & 0xFF]) << 16 | uint32_t(table[w >> 24]) << 24;
}

void RarCipher::transform(uint8_t block[16], bool decrypting) {
    uint32_t a = loadWord(block) ^ key[0], b = loadWord(block + 4) ^ key[1];
    uint32_t c = loadWord(block + 8) ^ key[2], d = loadWord(block + 12) ^ key[3];
    for (int step = 0; step < 32; ++step) {
        const int round = decrypting ? 31 - step : step;
        const uint32_t k = key[round & 3];
        const uint32_t ta = a ^ substitute((c + rotateLeft(d, 11)) ^ k);
        const uint32_t tb = b ^ substitute((d ^ rotateLeft(c, 17)) + k);
        a = c; b = d; c = ta; d = tb;
    }
    storeWord(block, c ^ key[0]);
    storeWord(block + 4, d ^ key[1]);
    storeWord(block + 8, a ^ key[2]);
    storeWord(block + 12, b ^ key[3]);
}

void RarCipher::updateKeys(const uint8_t cipherBlock[16]) {
    const uint32_t* crc = Crc32::table();
    for (int i = 0; i < 16; i += 4)
        for (int j = 0; j < 4; ++j) key[j] ^= crc[cipherBlock[i + j]];
}

void RarCipher::encryptBlock(uint8_t block[16]) {
    transform(block, false);
    updateKeys(block);
}

void RarCipher::decryptBlock(uint8_t block[16]) {
    uint8_t cipherBlock[16];
    std::memcpy(cipherBlock, block, 16);
    transform(block, true);
    updateKeys(cipherBlock);
}

// The same as decryptBlock over every block. The key words for a block follow from the
// ciphertext before it alone, so they are worked out ahead and several blocks go through their
// rounds side by side, which keeps the processor busy while one chain of rounds waits on its
// table lookups. The substitution is widened to four word tables, built once per call.
void RarCipher::decrypt(uint8_t* data, size_t size) {
    if (size < 16) return;
    uint32_t wide[4][256];
    for (int i = 0; i < 256; ++i) {
        wide[0][i] = table[i];
        wide[1][i] = uint32_t(table[i]) << 8;
        wide[2][i] = uint32_t(table[i]) << 16;
        wide[3][i] = uint32_t(table[i]) << 24;
    }
    const auto sub = [&wide](uint32_t w) {
        return wide[0][w & 0xFF] | wide[1][(w >> 8) & 0xFF] | wide[2][(w >> 16) & 0xFF] | wide[3][w >> 24];
    };
    const uint32_t* crc = Crc32::table();
    // Three lanes measured fastest here (two and four spill or serialise in the compiled code).
    constexpr size_t lanes = 3;
    const size_t blocks = size / 16;
    for (size_t first = 0; first < blocks; first += lanes) {
        const size_t count = std::min(lanes, blocks - first);
        uint32_t k[lanes][4], a[lanes], b[lanes], c[lanes], d[lanes];
        for (size_t l = 0; l < lanes; ++l) {
            // Lanes past the last block run on copies of it and are not stored.
            uint8_t* block = data + 16 * (first + std::min(l, count - 1));
            for (int j = 0; j < 4; ++j) k[l][j] = key[j];
            const uint32_t in[4] = {loadWord(block), loadWord(block + 4), loadWord(block + 8), loadWord(block + 12)};
            a[l] = in[0] ^ key[0];
            b[l] = in[1] ^ key[1];
            c[l] = in[2] ^ key[2];
            d[l] = in[3] ^ key[3];
            if (l < count) {
                for (const uint32_t w : in) {
                    key[0] ^= crc[w & 0xFF];
                    key[1] ^= crc[(w >> 8) & 0xFF];
                    key[2] ^= crc[(w >> 16) & 0xFF];
                    key[3] ^= crc[w >> 24];
                }
            }
        }
        // One round updates one half in place; the halves swap roles from round to round.
        const auto round = [&sub](uint32_t& x, uint32_t& y, uint32_t u, uint32_t v, uint32_t roundKey) {
            x ^= sub((u + rotateLeft(v, 11)) ^ roundKey);
            y ^= sub((v ^ rotateLeft(u, 17)) + roundKey);
        };
        for (int r = 0; r < 8; ++r) {  // rounds 31 down to 0, four at a time
            for (size_t l = 0; l < lanes; ++l) round(a[l], b[l], c[l], d[l], k[l][3]);
            for (size_t l = 0; l < lanes; ++l) round(c[l], d[l], a[l], b[l], k[l][2]);
            for (size_t l = 0; l < lanes; ++l) round(a[l], b[l], c[l], d[l], k[l][1]);
            for (size_t l = 0; l < lanes; ++l) round(c[l], d[l], a[l], b[l], k[l][0]);
        }
        for (size_t l = 0; l < count; ++l) {
            uint8_t* block = data + 16 * (first + l);
            storeWord(block, c[l] ^ k[l][0]);
            storeWord(block + 4, d[l] ^ k[l][1]);
            storeWord(block + 8, a[l] ^ k[l][2]);
            storeWord(block + 12, b[l] ^ k[l][3]);
        }
    }
}

void RarCipher::encrypt(uint8_t* data, size_t size) {
    for (size_t offset = 0; offset + 16 <= size; offset += 16) encryptBlock(data + offset);
}
