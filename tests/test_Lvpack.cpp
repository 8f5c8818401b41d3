// lvpack on the command line: create, list and extract, determinism, wrong passwords, names
// that would leave the target directory, and archives that another reader (unar) accepts.
#include "base/RarWriter.h"
#include "support/RunProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {
const std::string lvpack = LUMORA_BINARY_DIR "/lvpack";

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), long(data.size()));
}

// A small data tree: text, noise, 16-bit audio, an empty file, a file longer than the window.
void makeTree(const fs::path& root) {
    std::mt19937 random(5);
    std::vector<uint8_t> textData, noiseData(30000), audio, big;
    const char* words[] = {"fade ", "glow ", "scene ", "light\n"};
    while (textData.size() < 40000) for (const char* c = words[random() % 4]; *c; ++c) textData.push_back(uint8_t(*c));
    for (auto& b : noiseData) b = uint8_t(random());
    for (int i = 0; i < 30000; ++i) {
        const int16_t v = int16_t(8000 * std::sin(i * 0.05));
        audio.push_back(uint8_t(v));
        audio.push_back(uint8_t(uint16_t(v) >> 8));
    }
    for (int i = 0; i < 1'200'000; ++i) big.push_back(uint8_t((i * 7) ^ (i >> 9)));
    writeFile(root / "data/scripts/cvdemo.script", textData);
    writeFile(root / "data/images/noise.raw", noiseData);
    writeFile(root / "data/sound/tone.pcm", audio);
    writeFile(root / "data/empty.txt", {});
    writeFile(root / "data/big.bin", big);
}

bool sameTree(const fs::path& a, const fs::path& b) {
    size_t files = 0;
    for (auto& entry : fs::recursive_directory_iterator(a)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        const fs::path other = b / fs::relative(entry.path(), a);
        if (!fs::exists(other) || readFile(entry.path()) != readFile(other)) {
            ADD_FAILURE() << "differs: " << other;
            return false;
        }
    }
    return files > 0;
}

class LvpackTest : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(lvpack)) GTEST_SKIP() << "lvpack not built";
        work = makeTempDirectory("lvpack");
        makeTree(fs::path(work) / "src");
    }
    void TearDown() override {
        if (!work.empty()) fs::remove_all(work);
    }
    std::string work;
};
}  // namespace

TEST_F(LvpackTest, CreateListExtractRoundTripInEveryMode) {
    const std::vector<std::vector<std::string>> modes = {{}, {"--solid"}, {"-p", "tiger19"}, {"--solid", "-p", "tiger19"}, {"--store"}};
    for (size_t m = 0; m < modes.size(); ++m) {
        const std::string archive = work + "/pack" + std::to_string(m) + ".lvp";
        std::vector<std::string> create = {"create", archive};
        create.insert(create.end(), modes[m].begin(), modes[m].end());
        create.push_back(work + "/src");
        ProgramResult made = runProgram(lvpack, create);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        ProgramResult listed = runProgram(lvpack, {"list", archive});
        EXPECT_EQ(listed.exitCode, 0);
        EXPECT_NE(listed.out.find("data/scripts/cvdemo.script"), std::string::npos);
        EXPECT_EQ(listed.out.find("normal") == std::string::npos, m == 4) << listed.out;
        std::vector<std::string> extract = {"extract", archive};
        if (modes[m].size() >= 2 && modes[m][modes[m].size() - 2] == "-p") {
            extract.push_back("-p");
            extract.push_back("tiger19");
        }
        extract.push_back(work + "/out" + std::to_string(m));
        ProgramResult got = runProgram(lvpack, extract);
        ASSERT_EQ(got.exitCode, 0) << got.err;
        EXPECT_TRUE(sameTree(work + "/src", work + "/out" + std::to_string(m)));
    }
}

TEST_F(LvpackTest, SameInputGivesByteIdenticalArchive) {
    ASSERT_EQ(runProgram(lvpack, {"create", work + "/one.lvp", "-p", "tiger19", work + "/src"}).exitCode, 0);
    fs::last_write_time(work + "/src/data/empty.txt", fs::file_time_type::clock::now() - std::chrono::hours(50));
    ASSERT_EQ(runProgram(lvpack, {"create", work + "/two.lvp", "-p", "tiger19", work + "/src"}).exitCode, 0);
    EXPECT_EQ(readFile(work + "/one.lvp"), readFile(work + "/two.lvp"));
}

