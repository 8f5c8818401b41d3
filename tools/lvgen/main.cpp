// lvgen: the procedural scene generator of the demo. Reads scene descriptions (small text
// files, data/scenes/*.scene, described in data/scenes/README.md) and writes for each
// "NAME.scene" the scene file OUT/data/scenes/NAME.lvg, and every texture its
// description draws under OUT at the texture's data path. The same sources give the same
// bytes on every run: no clock, no random seed.
//
//   lvgen --out OUT SOURCE...
#include "tools/lvgen/SceneSource.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: lvgen --out DIRECTORY SOURCE.scene...\n");
    return 2;
}

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (!argument.empty() && argument[0] == '-') {
            return usage();
        } else {
            sources.push_back(argument);
        }
    }
    if (out.empty() || sources.empty()) return usage();

    std::error_code error;
    std::filesystem::create_directories(out + "/data/scenes", error);
    for (const std::string& source : sources) {
        std::string text;
        if (!readText(source, text)) {
            std::fprintf(stderr, "lvgen: cannot read %s\n", source.c_str());
            return 1;
        }
        GeneratedScene scene;
        if (!generateScene(text, source, scene)) return 1;
        const std::string name = std::filesystem::path(source).stem().string();
        const std::string scenePath = out + "/data/scenes/" + name + ".lvg";
        if (!scene.file.save(scenePath)) {
            std::fprintf(stderr, "lvgen: cannot write %s\n", scenePath.c_str());
            return 1;
        }
        for (const TextureJob& job : scene.textures) {
            if (!textures::write(job, out)) return 1;
        }
    }
    return 0;
}
