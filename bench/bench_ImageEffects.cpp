// Cost of one frame of each image effect at 640 x 480 (FramebufferScroll, LineDistortion,
// Mosaic, RotoZoom, Noise, TechnoNoise), each over an Image effect showing a 512 x 512
// picture, on an offscreen GL context (Mesa's software renderer here).
//
// Per frame (update then render, as the timeline calls them) three figures:
//   the benchmark's time   until glFinish returns: all the frame's work, CPU and GPU;
//   cpu_submit_ms          until update and render return (commands issued, not done);
//   gpu_ms                 GL_TIME_ELAPSED of the frame's commands (0 without timer
//                          queries).
//
//   build-*/bench/bench_ImageEffects
#include "base/LumoraConfig.h"
#include "base/LumoraWindow.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "demos/EffectList_Test.h"
#include "effects/Image.h"
#include "engine/ShaderManager.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int frameWidth = 640;
constexpr int frameHeight = 480;
constexpr int pictureSide = 512;

struct Setting {
    std::string dir;
    LumoraWindow window;
    bool ready = false;
    bool timerQueries = false;
    GLuint query = 0;

    Setting() {
        dir = (std::filesystem::temp_directory_path() / "lumora_bench_image_effects").string();
        std::filesystem::create_directories(dir + "/data/shaders");
        std::vector<uint8_t> pixels(size_t(pictureSide) * pictureSide * 3);
        for (int y = 0; y < pictureSide; ++y) {
            for (int x = 0; x < pictureSide; ++x) {
                uint8_t* p = &pixels[size_t(y * pictureSide + x) * 3];
                p[0] = uint8_t(x / 2);
                p[1] = uint8_t(y / 2);
                p[2] = uint8_t(((x / 32) ^ (y / 32)) & 1 ? 255 : 40);
            }
        }
        writePng(dir + "/picture.png", pictureSide, pictureSide, 3, pixels.data());
        for (const char* shader : {"fragment_tint.glsl", "fragment_noise.glsl"}) {
            std::filesystem::copy_file(std::string(LUMORA_SOURCE_DIR) + "/data/shaders/" + shader,
                                       dir + "/data/shaders/" + shader,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        DataPack::usePlainDirectory(dir.c_str());
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string error;
        if (initVideo(true, error) &&
            window.create("bench", frameWidth, frameHeight, 32, false, nullptr, 0, nullptr)) {
            LumoraConfig::query();
            ready = true;
            timerQueries = epoxy_gl_version() >= 33 || epoxy_has_gl_extension("GL_ARB_timer_query");
            if (timerQueries) glGenQueries(1, &query);
            std::fprintf(stderr, "renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        } else {
            std::fprintf(stderr, "no GL context: %s\n", error.c_str());
        }
    }
};

Setting& setting() {
    static Setting made;
    return made;
}

// One frame of the filter as the timeline draws it.
void drawFrame(Effect& filter, uint32_t t) {
    glViewport(0, 0, frameWidth, frameHeight);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    filter.update(t);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    filter.render(t);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

// program: a shader file the filter runs through event 36, or null for fixed function.
void effectFrame(benchmark::State& state, const char* typeName, const char* program) {
    Setting& set = setting();
    if (!set.ready) {
        state.SkipWithError("no GL context");
        return;
    }
    EffectList_Test list;
    list.createEffect("picture", "Image");
    list.createEffect("filter", typeName);
    Effect* picture = list.findEffect("picture");
    Effect* filter = list.findEffect("filter");
    static_cast<Image*>(picture)->handleEvent([] {
        DemoEvent file;
        file.id = eventImageFile;
        file.text = "picture.png";
        return file;
    }());
    picture->blendSource.current = 10;  // the picture replaces what is under it
    filter->blendSource.current = 10;
    filter->source = picture;
    if (program) filter->program = &ShaderManager::instance().fragmentProgram(program);
    filter->setSpeedValue(0.005f);
    filter->start(0);

    uint32_t t = 0;
    double submitSeconds = 0;
    double gpuSeconds = 0;
    for (auto _ : state) {
        t += 16;
        if (set.timerQueries) glBeginQuery(GL_TIME_ELAPSED, set.query);
        auto begin = std::chrono::steady_clock::now();
        drawFrame(*filter, t);
        submitSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (set.timerQueries) {
            glEndQuery(GL_TIME_ELAPSED);
            GLuint64 elapsed = 0;
            glGetQueryObjectui64v(set.query, GL_QUERY_RESULT, &elapsed);
            gpuSeconds += double(elapsed) * 1e-9;
        }
        glFinish();
    }
    const double frames = double(state.iterations());
    state.counters["cpu_submit_ms"] = benchmark::Counter(submitSeconds * 1000 / frames);
    state.counters["gpu_ms"] = benchmark::Counter(gpuSeconds * 1000 / frames);
}

BENCHMARK_CAPTURE(effectFrame, FramebufferScroll, "FramebufferScroll", nullptr)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, FramebufferScroll_tint, "FramebufferScroll", "data/shaders/fragment_tint.glsl")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, LineDistortion, "LineDistortion", nullptr)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, LineDistortion_tint, "LineDistortion", "data/shaders/fragment_tint.glsl")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, Mosaic, "Mosaic", nullptr)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, RotoZoom, "RotoZoom", nullptr)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, Noise, "Noise", nullptr)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, Noise_program, "Noise", "data/shaders/fragment_noise.glsl")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(effectFrame, TechnoNoise, "TechnoNoise", nullptr)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
