// Data pack figures, each a ratio measured in the same run:
//   1. decode throughput of our reader against zlib's inflate on the same payload, per kind
//      of data: stored, LZ text, LZ binary, audio mode (a real archive's entry, decoded
//      repeatedly; skipped where the fixtures are absent), and encrypted LZ text. Ours and
//      zlib run in turn, five pairs; the medians and the median of the pair ratios print;
//   2. `lvpack extract` against `unar` on the same archive, in turn, three pairs (skipped
//      where unar is missing);
//   3. opening every entry of a 1,000-entry solid pack one by one through DataPack against one
//      decode of the whole pack, and (first quarter) against a reader that restarts the stream.
// Our figures include reading the packed data and checking the entry's CRC-32, zlib's its
// Adler-32. Run: build/bench/bench_DataPack (prints figures; never fails).
#include "base/RarReader.h"
#include "base/RarWriter.h"
#include "base/lvp.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The two in turn, pairs times; medians of each and of the ratios a/b.
struct Pairing {
    double a, b, ratio;
};
Pairing inTurn(const std::function<void()>& a, const std::function<void()>& b, int pairs) {
    std::vector<double> as, bs, ratios;
    for (int i = 0; i < pairs; ++i) {
        as.push_back(secondsOf(a, 1));
        bs.push_back(secondsOf(b, 1));
        ratios.push_back(as.back() / bs.back());
    }
    return {median(as), median(bs), median(ratios)};
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

std::vector<uint8_t> noiseBytes(size_t size) {
    std::mt19937 random(3);
    std::vector<uint8_t> out(size);
    for (auto& b : out) b = uint8_t(random());
    return out;
}

// Vertex-like records: quantised floats, small integers and colours.
std::vector<uint8_t> binaryBytes(size_t size) {
    std::vector<uint8_t> out;
    for (int i = 0; out.size() < size; ++i) {
        const float f[3] = {float(std::round(std::sin(i * 0.001) * 512.0) / 64.0), float(i % 97) * 0.5f,
                            float(std::round(std::cos(i * 0.0007) * 256.0) / 32.0)};
        const auto* p = reinterpret_cast<const uint8_t*>(f);
        out.insert(out.end(), p, p + sizeof f);
        const uint8_t colour[4] = {uint8_t(i * 3), uint8_t(200 - i % 50), 128, 255};
        out.insert(out.end(), colour, colour + 4);
    }
    out.resize(size);
    return out;
}

// Text, 16-bit audio, structured binary and incompressible noise: the payload that the
// lvpack/unar comparison and the solid pack use.
std::vector<uint8_t> mixedPayload() {
    std::vector<uint8_t> out = textBytes(8u << 20, 1);
    for (int i = 0; i < (3 << 20); ++i) {
        const int16_t v = int16_t(9000 * std::sin(i * 0.013) + 3000 * std::sin(i * 0.21));
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(uint16_t(v) >> 8));
    }
    const std::vector<uint8_t> binary = binaryBytes(4u << 20);
    out.insert(out.end(), binary.begin(), binary.end());
    const std::vector<uint8_t> noise = noiseBytes(2u << 20);
    out.insert(out.end(), noise.begin(), noise.end());
    return out;
}

std::vector<uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), long(data.size()));
}