TEST_F(LvpackTest, WrongPasswordIsAClearErrorAndWritesNothing) {
    ASSERT_EQ(runProgram(lvpack, {"create", work + "/p.lvp", "-p", "tiger19", work + "/src"}).exitCode, 0);
    ProgramResult wrong = runProgram(lvpack, {"extract", work + "/p.lvp", "-p", "tiger18", work + "/out"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_NE(wrong.err.find("wrong password"), std::string::npos) << wrong.err;
    EXPECT_FALSE(fs::exists(work + "/out/data/big.bin"));
    ProgramResult none = runProgram(lvpack, {"extract", work + "/p.lvp", work + "/out"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("password"), std::string::npos);
}

TEST_F(LvpackTest, NamesThatLeaveTheTargetAreRefused) {
    RarWriter writer({"", false, true});
    writer.add("../escaped.txt", {'x'});
    writer.add("/absolute.txt", {'y'});
    writer.add("c:/drive.txt", {'z'});
    writer.add("inside/../../up.txt", {'w'});
    writer.add("fine/ok.txt", {'o'});
    const std::vector<uint8_t> archive = writer.finish();
    writeFile(work + "/evil.lvp", archive);
    fs::create_directories(work + "/target");
    fs::create_directory_symlink(work, work + "/target/link");
    RarWriter viaLink({"", false, true});
    viaLink.add("link/through.txt", {'l'});
    writeFile(work + "/link.lvp", viaLink.finish());

    ProgramResult result = runProgram(lvpack, {"extract", work + "/evil.lvp", work + "/target"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("unsafe name"), std::string::npos);
    EXPECT_FALSE(fs::exists(work + "/escaped.txt"));
    EXPECT_FALSE(fs::exists("/absolute.txt"));
    EXPECT_FALSE(fs::exists(work + "/up.txt"));
    EXPECT_TRUE(fs::exists(work + "/target/fine/ok.txt"));
    EXPECT_EQ(runProgram(lvpack, {"extract", work + "/link.lvp", work + "/target"}).exitCode, 1);
    EXPECT_FALSE(fs::exists(work + "/through.txt"));
}

TEST_F(LvpackTest, BadArgumentsAndBrokenArchives) {
    EXPECT_EQ(runProgram(lvpack, {"frobnicate", "x"}).exitCode, 2);
    EXPECT_EQ(runProgram(lvpack, {"create", work + "/x.lvp", work + "/nothing-here"}).exitCode, 1);
    writeFile(work + "/junk.lvp", {'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'});
    EXPECT_EQ(runProgram(lvpack, {"list", work + "/junk.lvp"}).exitCode, 1);
    EXPECT_EQ(runProgram(lvpack, {"extract", work + "/junk.lvp", work + "/o"}).exitCode, 1);
}

TEST_F(LvpackTest, AnotherReaderExtractsOurArchives) {
    const char* unar = "/usr/bin/unar";
    if (!fs::exists(unar)) GTEST_SKIP() << "unar is not installed";
    const std::vector<std::vector<std::string>> modes = {{}, {"--solid"}, {"-p", "tiger19"}, {"--solid", "-p", "tiger19"}};
    for (size_t m = 0; m < modes.size(); ++m) {
        SCOPED_TRACE("mode " + std::to_string(m));
        const std::string archive = work + "/u" + std::to_string(m) + ".rar";
        std::vector<std::string> create = {"create", archive};
        create.insert(create.end(), modes[m].begin(), modes[m].end());
        create.push_back(work + "/src");
        ASSERT_EQ(runProgram(lvpack, create).exitCode, 0);
        const std::string out = work + "/unar" + std::to_string(m);
        std::vector<std::string> arguments = {"-q", "-D", "-o", out};
        if (modes[m].size() >= 2) {
            arguments.push_back("-p");
            arguments.push_back("tiger19");
        }
        arguments.push_back(archive);
        ProgramResult extracted = runProgram(unar, arguments);
        ASSERT_EQ(extracted.exitCode, 0) << extracted.out << extracted.err;
        EXPECT_TRUE(sameTree(work + "/src", out));
    }
}
