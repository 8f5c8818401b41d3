// Cost of a scene's frame, on scenes made by the scene generator (lvgen):
//
//   SceneDraw        render() of 100 lit, textured meshes of about 1,000 triangles each
//                    at 640 x 480 on an offscreen GL context (Mesa's software renderer
//                    here), until glFinish returns; cpu_submit_ms until render() returns.
//   SceneAnimation   setTime + animate + updateWorld of 1,000 animated nodes (spinning,
//                    orbiting, bobbing), CPU time; nothing is drawn.
//
//   build-*/bench/bench_Scene
#include "base/LumoraConfig.h"
#include "base/LumoraWindow.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "engine/MeshObject.h"
#include "engine/Scene.h"
#include "engine/SceneLoaderLVG.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int frameWidth = 640;
constexpr int frameHeight = 480;

// 100 spheres of 25 segments and 20 rings (about 1,000 triangles each) on a 10 x 10 grid.
std::string manyMeshes() {
    std::string text =
        "frames 0 16000 160\n"
        "texture data/textures/bench_marble.png marble 256 0.9 0.55 0.3 0.45 0.2 0.1 7\n"
        "material 1 Stone map 1 bench_marble.png\n"
        "material 2 Plain diffuse 0.4 0.6 0.9\n"
        "dummy 1 Centre at 0 0 0\n"
        "camera 2 Cam at 0 0 160 fov 45 target 1\n"
        "light 3 Omni01 omni at 50 80 200\n";
    for (int i = 0; i < 100; ++i) {
        const int x = i % 10 - 5, y = i / 10 - 5;
        text += "mesh " + std::to_string(10 + i) + " Ball" + std::to_string(i) + " sphere 5 25 20 material " +
                std::to_string(1 + i % 2) + " at " + std::to_string(x * 12 + 6) + " " + std::to_string(y * 12 + 6) +
                " 0\n";
    }
    return text;
}

// 1,000 dummies, each with its own animation, chained under one another in groups of ten.
std::string manyNodes() {
    std::string text =
        "frames 0 16000 160\n"
        "dummy 1 Centre at 0 0 0\n"
        "camera 2 Cam at 0 0 160 fov 45 target 1\n";
    for (int i = 0; i < 1000; ++i) {
        const int id = 10 + i;
        text += "dummy " + std::to_string(id) + " N" + std::to_string(i) + " at " + std::to_string(i % 37) + " 0 0" +
                (i % 10 ? " parent " + std::to_string(id - 1) : std::string()) + " spin 0 1 0 " +
                std::to_string(1 + i % 3) + " orbit " + std::to_string(5 + i % 7) + " 1 bob 2 3\n";
    }
    return text;
}

struct Setting {
    std::string dir;
    LumoraWindow window;
    bool ready = false;
    Scene* draw = nullptr;
    Scene* animation = nullptr;

    Setting() {
        dir = (fs::temp_directory_path() / "lumora_bench_scene").string();
        fs::create_directories(dir);
        const std::string lvgen = fs::path(LUMORA_EXECUTABLE).parent_path().string() + "/tools/lvgen/lvgen";
        std::ofstream(dir + "/benchdraw.scene") << manyMeshes();
        std::ofstream(dir + "/benchanimation.scene") << manyNodes();
        const std::string command =
            lvgen + " --out " + dir + " " + dir + "/benchdraw.scene " + dir + "/benchanimation.scene";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "lvgen failed: %s\n", command.c_str());
            return;
        }
        DataPack::usePlainDirectory(dir.c_str());
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string error;
        if (!initVideo(true, error) ||
            !window.create("bench", frameWidth, frameHeight, 32, false, nullptr, 0, nullptr)) {
            std::fprintf(stderr, "no GL context: %s\n", error.c_str());
            return;
        }
        LumoraConfig::query();
        std::fprintf(stderr, "renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
        draw = SceneLoaderLVG::load("data/scenes/benchdraw.lvg", sceneCompressedTextureFolder, sceneTextureFolder);
        animation =
            SceneLoaderLVG::load("data/scenes/benchanimation.lvg", sceneCompressedTextureFolder, sceneTextureFolder);
        ready = draw && animation;
    }

    size_t triangles() const {
        size_t count = 0;
        for (const auto& object : draw->objects()) {
            if (object->kind() == SceneObjectKind::Mesh) count += static_cast<const MeshObject&>(*object).faces.size();
        }
        return count;
    }
};

Setting& setting() {
    static Setting made;
    return made;
}

void SceneDraw(benchmark::State& state) {
    Setting& set = setting();
    if (!set.ready) {
        state.SkipWithError("no scene");
        return;
    }
    Scene& scene = *set.draw;
    glEnable(GL_NORMALIZE);
    for (Light* light : scene.lights()) light->sendColours();
    float t = 0;
    double submitSeconds = 0;
    for (auto _ : state) {
        t += 16;
        glViewport(0, 0, frameWidth, frameHeight);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.setTime(t);
        scene.animate();
        scene.updateWorld();
        const auto begin = std::chrono::steady_clock::now();
        scene.render();
        submitSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        glFinish();
    }
    state.counters["cpu_submit_ms"] = benchmark::Counter(submitSeconds * 1000 / double(state.iterations()));
    state.counters["triangles"] = benchmark::Counter(double(set.triangles()));
}

void SceneAnimation(benchmark::State& state) {
    Setting& set = setting();
    if (!set.ready) {
        state.SkipWithError("no scene");
        return;
    }
    Scene& scene = *set.animation;
    scene.loop = true;
    float t = 0;
    for (auto _ : state) {
        t += 16.7f;
        scene.setTime(t);
        scene.animate();
        scene.updateWorld();
    }
    state.counters["nodes"] = benchmark::Counter(double(scene.objects().size()));
}

BENCHMARK(SceneDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(SceneAnimation)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
