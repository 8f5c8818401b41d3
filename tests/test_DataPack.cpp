// The data pack: fixtures made by the format's own tool, round trips through our writer,
// name matching, solid-stream continuation, damaged input, plain mode and element reads.
#include "base/Crc32.h"
#include "base/RarCipher.h"
#include "base/RarReader.h"
#include "base/RarWriter.h"
#include "base/lvp.h"
#include "support/RunProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {
const std::string fixtures = LUMORA_FIXTURES_DIR "/rar";

#define REQUIRE_FIXTURES() \
    if (!fs::is_directory(fixtures)) { GTEST_SKIP() << "archive fixtures not found at " << fixtures; }

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), long(data.size()));
}

// Whole entry through the pack API; empty optional-like result on failure.
bool fetch(const char* name, std::vector<uint8_t>& out) {
    PackFile* file = DataPack::open(name);
    if (!file) return false;
    out.assign(file->data, file->data + file->size);
    DataPack::close(file);
    return true;
}

uint32_t crcOf(const std::vector<uint8_t>& data) { return Crc32::of(data.data(), data.size()); }

std::vector<uint8_t> text(size_t size, unsigned seed) {
    static const char* words[] = {"scene", "light", "camera", "texture", "shader", "fade", "glow", "ripple", "\n"};
    std::mt19937 random(seed);
    std::vector<uint8_t> out;
    while (out.size() < size) {
        const char* w = words[random() % 9];
        out.insert(out.end(), w, w + std::strlen(w));
        out.push_back(' ');
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> noise(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = uint8_t(random());
    return out;
}

std::vector<uint8_t> pcm16(size_t samples) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < samples; ++i) {
        const int16_t v = int16_t(9000 * std::sin(double(i) * 0.031) + 2000 * std::sin(double(i) * 0.27));
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return out;
}

class TempPack {
public:
    explicit TempPack(const std::string& tag) : directory(makeTempDirectory(tag)) {}
    ~TempPack() { fs::remove_all(directory); }
    std::string write(const std::vector<uint8_t>& archive, const std::string& name = "pack.lvp") {
        const std::string path = directory + "/" + name;
        writeFile(path, archive);
        return path;
    }
    const std::string directory;
};
}  // namespace

TEST(DataPackFixtures, RealArchivesReadBackTheirContent) {
    REQUIRE_FIXTURES();
    struct Case { const char* archive; const char* password; const char* entry; uint32_t size, crc; };
    const Case cases[] = {
        {"rar20-password-compressed.rar", "password", "SECRET.TXT", 87, 0x967E05A2},
        {"rar20-password-stored.rar", "password", "secret.txt", 87, 0x967E05A2},
        {"BoatModernEnglish-audio-text-unpack20.rar", "", "BoatModernEnglish.wav", 56464, 0x82D2ED89},
        {"BoatModernEnglish-audio-text-unpack20.rar", "", "LICENSE.txt", 107, 0x8EAF20C4},
        {"rar202-comment-nopsw.rar", "", "FILE2.TXT", 7, 0x785FC3E3},
        {"Rar2.rar", "", "exe/test.exe", 45056, 0xCFB109C8},
        {"Rar2.rar", "", "JPG\\TEST.JPG", 40372, 0x088814E3},
        {"generated/gen-lz-and-stored.rar", "", "text.txt", 28355, 0xD660F1FD},
        {"generated/gen-encrypted-secret.rar", "secret", "dir/stored.txt", 14, 0x26087B36},
        {"generated/gen-encrypted-secret.rar", "secret", "text.txt", 28355, 0xD660F1FD},
        {"generated/gen-solid-lz-audio-lz.rar", "", "c.txt", 2920, 0xF257E913},
        {"generated/gen-solid-lz-audio-lz.rar", "", "b.pcm", 6000, 0x8D908F68},
        {"generated/gen-solid-lz-audio-lz.rar", "", "a.txt", 28355, 0xD660F1FD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.entry);
        DataPack::usePack((fixtures + "/" + c.archive).c_str(), c.password);
        std::vector<uint8_t> data;
        ASSERT_TRUE(fetch(c.entry, data));
        EXPECT_EQ(data.size(), c.size);
        EXPECT_EQ(crcOf(data), c.crc);
    }
    DataPack::usePack((fixtures + "/BoatModernEnglish-audio-text-unpack20.rar").c_str(), "");
    std::vector<uint8_t> wav;
    ASSERT_TRUE(fetch("boatmodernenglish.WAV", wav));
    EXPECT_EQ(wav, readFile(fixtures + "/BoatModernEnglish.wav"));
    DataPack::usePlainDirectory("");
}

