#pragma once
// A plain data folder for the Scene effect's tests: data/scenes for scene files written by
// the scene writer, the two texture folders, and the demo's shaders (the depth and shadow
// passes load theirs from data/shaders). Header only: the scene tests link the writer.
#include "base/lvp.h"
#include "tests/support/RunProgram.h"
#include "tools/lvgwriter/LvgWriter.h"

#include <filesystem>
#include <string>

namespace testscene {

class SceneFolder {
public:
    SceneFolder() : root(makeTempDirectory("scene-effect")) {
        for (const char* sub : {"/data/scenes", "/data/textures", "/data/texturesCompressed", "/data/scripts"}) {
            std::filesystem::create_directories(root + sub);
        }
        std::filesystem::copy(std::string(LUMORA_SOURCE_DIR) + "/data/shaders", root + "/data/shaders");
    }
    ~SceneFolder() { std::filesystem::remove_all(root); }
    SceneFolder(const SceneFolder&) = delete;
    SceneFolder& operator=(const SceneFolder&) = delete;

    // Reads data from this folder from now on.
    void use() const { DataPack::usePlainDirectory(root.c_str()); }
    // Writes the scene under its data path ("data/scenes/x.lvg"); false when it cannot.
    bool write(const std::string& dataPath, const LvgWriter& scene) const { return scene.save(root + "/" + dataPath); }

    const std::string root;
};

}  // namespace testscene
