#pragma once
// Small scene records for tests that write scene files or build scenes from records: a
// node header, a one-triangle mesh facing +z, a white material with no textures, a light
// and a camera.
#include "engine/LVGParser.h"

#include <cmath>

#include <string>

namespace testscene {

inline lvg::NodeHeader node(const std::string& name, int32_t id, int32_t parentId, int32_t materialId = -1) {
    lvg::NodeHeader h;
    h.name = name;
    h.id = id;
    h.parentId = parentId;
    h.materialId = materialId;
    return h;
}

inline lvg::MeshRecord triangle(const std::string& name, int32_t id, int32_t parentId, int32_t materialId) {
    lvg::MeshRecord m;
    m.node = node(name, id, parentId, materialId);
    m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    m.faces = {{0, 1, 2}};
    return m;
}

// White diffuse, no ambient, no textures: lit, it shows the light's colour.
inline lvg::MaterialRecord whiteMaterial(int32_t id) {
    lvg::MaterialRecord m;
    m.id = id;
    m.name = "white" + std::to_string(id);
    m.diffuse = {1, 1, 1};
    m.opacity = 1;
    return m;
}

// type: 0 omni, 1 targeted spot, 2 free spot, 3 targeted direct. White, no attenuation.
inline lvg::LightRecord light(const std::string& name, int32_t id, int32_t type, const Vec3& position,
                              int32_t targetId = -1) {
    lvg::LightRecord l;
    l.node = node(name, id, -1);
    l.node.position = position;
    l.lightType = type;
    l.colour = {1, 1, 1};
    l.targetId = targetId;
    return l;
}

// A camera with the given vertical field of view in degrees (the file stores the
// horizontal one in radians; the reader's aspect constant converts).
inline lvg::CameraRecord camera(const std::string& name, int32_t id, const Vec3& position, float verticalFov,
                                int32_t targetId, float farClip = 2000) {
    lvg::CameraRecord c;
    c.node = node(name, id, -1);
    c.node.position = position;
    const float vertical = verticalFov * 3.14159265358979f / 180.0f;
    c.fov = 2.0f * std::atan(std::tan(vertical / 2.0f) / math3d::cameraFovAspect);
    c.farClip = farClip;
    c.targetId = targetId;
    return c;
}

}  // namespace testscene
