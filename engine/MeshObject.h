#pragma once
// MeshObject: the drawable node, a triangle mesh bound to one Material.
//
// The scene reader hands it the file's geometry (positions, one normal per vertex, up to
// two uv sets already stored as (u, -v), colours, triangles as vertex indices). When the
// scene finishes loading, bindToScene finds the material by materialId ("No Material for
// mesh" is fatal), keeps the light "Spot01" for bump lighting and builds the flat arrays
// once: positions, normals, 16-bit indices, and the uv, generated-uv and light-vector
// arrays the material asks for. Broken geometry (uv sets that do not match the vertices,
// an index outside the vertex list) is the fatal "Geometry input is broken"; an index that
// does not fit 16 bits is an assertion failure.
//
// A mesh that is never bound (its parent was missing) keeps no material and no arrays:
// built() tells the passes to skip it.
#include "engine/SceneObject.h"

#include <array>
#include <cstdint>
#include <vector>

class Light;

class MeshObject : public SceneObject {
public:
    MeshObject(int32_t id, std::string name, int32_t materialId);

    SceneObjectKind kind() const override { return SceneObjectKind::Mesh; }
    Material* material() const override { return boundMaterial; }
    void bindToScene(Scene& scene) override;

    // Flattens the geometry into the arrays below (once).
    void buildGeometry();
    bool built() const { return geometryBuilt; }

    int32_t materialId() const { return materialIdFromFile; }
    Scene* scene() const { return owningScene; }
    Light* spotLight() const { return spot; }

    // The file's geometry.
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;  // normal i belongs to vertex i
    std::vector<std::array<int32_t, 3>> faces;
    std::vector<Vec2> uvSet0;  // (u, -v)
    std::vector<Vec2> uvSet1;  // (u, -v), from channel 2 when the file has it, else channel 1
    std::vector<Colour> colours;  // kept, not drawn

    // Built at bind time.
    std::vector<float> positionArray;     // vertexCount × 3
    std::vector<float> normalArray;       // vertexCount × 3
    std::vector<uint16_t> indexArray;     // faceCount × 3
    std::vector<float> uv0Array;          // vertexCount × 2, when uvSet0 exists and the material uses unit 0
    std::vector<float> uv1Array;          // vertexCount × 2, likewise for unit 1
    std::vector<float> generatedUvArray;  // vertexCount × 2, environment coordinates, per frame
    std::vector<float> lightVectorArray;  // vertexCount × 3, for bump-textured materials

private:
    int32_t materialIdFromFile;
    Material* boundMaterial = nullptr;
    Scene* owningScene = nullptr;
    Light* spot = nullptr;
    bool geometryBuilt = false;
};
