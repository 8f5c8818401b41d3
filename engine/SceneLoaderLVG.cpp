#include "engine/SceneLoaderLVG.h"

#include "base/ErrorReport.h"
#include "base/lvp.h"
#include "engine/MeshObject.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

#include <map>
#include <utility>

namespace {

struct RegistryEntry {
    std::unique_ptr<Scene> scene;
    int32_t count = 0;
};

std::map<std::string, RegistryEntry>& sceneRegistry() {
    static std::map<std::string, RegistryEntry> registry;
    return registry;
}

std::vector<Vec4> widened(const std::vector<Vec3>& keys) {
    std::vector<Vec4> out(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) out[i] = {keys[i].x, keys[i].y, keys[i].z, 0};
    return out;
}

std::vector<Vec4> widened(const std::vector<Quaternion>& keys) {
    std::vector<Vec4> out(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) out[i] = {keys[i].x, keys[i].y, keys[i].z, keys[i].w};
    return out;
}

std::vector<Vec2> flippedUv(const std::vector<Vec2>& channel) {
    std::vector<Vec2> out(channel.size());
    for (size_t i = 0; i < channel.size(); ++i) out[i] = {channel[i].x, -channel[i].y};
    return out;
}

Colour opaque(const Vec3& rgb) {
    return {rgb.x, rgb.y, rgb.z, 1};
}

}  // namespace

SceneLoaderLVG::SceneLoaderLVG(std::string compressedTextureFolder, std::string textures)
    : compressedFolder(std::move(compressedTextureFolder)), textureFolder(std::move(textures)) {}

Scene* SceneLoaderLVG::load(const std::string& path, const std::string& compressedTextureFolder,
                            const std::string& textureFolder) {
    auto& registry = sceneRegistry();
    auto found = registry.find(path);
    if (found != registry.end()) {
        ++found->second.count;
        return found->second.scene.get();
    }
    PackFile file;
    if (!DataPack::open(path.c_str(), file)) return nullptr;
    lvg::File parsed;
    lvg::ParseFailure failure;
    const bool ok = lvg::parse(file.data, file.size, parsed, failure);
    DataPack::release(file);
    if (!ok) {
        // Not part of the format: the reader's assertion. Every other refusal is "no scene".
        checkTrue(failure.kind != lvg::Failure::UnknownChunk, LUMORA_HERE);
        return nullptr;
    }
    std::unique_ptr<Scene> scene = SceneLoaderLVG(compressedTextureFolder, textureFolder).build(parsed);
    RegistryEntry& entry = registry[path];
    entry.scene = std::move(scene);
    entry.count = 1;
    return entry.scene.get();
}

int32_t SceneLoaderLVG::useCount(const std::string& path) {
    auto& registry = sceneRegistry();
    auto found = registry.find(path);
    return found == registry.end() ? 0 : found->second.count;
}

std::unique_ptr<Scene> SceneLoaderLVG::build(const lvg::File& file) const {
    auto scene = std::make_unique<Scene>(file.frameCount, file.frameStep);
    for (const lvg::Record& record : file.records) {
        if (auto* m = std::get_if<lvg::MaterialRecord>(&record)) {
            addMaterial(*scene, *m);
        } else if (auto* l = std::get_if<lvg::LightRecord>(&record)) {
            addLight(*scene, *l);
        } else if (auto* c = std::get_if<lvg::CameraRecord>(&record)) {
            addCamera(*scene, *c);
        } else if (auto* mesh = std::get_if<lvg::MeshRecord>(&record)) {
            addMesh(*scene, *mesh);
        } else if (auto* bare = std::get_if<lvg::BareNodeRecord>(&record)) {
            // No transform, no animation, always a root.
            scene->addGeometry(std::make_unique<SceneObject>(bare->id, bare->name), -1);
        } else if (auto* dummy = std::get_if<lvg::DummyRecord>(&record)) {
            auto object = std::make_unique<SceneObject>(dummy->node.id, dummy->node.name);
            placeNode(*object, dummy->node);
            scene->addGeometry(std::move(object), dummy->node.parentId);
        }
    }
    scene->finish();
    return scene;
}

void SceneLoaderLVG::placeNode(SceneObject& object, const lvg::NodeHeader& node) {
    object.position = node.position;
    object.rotation = math3d::rotationMatrix(node.rotation);
    object.scale = node.scale;
    object.extra = node.extra;
    object.setTracks(widened(node.positionKeys), widened(node.rotationKeys), widened(node.scaleKeys));
}

