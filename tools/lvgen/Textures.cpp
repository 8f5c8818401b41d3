#include "tools/lvgen/Textures.h"

#include "tools/picgen/Canvas.h"
#include "tools/picgen/Noise.h"
#include "tools/picgen/PictureFiles.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

Colour colourAt(const std::vector<float>& a, size_t first) {
    return {a[first], a[first + 1], a[first + 2], 1};
}

bool endsWith(const std::string& text, const char* ending) {
    const std::string e = ending;
    return text.size() >= e.size() && text.compare(text.size() - e.size(), e.size(), e) == 0;
}

Canvas draw(const TextureJob& job) {
    const std::vector<float>& a = job.arguments;
    const int size = int(a[0]);
    Canvas canvas(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float u = (float(x) + 0.5f) / float(size), v = (float(y) + 0.5f) / float(size);
            Colour& pixel = canvas.at(x, y);
            if (job.kind == "checker") {
                const int cells = int(a[1]);
                const bool odd = (int(u * float(cells)) + int(v * float(cells))) % 2 == 1;
                pixel = odd ? colourAt(a, 5) : colourAt(a, 2);
            } else if (job.kind == "marble") {
                const uint32_t seed = uint32_t(a[7]);
                const float n = Noise::fractal(u * 6, v * 6, seed, 4, 6);
                const float vein = 0.5f + 0.5f * std::sin((u * 5 + n * 6) * 3.14159265f);
                pixel = mix(colourAt(a, 1), colourAt(a, 4), vein);
            } else if (job.kind == "sky") {
                pixel = mix(colourAt(a, 1), colourAt(a, 4), v);
            } else if (job.kind == "bumps") {
                const uint32_t seed = uint32_t(a[1]);
                const float strength = a[2];
                const float step = 1.0f / float(size);
                auto height = [&](float hu, float hv) { return Noise::fractal(hu * 8, hv * 8, seed, 3, 8); };
                const float dx = (height(u + step, v) - height(u - step, v)) * strength;
                const float dy = (height(u, v + step) - height(u, v - step)) * strength;
                const float length = std::sqrt(dx * dx + dy * dy + 1);
                pixel = {(-dx / length) * 0.5f + 0.5f, (dy / length) * 0.5f + 0.5f, (1 / length) * 0.5f + 0.5f, 1};
            } else if (job.kind == "glow") {
                const float d = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 2;
                const float t = d >= 1 ? 0.0f : (1 - d) * (1 - d);
                const Colour c = colourAt(a, 1);
                pixel = {c.r * t, c.g * t, c.b * t, 1};
            }
        }
    }
    return canvas;
}

}  // namespace

namespace textures {

int argumentCount(const std::string& kind) {
    if (kind == "checker") return 8;
    if (kind == "marble") return 8;
    if (kind == "sky") return 7;
    if (kind == "bumps") return 3;
    if (kind == "glow") return 4;
    return -1;
}

bool write(const TextureJob& job, const std::string& outDirectory) {
    const int size = int(job.arguments[0]);
    if (size < 4 || size > 1024 || (size & (size - 1)) != 0) {
        std::fprintf(stderr, "lvgen: %s: the size must be a power of two from 4 to 1024\n", job.dataPath.c_str());
        return false;
    }
    const std::string path = outDirectory + "/" + job.dataPath;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    const Canvas canvas = draw(job);
    if (endsWith(job.dataPath, ".png")) return PictureFiles::writePngRgba(path, canvas);
    if (endsWith(job.dataPath, ".jpg")) return PictureFiles::writeJpeg(path, canvas, 92);
    if (endsWith(job.dataPath, ".dds")) return PictureFiles::writeDds(path, canvas, PictureFiles::Dxt::dxt1);
    std::fprintf(stderr, "lvgen: %s: a texture is written as .png, .jpg or .dds\n", job.dataPath.c_str());
    return false;
}

}  // namespace textures
