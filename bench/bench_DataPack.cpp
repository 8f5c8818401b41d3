// Data pack figures, each a ratio measured in the same run:
//   1. decode throughput of our reader against zlib's inflate on the same ~20 MB mixed payload;
//   2. `lvpack extract` against `unar` on the same archive (skipped where unar is missing);
//   3. opening every entry of a 1,000-entry solid pack one by one through DataPack against one
//      decode of the whole pack, and (first quarter) against a reader that restarts the stream.
// Run: build-pack/bench/bench_DataPack (prints figures; never fails).
#include "base/RarReader.h"
#include "base/RarWriter.h"
#include "base/lvp.h"

#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
double secondsOf(const std::function<void()>& work, int repeats = 3) {
    double best = 1e30;
    for (int r = 0; r < repeats; ++r) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

std::vector<uint8_t> textBytes(size_t size, unsigned seed) {
    static const char* words[] = {"scene ", "light ", "camera ", "texture ", "shader ", "fade ", "glow ", "ripple ",
                                  "\n", "beat ", "effect ", "INSERT_EFFECT ", "0.25 ", "1000 "};
    std::mt19937 random(seed);
    std::vector<uint8_t> out;
    while (out.size() < size)
        for (const char* c = words[random() % 14]; *c; ++c) out.push_back(uint8_t(*c));
    out.resize(size);
    return out;
}

// Text, 16-bit audio, structured binary (vertex-like floats) and incompressible noise.
std::vector<uint8_t> mixedPayload() {
    std::vector<uint8_t> out = textBytes(8u << 20, 1);
    for (int i = 0; i < (3 << 20); ++i) {
        const int16_t v = int16_t(9000 * std::sin(i * 0.013) + 3000 * std::sin(i * 0.21));
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(uint16_t(v) >> 8));
    }
    for (int i = 0; i < (1 << 20); ++i) {
        const float f = float(std::round(std::sin(i * 0.001) * 512.0) / 64.0);
        const auto* p = reinterpret_cast<const uint8_t*>(&f);
        out.insert(out.end(), p, p + 4);
    }
    std::mt19937 random(3);
    for (int i = 0; i < (2 << 20); ++i) out.push_back(uint8_t(random()));
    return out;
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), long(data.size()));
}

void decodeThroughput(const std::vector<uint8_t>& payload) {
    RarWriter writer({"", false, false});
    writer.add("payload.bin", payload);
    const std::vector<uint8_t> archive = writer.finish();
    RarReader reader;
    reader.openMemory(archive.data(), archive.size());
    std::vector<uint8_t> out(payload.size());
    uint32_t size = 0;
    const double ours = secondsOf([&] { reader.extract(0, "", out.data(), size); });
    if (out != payload) std::printf("  our decode differs from the payload!\n");

    uLongf bound = compressBound(uLong(payload.size()));
    std::vector<uint8_t> deflated(bound);
    compress2(deflated.data(), &bound, payload.data(), uLong(payload.size()), 6);
    deflated.resize(bound);
    const double zlibTime = secondsOf([&] {
        uLongf length = uLongf(out.size());
        uncompress(out.data(), &length, deflated.data(), uLong(deflated.size()));
    });
    const double mb = double(payload.size()) / 1e6;
    std::printf("decode %.1f MB mixed payload\n", mb);
    std::printf("  ours : %7.1f MB/s  (packed %.1f MB)\n", mb / ours, double(archive.size()) / 1e6);
    std::printf("  zlib : %7.1f MB/s  (deflated %.1f MB, level 6)\n", mb / zlibTime, double(deflated.size()) / 1e6);
    std::printf("  ratio ours/zlib throughput: %.2f\n\n", zlibTime / ours);
}