Texture* SceneLoaderLVG::resolveTexture(const std::string& nameInFile) const {
    const size_t slash = nameInFile.rfind('\\');
    const std::string fileName = slash == std::string::npos ? nameInFile : nameInFile.substr(slash + 1);
    const size_t dot = fileName.rfind('.');
    checkTrue(dot != std::string::npos, LUMORA_HERE);
    TextureCache& cache = TextureCache::instance();
    if (Texture* compressed = cache.get(fileName.substr(0, dot) + ".dds", compressedFolder, GL_TEXTURE_2D, true)) {
        return compressed;
    }
    return cache.get(fileName, textureFolder, GL_TEXTURE_2D, true);
}

void SceneLoaderLVG::addMaterial(Scene& scene, const lvg::MaterialRecord& record) const {
    auto material = std::make_unique<Material>(record.id, record.name);
    material->diffuse = opaque(record.diffuse);
    material->ambient = opaque(record.ambient);
    material->specular = opaque(record.specular);
    material->setOpacity(record.opacity);
    material->setShininessFromGlossiness(record.glossiness, record.specularLevel);
    // One entry per map type, the first one read; applied in ascending map type.
    std::map<int32_t, const std::string*> byMapType;
    for (const lvg::TextureEntry& entry : record.textures) byMapType.emplace(entry.mapType, &entry.fileName);
    for (const auto& [mapType, name] : byMapType) {
        Texture* texture = resolveTexture(*name);
        if (!texture) {
            reportError(LUMORA_HERE, ("Texture not found: " + *name).c_str(), false);
            continue;
        }
        material->setTextureForMapType(mapType, texture);
    }
    material->finish();
    scene.addMaterial(std::move(material));
}

void SceneLoaderLVG::addLight(Scene& scene, const lvg::LightRecord& record) const {
    auto light = std::make_unique<Light>(record.node.id, record.node.name);
    placeNode(*light, record.node);
    light->setColour({record.colour.x * record.multiplier, record.colour.y * record.multiplier,
                      record.colour.z * record.multiplier, 1});
    light->linearAttenuation = record.attenuationRange > 0 ? 1.0f / (record.attenuationRange * 0.5f) : 0.0f;
    const bool targeted = record.lightType == 1 || record.lightType == 3;
    const bool spot = record.lightType == 1 || record.lightType == 2;
    light->targetId = targeted ? record.targetId : -1;
    light->spotCutoff = Light::limitCutoff(spot ? record.spotCutoff : 180.0f);
    light->spotExponent = Light::limitExponent(spot ? record.spotExponent : 0.0f);
    if (record.hasProjector) {
        // A missing projector texture is no error: the light simply has none.
        light->projectorTexture = resolveTexture(record.projectorTexture);
    }
    scene.addLight(std::move(light), record.node.parentId);
}

void SceneLoaderLVG::addCamera(Scene& scene, const lvg::CameraRecord& record) const {
    auto camera = std::make_unique<Camera>(record.node.id, record.node.name);
    placeNode(*camera, record.node);
    camera->fov = math3d::verticalFovDegrees(record.fov);
    camera->nearClip = record.nearClip;
    camera->farClip = record.farClip;
    camera->targetId = record.targetId;
    scene.addCamera(std::move(camera), record.node.parentId);
}

void SceneLoaderLVG::addMesh(Scene& scene, const lvg::MeshRecord& record) const {
    auto mesh = std::make_unique<MeshObject>(record.node.id, record.node.name, record.node.materialId);
    placeNode(*mesh, record.node);
    mesh->vertices = record.vertices;
    // One normal per vertex: missing ones point along +z, extra ones are dropped.
    mesh->normals = record.normals;
    mesh->normals.resize(record.vertices.size(), Vec3{0, 0, 1});
    mesh->uvSet0 = flippedUv(record.uvChannel0);
    mesh->uvSet1 = flippedUv(record.uvChannel2.empty() ? record.uvChannel1 : record.uvChannel2);
    mesh->colours.reserve(record.colours.size());
    for (const Vec3& c : record.colours) mesh->colours.push_back(opaque(c));
    mesh->faces = record.faces;
    scene.addGeometry(std::move(mesh), record.node.parentId);
}
