#include "engine/SceneJson.h"

#include "base/JsonText.h"
#include "engine/MeshObject.h"
#include "resources/Texture.h"

#include <cmath>
#include <cstdio>

namespace {

using json::appendNumber;
using json::appendString;

void appendField(std::string& out, const char* name) {
    if (out.back() != '{') out += ',';
    out += '"';
    out += name;
    out += "\":";
}

void appendFloats(std::string& out, std::initializer_list<float> values) {
    out += '[';
    bool first = true;
    for (float v : values) {
        if (!first) out += ',';
        appendNumber(out, v);
        first = false;
    }
    out += ']';
}

void appendIds(std::string& out, const std::vector<SceneObject*>& objects) {
    out += '[';
    for (size_t i = 0; i < objects.size(); ++i) {
        if (i > 0) out += ',';
        out += std::to_string(objects[i]->id());
    }
    out += ']';
}

int32_t idOrNone(const SceneObject* object) {
    return object ? object->id() : -1;
}

const char* kindName(SceneObjectKind kind) {
    switch (kind) {
        case SceneObjectKind::Mesh: return "mesh";
        case SceneObjectKind::Camera: return "camera";
        case SceneObjectKind::Light: return "light";
        case SceneObjectKind::Node: break;
    }
    return "node";
}

void appendColour(std::string& out, const Colour& c) {
    appendFloats(out, {c.r, c.g, c.b, c.a});
}

void appendMesh(std::string& out, const MeshObject& mesh) {
    out += '{';
    appendField(out, "vertices");
    out += std::to_string(mesh.vertices.size());
    appendField(out, "faces");
    out += std::to_string(mesh.faces.size());
    appendField(out, "uv0");
    out += std::to_string(mesh.uvSet0.size());
    appendField(out, "uv1");
    out += std::to_string(mesh.uvSet1.size());
    appendField(out, "materialId");
    out += std::to_string(mesh.material() ? mesh.material()->id() : -1);
    if (!mesh.uvSet0.empty()) {
        appendField(out, "firstUv0");
        appendFloats(out, {mesh.uvSet0[0].x, mesh.uvSet0[0].y});
    }
    if (!mesh.uvSet1.empty()) {
        appendField(out, "firstUv1");
        appendFloats(out, {mesh.uvSet1[0].x, mesh.uvSet1[0].y});
    }
    out += '}';
}

void appendCamera(std::string& out, const Camera& camera) {
    out += '{';
    appendField(out, "fovDeg");
    appendNumber(out, camera.fov);
    appendField(out, "near");
    appendNumber(out, camera.nearClip);
    appendField(out, "far");
    appendNumber(out, camera.farClip);
    appendField(out, "target");
    out += std::to_string(idOrNone(camera.target));
    out += '}';
}

void appendLight(std::string& out, const Light& light) {
    out += '{';
    appendField(out, "glIndex");
    out += std::to_string(light.glIndex);
    appendField(out, "cutoff");
    appendNumber(out, light.spotCutoff);
    appendField(out, "exponent");
    appendNumber(out, light.spotExponent);
    appendField(out, "linearAttenuation");
    appendNumber(out, light.linearAttenuation);
    appendField(out, "target");
    out += std::to_string(idOrNone(light.target));
    appendField(out, "diffuse");
    appendColour(out, light.diffuse);
    appendField(out, "ambient");
    appendColour(out, light.ambient);
    out += '}';
}

void appendObject(std::string& out, const SceneObject& object) {
    out += '{';
    appendField(out, "id");
    out += std::to_string(object.id());
    appendField(out, "name");
    appendString(out, object.name());
    appendField(out, "kind");
    appendString(out, kindName(object.kind()));
    appendField(out, "parent");
    out += std::to_string(idOrNone(object.parent()));
    appendField(out, "keyCount");
    out += std::to_string(object.keyCount());
    appendField(out, "position");
    appendFloats(out, {object.position.x, object.position.y, object.position.z});
    appendField(out, "scale");
    appendFloats(out, {object.scale.x, object.scale.y, object.scale.z});
    appendField(out, "rotation");
    out += '[';
    for (int i = 0; i < 16; ++i) {
        if (i > 0) out += ',';
        appendNumber(out, object.rotation[i]);
    }
    out += ']';
    switch (object.kind()) {
        case SceneObjectKind::Mesh:
            appendField(out, "mesh");
            appendMesh(out, static_cast<const MeshObject&>(object));
            break;
        case SceneObjectKind::Camera:
            appendField(out, "camera");
            appendCamera(out, static_cast<const Camera&>(object));
            break;
        case SceneObjectKind::Light:
            appendField(out, "light");
            appendLight(out, static_cast<const Light&>(object));
            break;
        case SceneObjectKind::Node:
            break;
    }
    out += '}';
}

void appendTexture(std::string& out, const char* slot, const Texture* texture) {
    appendField(out, slot);
    if (texture) {
        appendString(out, texture->sourcePath);
    } else {
        out += "null";
    }
}

void appendMaterial(std::string& out, const Material& m) {
    out += '{';
    appendField(out, "id");
    out += std::to_string(m.id());
    appendField(out, "name");
    appendString(out, m.name());
    appendField(out, "shadeModel");
    out += std::to_string(m.shadeModel);
    appendField(out, "opacity");
    appendNumber(out, m.opacity());
    appendField(out, "shininess");
    appendNumber(out, m.shininess);
    appendField(out, "additive");
    out += m.additive() ? "true" : "false";
    appendField(out, "transparent");
    out += m.transparent() ? "true" : "false";
    appendField(out, "textures");
    out += '{';
    appendTexture(out, "diffuse", m.diffuseTexture);
    appendTexture(out, "second", m.secondTexture);
    appendTexture(out, "bump", m.bumpTexture);
    appendTexture(out, "reflection", m.reflectionTexture);
    out += "}}";
}

}  // namespace

std::string sceneJson(const Scene& scene) {
    std::string out = "{";
    appendField(out, "frameCount");
    out += std::to_string(scene.frameCount);
    appendField(out, "frameStep");
    out += std::to_string(scene.frameStep);
    appendField(out, "objects");
    out += '[';
    for (size_t i = 0; i < scene.objects().size(); ++i) {
        if (i > 0) out += ',';
        appendObject(out, *scene.objects()[i]);
    }
    out += ']';
    appendField(out, "roots");
    std::vector<SceneObject*> roots;
    for (SceneObject* root = scene.firstRoot(); root; root = root->nextSibling()) roots.push_back(root);
    appendIds(out, roots);
    appendField(out, "materials");
    out += '[';
    bool first = true;
    for (const auto& [id, material] : scene.materials()) {
        if (!first) out += ',';
        appendMaterial(out, *material);
        first = false;
    }
    out += ']';
    appendField(out, "geometryOrder");
    appendIds(out, scene.geometry());
    out += '}';
    return out;
}