void extractAgainstUnar(const std::vector<uint8_t>& payload, const fs::path& work) {
    const fs::path lvpack = fs::path(LUMORA_EXECUTABLE).parent_path() / "lvpack";
    if (!fs::exists(lvpack) || !fs::exists("/usr/bin/unar")) {
        std::printf("lvpack extract vs unar: skipped (lvpack or unar missing)\n\n");
        return;
    }
    const size_t quarter = payload.size() / 4;
    for (int i = 0; i < 4; ++i)
        writeFile(work / "src" / ("part" + std::to_string(i) + ".bin"),
                  std::vector<uint8_t>(payload.begin() + long(i * quarter), payload.begin() + long((i + 1) * quarter)));
    const std::string archive = (work / "payload.rar").string();
    std::system((lvpack.string() + " create " + archive + " -p tiger19 " + (work / "src").string()).c_str());
    const std::string ourCommand = lvpack.string() + " extract " + archive + " -p tiger19 " + (work / "ours").string();
    const std::string unarCommand = "/usr/bin/unar -q -f -p tiger19 -o " + (work / "unar").string() + " " + archive + " >/dev/null";
    const double ours = secondsOf([&] { std::system(ourCommand.c_str()); });
    const double unar = secondsOf([&] { std::system(unarCommand.c_str()); });
    std::printf("extract the same %.1f MB encrypted archive (4 entries)\n", double(payload.size()) / 1e6);
    std::printf("  lvpack extract: %.3f s\n  unar          : %.3f s\n", ours, unar);
    std::printf("  ratio unar/lvpack time: %.2f\n\n", unar / ours);
}

void solidPackOpens(const fs::path& work) {
    constexpr int entries = 1000;
    RarWriter writer({"tiger19", true, false});
    std::vector<std::string> names;
    size_t total = 0;
    for (int i = 0; i < entries; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "data/files/entry%04d.txt", i);
        names.push_back(name);
        std::vector<uint8_t> body = textBytes(1000 + size_t(i * 37 % 6000), unsigned(i));
        total += body.size();
        writer.add(name, std::move(body));
    }
    const std::string pack = (work / "solid.lvp").string();
    writeFile(pack, writer.finish());

    DataPack::usePack(pack.c_str(), "tiger19");
    const double oneByOne = secondsOf([&] {
        for (const std::string& name : names) DataPack::close(DataPack::open(name.c_str()));
    });
    RarReader reader;
    reader.openFile(pack);
    std::vector<uint8_t> out(8000);
    const double wholePack = secondsOf([&] {
        uint32_t size = 0;
        for (size_t i = 0; i < reader.entries().size(); ++i) reader.extract(i, "tiger19", out.data(), size);
    });
    // Restarting costs O(n^2): measured over the first quarter of the entries only.
    const size_t quarter = reader.entries().size() / 4;
    const double firstQuarter = secondsOf([&] {
        for (size_t i = 0; i < quarter; ++i) DataPack::close(DataPack::open(names[i].c_str()));
    });
    reader.setStreamReuse(false);
    const double restarting = secondsOf([&] {
        uint32_t size = 0;
        for (size_t i = 0; i < quarter; ++i) reader.extract(i, "tiger19", out.data(), size);
    }, 1);
    DataPack::usePlainDirectory("");
    std::printf("open every entry of a %d-entry solid encrypted pack (%.1f MB)\n", entries, double(total) / 1e6);
    std::printf("  DataPack::open one by one : %.3f s\n", oneByOne);
    std::printf("  one decode of the pack    : %.3f s\n", wholePack);
    std::printf("  ratio one-by-one/one-decode: %.2f\n", oneByOne / wholePack);
    std::printf("  first %zu entries: one by one %.3f s, restarting the stream at every open %.3f s (ratio %.0f)\n",
                quarter, firstQuarter, restarting, restarting / firstQuarter);
}
}  // namespace

int main() {
    const fs::path work = fs::temp_directory_path() / ("lumora-bench-pack-" + std::to_string(getpid()));
    fs::create_directories(work);
    const std::vector<uint8_t> payload = mixedPayload();
    decodeThroughput(payload);
    extractAgainstUnar(payload, work);
    solidPackOpens(work);
    fs::remove_all(work);
    return 0;
}
