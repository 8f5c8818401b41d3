#pragma once
// The block cipher of version 2.0 archives: 16-byte blocks, a 32-round Feistel network over
// a password-dependent byte substitution, and four key words that change after every block
// (mixed with the ciphertext, so both directions stay in step). Set up afresh from the
// password for every encrypted entry. Used by RarReader (decrypting) and RarWriter.
#include <cstddef>
#include <cstdint>
#include <string>

class RarCipher {
public:
    // Longest password the key setup takes; longer ones are cut.
    static constexpr size_t maxPasswordLength = 251;

    void setPassword(const std::string& password);
    void encryptBlock(uint8_t block[16]);
    void decryptBlock(uint8_t block[16]);
    // Whole 16-byte blocks only; a trailing partial block is left as it is.
    void decrypt(uint8_t* data, size_t size);
    void encrypt(uint8_t* data, size_t size);

    const uint32_t* keyWords() const { return key; }
    const uint8_t* substitution() const { return table; }

private:
    uint32_t substitute(uint32_t word) const;
    void transform(uint8_t block[16], bool decrypting);
    void updateKeys(const uint8_t cipherBlock[16]);

    uint32_t key[4] = {};
    uint8_t table[256] = {};
};