TEST(DataPackFixtures, RefusedArchivesFailCleanly) {
    REQUIRE_FIXTURES();
    struct Case { const char* archive; const char* password; const char* entry; };
    const Case cases[] = {
        {"rar20-password-compressed.rar", "wrong", "SECRET.TXT"},
        {"rar20-password-stored.rar", "wrong", "SECRET.TXT"},
        {"rar20-password-compressed.rar", "", "SECRET.TXT"},
        {"reject/BoatModernEnglish-regular-unpack15-dos.rar", "", "BOATMO~1.WAV"},
        {"reject/BoatModernEnglish-regular-unpack15-dos.rar", "", "LICENSE.TXT"},
        {"reject/BoatModernEnglish-regular-unpack30.rar", "", "BoatModernEnglish.wav"},
        {"reject/BoatModernEnglish-regular-unpack30.rar", "", "LICENSE.txt"},
        {"reject/rar14-solid.rar", "", "anything"},
        {"reject/Rar2.multi.rar", "", "exe/test.exe"},
        {"reject/rar15-password-compressed.rar", "password", "SECRET.TXT"},
        {"Rar2.rar", "", "test.exe"},  // only under another path
        {"Rar2.rar", "", "exe"},       // a directory is no file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.archive) + " " + c.entry);
        DataPack::usePack((fixtures + "/" + c.archive).c_str(), c.password);
        PackFile handle;
        EXPECT_FALSE(DataPack::open(c.entry, handle));
        EXPECT_FALSE(handle.ok);
        EXPECT_EQ(handle.data, nullptr);
    }
    DataPack::usePlainDirectory("");
}

TEST(DataPackFixtures, UnicodeNamesAreListedAsUtf8) {
    REQUIRE_FIXTURES();
    RarReader reader;
    ASSERT_TRUE(reader.openFile(fixtures + "/Rar2.rar"));
    ASSERT_EQ(reader.entries().size(), 5u);
    EXPECT_EQ(reader.entries()[4].displayName, "\xD1\x82\xD0\xB5\xD1\x81\xD1\x82.txt");
    EXPECT_EQ(reader.entries()[2].displayName, "exe/test.exe");
}

TEST(RarCipher, KeySetupAndBlocksMatchKnownVectors) {
    RarCipher cipher;
    cipher.setPassword("password");
    const uint32_t expectedKey[4] = {0xe916e9b7, 0x906709bb, 0xb0af998b, 0x6debd1a5};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(cipher.keyWords()[i], expectedKey[i]);
    EXPECT_EQ(cipher.substitution()[0], 0xf6);
    EXPECT_EQ(cipher.substitution()[15], 0xef);
    uint8_t block[32] = {};
    cipher.encrypt(block, 32);
    const uint8_t first[16] = {0x16, 0x7e, 0xb4, 0x2e, 0x28, 0xbf, 0x40, 0xdb, 0xce, 0x19, 0xd3, 0xec, 0x2d, 0x07, 0xd7, 0x73};
    const uint8_t second[16] = {0x6e, 0x07, 0x97, 0xc7, 0x67, 0x1e, 0x4a, 0x79, 0x13, 0xef, 0x23, 0xcc, 0x63, 0xa0, 0xe6, 0x30};
    EXPECT_EQ(0, std::memcmp(block, first, 16));
    EXPECT_EQ(0, std::memcmp(block + 16, second, 16));
    // Odd length: the last byte pairs with a zero.
    cipher.setPassword("0123456789abcdefX");
    EXPECT_EQ(cipher.keyWords()[0], 0xbc13cf98u);
    EXPECT_EQ(cipher.keyWords()[3], 0x0380d742u);
    RarCipher back;
    back.setPassword("password");
    back.decrypt(block, 32);
    for (uint8_t b : block) EXPECT_EQ(b, 0);
}

