// Decode and upload time of 1024 x 1024 pictures read through the data pack (plain mode,
// a temporary folder): a PNG, a JPEG and a DXT1 DDS. Upload runs on an offscreen GL
// context (Mesa's software renderer here) and includes glFinish.
//
//   build-*/bench/bench_Images
#include "base/LumoraConfig.h"
#include "base/LumoraWindow.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "resources/ImageLibrary.h"
#include "resources/Texture.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int side = 1024;

// A picture with smooth gradients and some grain, like a real backdrop.
std::vector<uint8_t> backdrop() {
    std::vector<uint8_t> pixels(size_t(side) * side * 3);
    uint32_t state = 12345;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            state = state * 1664525u + 1013904223u;
            uint8_t grain = uint8_t(state >> 28);
            uint8_t* p = &pixels[size_t(y * side + x) * 3];
            p[0] = uint8_t(x / 4 + grain);
            p[1] = uint8_t(y / 4 + grain);
            p[2] = uint8_t((x + y) / 8);
        }
    }
    return pixels;
}

void writeJpeg(const std::string& path, const std::vector<uint8_t>& pixels) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    FILE* file = std::fopen(path.c_str(), "wb");
    jpeg_stdio_dest(&info, file);
    info.image_width = side;
    info.image_height = side;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(&pixels[size_t(info.next_scanline) * side * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

// A DXT1 file with a full chain; the block contents do not change the cost of reading
// and uploading them.
void writeDds(const std::string& path) {
    uint8_t header[128] = {};
    auto put = [&](size_t at, uint32_t value) { std::memcpy(header + at, &value, 4); };
    std::memcpy(header, "DDS ", 4);
    put(4, 124);
    put(12, side);
    put(16, side);
    put(20, side * side / 2);
    put(28, 11);
    std::memcpy(header + 84, "DXT1", 4);
    size_t data = 0;
    for (int s = side; s >= 1; s /= 2) data += size_t((s + 3) / 4) * size_t((s + 3) / 4) * 8;
    std::vector<uint8_t> blocks(data);
    for (size_t i = 0; i < blocks.size(); ++i) blocks[i] = uint8_t(i * 2654435761u >> 24);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), 128);
    out.write(reinterpret_cast<const char*>(blocks.data()), std::streamsize(blocks.size()));
}

struct Setting {
    std::string dir;
    LumoraWindow window;
    Setting() {
        dir = (std::filesystem::temp_directory_path() / "lumora_bench_images").string();
        std::filesystem::create_directories(dir);
        std::vector<uint8_t> pixels = backdrop();
        writePng(dir + "/backdrop.png", side, side, 3, pixels.data());
        writeJpeg(dir + "/backdrop.jpg", pixels);
        writeDds(dir + "/backdrop.dds");
        DataPack::usePlainDirectory(dir.c_str());
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string error;
        if (initVideo(true, error) && window.create("bench", 64, 64, 32, false, nullptr, 0, nullptr)) {
            LumoraConfig::query();
        } else {
            std::fprintf(stderr, "no GL context: upload benchmarks skipped\n");
        }
    }
};

Setting& setting() {
    static Setting made;
    return made;
}

void decode(benchmark::State& state, const char* name) {
    setting();
    for (auto _ : state) {
        auto image = ImageLibrary::load(name, "");
        if (!image) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image);
    }
}

void decodeAndUpload(benchmark::State& state, const char* name) {
    if (!setting().window.sdlWindow()) {
        state.SkipWithError("no GL context");
        return;
    }
    for (auto _ : state) {
        auto image = ImageLibrary::load(name, "");
        if (!image) state.SkipWithError("decode failed");
        // A texture per round, as a first request makes it; its GL object is freed here
        // only so that rounds do not pile up memory.
        Texture texture(GL_TEXTURE_2D, GL_RGBA, false);
        texture.upload(std::move(image));
        glFinish();
        GLuint name = texture.name();
        glDeleteTextures(1, &name);
    }
}

BENCHMARK_CAPTURE(decode, png, "backdrop.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, jpeg, "backdrop.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, dxt1, "backdrop.dds")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeAndUpload, png, "backdrop.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeAndUpload, jpeg, "backdrop.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decodeAndUpload, dxt1, "backdrop.dds")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
