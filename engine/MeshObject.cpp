#include "engine/MeshObject.h"

#include "base/ErrorReport.h"
#include "engine/Material.h"
#include "engine/Scene.h"

#include <utility>

MeshObject::MeshObject(int32_t id, std::string name, int32_t materialId)
    : SceneObject(id, std::move(name)), materialIdFromFile(materialId) {}

void MeshObject::bindToScene(Scene& scene) {
    owningScene = &scene;
    spot = scene.findLight("Spot01");
    boundMaterial = scene.material(materialIdFromFile);
    if (!boundMaterial) {
        reportErrorText(LUMORA_HERE, "No Material for mesh", name().c_str(), true);
        return;
    }
    buildGeometry();
}

void MeshObject::buildGeometry() {
    if (geometryBuilt) return;
    const size_t vertexCount = vertices.size();
    const bool broken = (!normals.empty() && normals.size() != vertexCount) ||
                        (!uvSet0.empty() && uvSet0.size() != vertexCount) ||
                        (!uvSet1.empty() && uvSet1.size() != vertexCount);
    bool indexOutside = false;
    for (const auto& face : faces) {
        for (int32_t index : face) {
            if (index < 0 || size_t(index) >= vertexCount) indexOutside = true;
        }
    }
    if (broken || indexOutside) {
        reportError(LUMORA_HERE, "Geometry input is broken", true);
        return;
    }

    const Material* m = boundMaterial;
    positionArray.resize(vertexCount * 3);
    normalArray.resize(vertexCount * 3);
    for (size_t i = 0; i < vertexCount; ++i) {
        positionArray[i * 3] = vertices[i].x;
        positionArray[i * 3 + 1] = vertices[i].y;
        positionArray[i * 3 + 2] = vertices[i].z;
        const Vec3 n = i < normals.size() ? normals[i] : Vec3{0, 0, 1};
        normalArray[i * 3] = n.x;
        normalArray[i * 3 + 1] = n.y;
        normalArray[i * 3 + 2] = n.z;
    }
    auto flatten = [vertexCount](const std::vector<Vec2>& set, std::vector<float>& out) {
        out.resize(vertexCount * 2);
        for (size_t i = 0; i < vertexCount; ++i) {
            out[i * 2] = set[i].x;
            out[i * 2 + 1] = set[i].y;
        }
    };
    if (!uvSet0.empty() && m && m->usesUv0) flatten(uvSet0, uv0Array);
    if (!uvSet1.empty() && m && m->usesUv1) flatten(uvSet1, uv1Array);
    if (m && m->usesGeneratedUv) generatedUvArray.assign(vertexCount * 2, 0.0f);
    if (m && m->bumpTexture) lightVectorArray.assign(vertexCount * 3, 0.0f);

    indexArray.resize(faces.size() * 3);
    for (size_t f = 0; f < faces.size(); ++f) {
        for (size_t corner = 0; corner < 3; ++corner) {
            const int32_t index = faces[f][corner];
            checkTrue(index < 65536, LUMORA_HERE);
            indexArray[f * 3 + corner] = uint16_t(index);
        }
    }
    geometryBuilt = true;
}
