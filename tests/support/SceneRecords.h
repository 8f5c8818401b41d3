#pragma once
// Small scene records for tests that write scene files or build scenes from records: a
// node header, a one-triangle mesh facing +z, and a material with no textures.
#include "engine/LVGParser.h"

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

}  // namespace testscene
