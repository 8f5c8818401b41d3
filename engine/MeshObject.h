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
// built() tells the passes to skip it; its colour pass is the fatal "Mesh has no
// material", as drawing without a material always is.
//
// Drawing. The arrays go into vertex buffer objects on the first draw (binding may happen
// where no GL exists); client-memory arrays (generated environment coordinates, light
// vectors) are sent with buffer 0 bound. Every draw goes through TextureUnits: each array
// is enabled and disabled on its own unit, and every draw ends with unit 0 active,
// client and server, and no buffer bound.
// - Colour pass: without a vertex program, the material is applied through the scene
//   (skipped when it is the one applied last), an optional fragment program gets the
//   scene's focal planes, and the arrays the material uses are drawn. Texture
//   coordinates: unit 0 uv0, unit 1 uv1 or the generated coordinates; with light vectors
//   (the bump model) unit 0 uv0, unit 1 the light vectors, unit 2 the generated ones or
//   uv0. Materials without multiUnitCoordinates read every set on unit 0, so their arrays
//   go there.
// - With a vertex program the material is not applied: the program gets the matrices,
//   the first four lights' directions and the material colours; the diffuse texture is
//   bound on unit 0 and the reflection texture on the next unit. Afterwards the scene's
//   applied material is popped and forgotten, so that the next mesh applies its own.
// - Depth and shadow passes: positions only, under the caller's enabled vertex array.
//
// Light vectors, for the bump model: per vertex, the direction toward the light
// "Spot01" in the vertex's tangent space (tangent and bitangent from the uv0
// coordinates, normal), not normalised (the normalisation cube map does that); (0, 0, 1)
// when the scene has no such light.
#include "engine/SceneObject.h"

#include <array>
#include <cstdint>
#include <vector>

class FragmentProgram;
class Light;
class VertexProgram;

class MeshObject : public SceneObject {
public:
    MeshObject(int32_t id, std::string name, int32_t materialId);

    SceneObjectKind kind() const override { return SceneObjectKind::Mesh; }
    Material* material() const override { return boundMaterial; }
    void bindToScene(Scene& scene) override;

    // Flattens the geometry into the arrays below (once).
    void buildGeometry();
    bool built() const { return geometryBuilt; }

    VertexProgram* vertexProgram() const { return vertexProgramUsed; }
    FragmentProgram* fragmentProgram() const { return fragmentProgramUsed; }
    // Environment coordinates of normals seen through modelview m: ((row 0 of m) · n + 1)
    // × 0.5 and ((row 1 of m) · n + 1) × 0.5.
    static void environmentCoordinates(const Matrix4& m, const std::vector<float>& normals, std::vector<float>& out);
    // The light vectors toward a point given in the mesh's own coordinates.
    void computeLightVectors(const Vec3& lightInObject);

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
    std::vector<float> lightVectorArray;  // vertexCount × 3, for the bump model
    std::vector<float> tangentArray;      // vertexCount × 3 each, for the light vectors
    std::vector<float> bitangentArray;

protected:
    std::unique_ptr<SceneObject> cloneSelf() const override;
    void drawColour() override;
    void drawShadow() override;
    void drawDepth() override;
    void useVertexProgram(const std::string& fileName) override;
    void useFragmentProgram(const std::string& fileName) override;

private:
    void buildTangents();
    void makeBuffers();
    void drawWithVertexProgram();
    void drawPositionsOnly();
    void drawTriangles() const;
    void updateLightVectors();

    uint32_t positionBuffer = 0, normalBuffer = 0, uv0Buffer = 0, uv1Buffer = 0;
    bool buffersMade = false;
    VertexProgram* vertexProgramUsed = nullptr;
    FragmentProgram* fragmentProgramUsed = nullptr;
    Light* lightForAmbient = nullptr;
    bool ambientLightLookedUp = false;

    int32_t materialIdFromFile;
    Material* boundMaterial = nullptr;
    Scene* owningScene = nullptr;
    Light* spot = nullptr;
    bool geometryBuilt = false;
};