TEST(RarCipher, WholeBufferDecryptMatchesBlockByBlock) {
    // 16 blocks and a partial one, which stays as it is.
    std::vector<uint8_t> data = noise(16 * 16 + 5, 11);
    std::vector<uint8_t> expected = data;
    RarCipher blockwise, whole;
    blockwise.setPassword("tiger19");
    whole.setPassword("tiger19");
    for (size_t offset = 0; offset + 16 <= expected.size(); offset += 16) blockwise.decryptBlock(&expected[offset]);
    whole.decrypt(data.data(), data.size());
    EXPECT_TRUE(data == expected);
    // Both carry the same key words on to the next call.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(whole.keyWords()[i], blockwise.keyWords()[i]);
}

TEST(DataPackRoundTrip, VariedDataInEveryMode) {
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"data/scripts/demo.script", text(50000, 1)},
        {"data/images/noise.bin", noise(70000, 2)},
        {"data/sound/tone.pcm", pcm16(40000)},
        {"data/empty.txt", {}},
        {"data/big/long.txt", text(2'600'000, 3)},  // longer than the window
        {"data/z.txt", text(10, 4)},
    };
    struct Mode { const char* password; bool solid, store; };
    for (const Mode mode : {Mode{"", false, false}, Mode{"", true, false}, Mode{"tiger19", false, false},
                            Mode{"tiger19", true, false}, Mode{"tiger19", false, true}}) {
        SCOPED_TRACE(std::string("password '") + mode.password + "' solid " + std::to_string(mode.solid) +
                     " store " + std::to_string(mode.store));
        RarWriter writer({mode.password, mode.solid, mode.store});
        for (auto& [name, data] : files) writer.add(name, data);
        const std::vector<uint8_t> archive = writer.finish();
        size_t total = 0;
        for (auto& f : files) total += f.second.size();
        if (!mode.store) {
            EXPECT_LT(archive.size(), total / 2);
        }
        TempPack pack("roundtrip");
        DataPack::usePack(pack.write(archive).c_str(), mode.password);
        for (auto& [name, data] : files) {
            std::vector<uint8_t> got;
            ASSERT_TRUE(fetch(name.c_str(), got)) << name;
            EXPECT_TRUE(got == data) << name;
        }
        // Out of order as well: backwards through the solid stream.
        for (auto it = files.rbegin(); it != files.rend(); ++it) {
            std::vector<uint8_t> got;
            ASSERT_TRUE(fetch(it->first.c_str(), got));
            EXPECT_TRUE(got == it->second) << it->first;
        }
        DataPack::usePack(pack.write(archive).c_str(), mode.password[0] ? "tiger20" : "");
        if (mode.password[0]) {
            EXPECT_EQ(DataPack::open("data/scripts/demo.script"), nullptr);
        }
    }
    DataPack::usePlainDirectory("");
}

