// Cost of the shader programs on an offscreen GL context (Mesa's software renderer here):
// reading, compiling and linking each shipped program with its parameter look-ups (what a
// first request costs, at load time), and a bind, set, unbind round of a full-screen
// pass (what every frame pays per pass, without the draw).
//
//   build-*/bench/bench_Shaders
#include "base/LumoraWindow.h"
#include "base/lvp.h"
#include "engine/ShaderManager.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Setting {
    LumoraWindow window;
    bool ready = false;
    Setting() {
        DataPack::usePlainDirectory(LUMORA_SOURCE_DIR);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string error;
        ready = initVideo(true, error) && window.create("bench", 64, 64, 32, false, nullptr, 0, nullptr);
        if (!ready) {
            std::fprintf(stderr, "no GL context: shader benchmarks skipped\n");
        }
    }
};

Setting& setting() {
    static Setting made;
    return made;
}

template <class Program>
void compile(benchmark::State& state, const char* base) {
    if (!setting().ready) {
        state.SkipWithError("no GL context");
        return;
    }
    const std::string name = std::string("data/shaders/") + base + ".glsl";
    for (auto _ : state) {
        // Outside the registry, so that every round compiles; the GL object is freed only
        // so that rounds do not pile up.
        Program program(name);
        program.load();
        glFinish();
        glDeleteProgram(program.glProgram());
    }
}

void compileFragment(benchmark::State& state, const char* base) {
    compile<FragmentProgram>(state, base);
}

void compileVertex(benchmark::State& state, const char* base) {
    compile<VertexProgram>(state, base);
}

void bindSetUnbind(benchmark::State& state) {
    if (!setting().ready) {
        state.SkipWithError("no GL context");
        return;
    }
    FragmentProgram& blur = ShaderManager::instance().fragmentProgram("data/shaders/fragment_blur.glsl");
    float step = 0.0f;
    for (auto _ : state) {
        blur.bind();
        blur.setFactors(step, step, 2 * step, 2 * step);
        blur.unbind();
        step += 1e-6f;
    }
    glFinish();
}

BENCHMARK_CAPTURE(compileFragment, fragment_blur, "fragment_blur")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compileFragment, fragment_dof, "fragment_dof")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compileFragment, fragment_focus, "fragment_focus")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compileFragment, fragment_shadowmap, "fragment_shadowmap")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compileVertex, vertex_lighting, "vertex_lighting")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(compileVertex, vertex_depth_info, "vertex_depth_info")->Unit(benchmark::kMillisecond);
BENCHMARK(bindSetUnbind)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
