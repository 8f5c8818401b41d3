#pragma once
// Reads a model through Assimp, with the steps the scene file needs done by Assimp:
// polygons triangulated, normals made where the model has none (smooth), identical
// vertices joined, points and lines sorted into meshes of their own, the result
// validated. Texture coordinates stay as the model has them (v up the picture), which is
// what the scene file stores.
//
// Known faults of the Assimp this is built on are kept out of the way here: its glTF
// reader crashes on a skin without inverse bind matrices, so such a file is refused with
// a message before Assimp sees it.
#include "tools/lvgconv/Diagnostics.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <memory>
#include <string>

struct ImportedModel {
    std::unique_ptr<Assimp::Importer> importer;  // owns the scene
    const aiScene* scene = nullptr;
    bool gltf = false;  // read by the glTF reader, whose cameras, lights and cones differ
};

bool importModel(const std::string& path, ImportedModel& model, std::string& message);

// For a glTF file's JSON text: true when a skin has no "inverseBindMatrices". Strings are
// skipped properly; a text that is not well-formed JSON gives false (Assimp reports it).
bool gltfHasSkinWithoutInverseBindMatrices(const std::string& json);
