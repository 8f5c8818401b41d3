#pragma once
// SceneLoaderLVG: loads LVG scene files into Scenes, and keeps every loaded Scene in the
// program-wide scene registry by path (a second load of a path returns the same Scene
// without reading the file again; the Scene lives until the program ends).
//
// The Scene effect (and `lumora --dump-scene`) call load(). The file is read whole
// through the data pack, parsed without GL (LVGParser), then built: materials with their
// textures from the texture cache (the only step that needs a GL context), lights,
// cameras, meshes and nodes added to the Scene in file order, and the Scene finished.
//
// Outcomes: none for a missing file, a version other than 1, and every file the parser
// refuses (one that ends early, lies about a count, holds a string above 1999 bytes or a
// frameStep of 0 or less); the caller reports "could not load scene". A chunk type that
// is not part of the format is an assertion failure (fatal). While building, a texture
// that cannot be found is reported ("Texture not found: " and the name as in the file,
// non-fatal) and its slot stays empty; a texture name without a dot is an assertion
// failure; the map types are Material's.
#include "engine/LVGParser.h"
#include "engine/Scene.h"

#include <memory>
#include <string>

class Texture;

// The texture folders the Scene effect (and the scene dump) load scenes with.
constexpr const char* sceneCompressedTextureFolder = "data/texturesCompressed/";
constexpr const char* sceneTextureFolder = "data/textures/";

class SceneLoaderLVG {
public:
    SceneLoaderLVG(std::string compressedTextureFolder, std::string textureFolder);

    // The registry's entry for path, loading it on first request; null when it cannot be
    // loaded (failed loads are not kept: a later request reads the file again).
    static Scene* load(const std::string& path, const std::string& compressedTextureFolder,
                       const std::string& textureFolder);
    // How many times path was asked for (0 when it never loaded).
    static int32_t useCount(const std::string& path);

    // Builds and finishes a Scene from parsed records.
    std::unique_ptr<Scene> build(const lvg::File& file) const;

    // A texture named in a scene file: the part after the last backslash; base name +
    // ".dds" in the compressed folder, else the name in the texture folder. Null when
    // neither is found (nothing reported here).
    Texture* resolveTexture(const std::string& nameInFile) const;

private:
    void addMaterial(Scene& scene, const lvg::MaterialRecord& record) const;
    void addLight(Scene& scene, const lvg::LightRecord& record) const;
    void addCamera(Scene& scene, const lvg::CameraRecord& record) const;
    void addMesh(Scene& scene, const lvg::MeshRecord& record) const;
    static void placeNode(SceneObject& object, const lvg::NodeHeader& node);

    std::string compressedFolder;
    std::string textureFolder;
};