TEST(DataPackRoundTrip, TenThousandSmallFiles) {
    for (bool solid : {false, true}) {
        RarWriter writer({"", solid, false});
        for (int i = 0; i < 10000; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "data/many/file%05d.txt", i);
            std::string body = "entry " + std::to_string(i) + " " + std::string(size_t(i % 97), char('a' + i % 26));
            writer.add(name, std::vector<uint8_t>(body.begin(), body.end()));
        }
        TempPack pack("many");
        DataPack::usePack(pack.write(writer.finish()).c_str(), "");
        for (int i = 0; i < 10000; i += (solid ? 1 : 7)) {
            char name[64];
            std::snprintf(name, sizeof name, "DATA\\MANY\\FILE%05d.TXT", i);
            std::vector<uint8_t> got;
            ASSERT_TRUE(fetch(name, got)) << name;
            std::string body = "entry " + std::to_string(i) + " " + std::string(size_t(i % 97), char('a' + i % 26));
            ASSERT_EQ(std::string(got.begin(), got.end()), body);
        }
    }
    DataPack::usePlainDirectory("");
}

TEST(DataPackRoundTrip, OutputIsDeterministic) {
    auto build = [] {
        RarWriter writer({"tiger19", true, false});
        writer.add("b.txt", text(3000, 9));
        writer.add("a.bin", noise(500, 9));
        return writer.finish();
    };
    EXPECT_EQ(build(), build());
}

TEST(DataPackNames, MatchIgnoresCaseAndSeparatorsFirstEntryWins) {
    RarWriter writer({"", false, true});
    writer.add("Data/Images/Logo.PNG", {'1'});
    writer.add("data\\images\\logo.png", {'2'});
    writer.add("data/a_b.txt", {'3'});
    TempPack pack("names");
    DataPack::usePack(pack.write(writer.finish()).c_str(), "");
    std::vector<uint8_t> got;
    ASSERT_TRUE(fetch("data\\IMAGES/logo.png", got));
    EXPECT_EQ(got, std::vector<uint8_t>{'1'});
    // Both separators count as "_", so an underscore matches them too.
    ASSERT_TRUE(fetch("data/a/b.txt", got));
    EXPECT_EQ(got, std::vector<uint8_t>{'3'});
    EXPECT_FALSE(fetch("images/logo.png", got));
    EXPECT_FALSE(fetch("data/images/logo.pn", got));
    EXPECT_FALSE(fetch("", got));
    DataPack::usePlainDirectory("");
}

TEST(DataPackSolid, StreamContinuesAndRestartsWithSameResults) {
    RarWriter writer({"", true, false});
    std::vector<std::vector<uint8_t>> bodies;
    for (int i = 0; i < 40; ++i) {
        bodies.push_back(text(3000 + size_t(i) * 50, unsigned(i % 5)));
        writer.add("f" + std::to_string(i), bodies.back());
    }
    const std::vector<uint8_t> archive = writer.finish();
    RarReader continuing, restarting;
    ASSERT_TRUE(continuing.openMemory(archive.data(), archive.size()));
    ASSERT_TRUE(restarting.openMemory(archive.data(), archive.size()));
    restarting.setStreamReuse(false);
    const int order[] = {0, 1, 2, 10, 11, 5, 39, 38, 20, 21};
    for (int i : order) {
        std::vector<uint8_t> a(bodies[size_t(i)].size()), b(a.size());
        uint32_t sizeA = 0, sizeB = 0;
        ASSERT_EQ(continuing.extract(size_t(i), "", a.data(), sizeA), RarReader::Result::ok) << i;
        ASSERT_EQ(restarting.extract(size_t(i), "", b.data(), sizeB), RarReader::Result::ok) << i;
        EXPECT_TRUE(a == bodies[size_t(i)]) << i;
        EXPECT_TRUE(a == b) << i;
    }
    // A wrong password fails the entry; the right one still works afterwards.
    RarWriter secret({"pw", true, false});
    secret.add("a", text(5000, 1));
    secret.add("b", text(5000, 2));
    const std::vector<uint8_t> locked = secret.finish();
    RarReader reader;
    ASSERT_TRUE(reader.openMemory(locked.data(), locked.size()));
    std::vector<uint8_t> out(5000);
    uint32_t size = 0;
    EXPECT_NE(reader.extract(1, "px", out.data(), size), RarReader::Result::ok);
    EXPECT_EQ(reader.extract(1, "pw", out.data(), size), RarReader::Result::ok);
    EXPECT_TRUE(out == text(5000, 2));
}

