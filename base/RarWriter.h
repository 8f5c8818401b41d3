#pragma once
// Writes version 2.0 archives: entries compressed with RarEncoder (or stored where that is
// smaller, or when asked to), optionally as one solid stream, optionally encrypted with
// RarCipher, with the header and data CRCs that other readers check. Output is a pure
// function of the entries and options: file times are a fixed constant, so the same input
// gives a byte-identical archive. Used by the lvpack tool and by tests and benchmarks that
// need archives.
#include <cstdint>
#include <string>
#include <vector>

class RarWriter {
public:
    struct Options {
        std::string password;  // empty: not encrypted
        bool solid = false;    // one compression stream across all entries
        bool store = false;    // no compression
    };

    explicit RarWriter(Options options);
    // Entries are written in the order added (in a solid archive, empty ones first); names
    // take "/" or "\" as separators.
    void add(std::string name, std::vector<uint8_t> data);
    std::vector<uint8_t> finish();

    // Every entry's time stamp: 2000-01-01 00:00:00 as an MS-DOS date and time.
    static constexpr uint32_t fixedFileTime = 0x28210000u;
    // Longest name a header can carry.
    static constexpr size_t maxNameLength = 0xFFFF - 32;

private:
    struct Entry {
        std::string name;
        std::vector<uint8_t> data;
    };
    void appendEntry(std::vector<uint8_t>& out, const Entry& entry, std::vector<uint8_t> packed, bool stored,
                     bool continues) const;

    Options options;
    std::vector<Entry> entries;
};