// Our decode of entry `entry` of archive, `repeats` times, against zlib inflating the same
// bytes (the entry's content `repeats` times over) deflated at level 6.
void decodeAgainstZlib(const char* kind, const std::vector<uint8_t>& archive, size_t entry, const char* password,
                       int repeats) {
    RarReader reader;
    if (!reader.openMemory(archive.data(), archive.size()) || entry >= reader.entries().size()) {
        std::printf("  %-22s: archive unreadable\n", kind);
        return;
    }
    const RarEntry& e = reader.entries()[entry];
    std::vector<uint8_t> out(e.unpackedSize);
    uint32_t size = 0;
    if (reader.extract(entry, password, out.data(), size) != RarReader::Result::ok) {
        std::printf("  %-22s: our decode failed!\n", kind);
        return;
    }
    std::vector<uint8_t> payload;
    for (int r = 0; r < repeats; ++r) payload.insert(payload.end(), out.begin(), out.end());
    uLongf bound = compressBound(uLong(payload.size()));
    std::vector<uint8_t> deflated(bound);
    compress2(deflated.data(), &bound, payload.data(), uLong(payload.size()), 6);
    deflated.resize(bound);
    std::vector<uint8_t> inflated(payload.size());
    const Pairing p = inTurn(
        [&] {
            for (int r = 0; r < repeats; ++r) reader.extract(entry, password, out.data(), size);
        },
        [&] {
            uLongf length = uLongf(inflated.size());
            uncompress(inflated.data(), &length, deflated.data(), uLong(deflated.size()));
        },
        5);
    if (inflated != payload) std::printf("  zlib's output differs!\n");
    const double mb = double(payload.size()) / 1e6;
    std::printf("  %-22s %6.1f MB  packed %5.1f%%  deflated %5.1f%%   ours %7.1f MB/s   zlib %7.1f MB/s   ours/zlib %.2f\n",
                kind, mb, 100.0 * e.packedSize / e.unpackedSize, 100.0 * double(deflated.size()) / double(payload.size()),
                mb / p.a, mb / p.b, 1.0 / p.ratio);
}

void decodeThroughput() {
    std::printf("decode throughput against zlib inflate (medians of 5 pairs run in turn)\n");
    const std::vector<uint8_t> text = textBytes(8u << 20, 1);
    const std::vector<uint8_t> binary = binaryBytes(4u << 20);
    const std::vector<uint8_t> noise = noiseBytes(4u << 20);
    {
        RarWriter writer({"", false, true});
        writer.add("noise.bin", noise);
        decodeAgainstZlib("stored", writer.finish(), 0, "", 1);
    }
    {
        RarWriter writer({"", false, false});
        writer.add("text.txt", text);
        decodeAgainstZlib("LZ text", writer.finish(), 0, "", 1);
    }
    {
        RarWriter writer({"", false, false});
        writer.add("mesh.bin", binary);
        decodeAgainstZlib("LZ binary", writer.finish(), 0, "", 1);
    }
    const fs::path audio = fs::path(LUMORA_SOURCE_DIR) / "../shared/fixtures/rar/BoatModernEnglish-audio-text-unpack20.rar";
    if (fs::exists(audio)) {
        const std::vector<uint8_t> archive = readFile(audio);
        RarReader reader;
        reader.openMemory(archive.data(), archive.size());
        decodeAgainstZlib("audio mode (fixture)", archive, size_t(std::max(reader.find("BoatModernEnglish.wav"), 0)), "", 200);
    } else {
        std::printf("  audio mode: skipped (fixtures not found)\n");
    }
    {
        RarWriter writer({"tiger19", false, false});
        writer.add("text.txt", text);
        decodeAgainstZlib("LZ text, encrypted", writer.finish(), 0, "tiger19", 1);
    }
    std::printf("\n");
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
    const Pairing p = inTurn([&] { std::system(ourCommand.c_str()); }, [&] { std::system(unarCommand.c_str()); }, 3);
    std::printf("extract the same %.1f MB encrypted archive (4 entries; medians of 3 pairs run in turn)\n",
                double(payload.size()) / 1e6);
    std::printf("  lvpack extract: %.3f s\n  unar          : %.3f s\n", p.a, p.b);
    std::printf("  ratio unar/lvpack time: %.2f\n\n", 1.0 / p.ratio);
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
    decodeThroughput();
    const std::vector<uint8_t> payload = mixedPayload();
    extractAgainstUnar(payload, work);
    solidPackOpens(work);
    fs::remove_all(work);
    return 0;
}