TEST(DataPackDamage, CorruptedPacksFailWithoutCrashing) {
    RarWriter writer({"", true, false});
    writer.add("a.txt", text(20000, 1));
    writer.add("b.pcm", pcm16(5000));
    const std::vector<uint8_t> good = writer.finish();
    std::mt19937 random(7);
    int opened = 0;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<uint8_t> bad = good;
        const int flips = 1 + int(random() % 4);
        for (int f = 0; f < flips; ++f) bad[random() % bad.size()] ^= uint8_t(1 + random() % 255);
        if (trial % 3 == 0) bad.resize(random() % bad.size());
        RarReader reader;
        if (!reader.openMemory(bad.data(), bad.size())) continue;
        for (size_t i = 0; i < reader.entries().size(); ++i) {
            const RarEntry& entry = reader.entries()[i];
            if (!RarReader::sizeIsPlausible(entry)) continue;
            std::vector<uint8_t> out(entry.unpackedSize + 1);
            uint32_t size = 0;
            if (reader.extract(i, "", out.data(), size) == RarReader::Result::ok) ++opened;
            EXPECT_LE(size, entry.unpackedSize);
        }
    }
    EXPECT_GT(opened, 0);  // flips in names or padding leave entries whole
    // Sizes that promise more than the packed data can hold are refused before allocating.
    RarEntry huge;
    huge.method = 0x33;
    huge.packedSize = 10;
    huge.unpackedSize = 0xFFFFFFF0u;
    EXPECT_FALSE(RarReader::sizeIsPlausible(huge));
    huge.method = 0x30;
    huge.unpackedSize = 11;
    EXPECT_FALSE(RarReader::sizeIsPlausible(huge));
}

TEST(DataPackPlain, ReadsFilesAndCopiesWholeElements) {
    TempPack directory("plain");
    writeFile(directory.directory + "/ten.bin", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    DataPack::usePlainDirectory(directory.directory.c_str());
    EXPECT_FALSE(DataPack::inPackMode());
    PackFile* file = DataPack::open("ten.bin");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->size, 10u);
    uint32_t elements[3] = {};
    EXPECT_EQ(DataPack::read(elements, 4, 3, file), 2u);
    EXPECT_EQ(elements[1], 0x07060504u);
    EXPECT_EQ(DataPack::read(elements, 4, 3, file), 0u);
    EXPECT_EQ(DataPack::read(elements, 1, 3, file), 2u);
    DataPack::close(file);
    EXPECT_EQ(DataPack::open("missing.bin"), nullptr);
    EXPECT_EQ(DataPack::open("."), nullptr);  // a directory is not a file
    DataPack::usePlainDirectory("");
}

TEST(DataPackPlain, PackModeHasNoFallbackToPlainFiles) {
    TempPack directory("nofallback");
    writeFile(directory.directory + "/plain.txt", {'x'});
    DataPack::usePack((directory.directory + "/absent.lvp").c_str(), "tiger19");
    EXPECT_TRUE(DataPack::inPackMode());
    EXPECT_EQ(DataPack::open((directory.directory + "/plain.txt").c_str()), nullptr);
    DataPack::usePlainDirectory("");
}

TEST(DataPackDeathTest, NullArgumentsToReadAreAssertions) {
    uint8_t buffer[4];
    PackFile file;
    EXPECT_EXIT(DataPack::read(nullptr, 1, 1, &file), testing::ExitedWithCode(1), "base/lvp.cpp:[0-9]+ assertion failed");
    EXPECT_EXIT(DataPack::read(buffer, 1, 1, nullptr), testing::ExitedWithCode(1), "base/lvp.cpp:[0-9]+ assertion failed");
}
