#include "tools/lvgconv/SceneConverter.h"

#include "tools/lvgconv/EnginePlacement.h"
#include "tools/lvgconv/FormatLimits.h"
#include "tools/lvgconv/FrameGrid.h"
#include "tools/lvgconv/MaterialConversion.h"
#include "tools/lvgconv/MeshPieces.h"
#include "tools/lvgconv/ModelImport.h"
#include "tools/lvgconv/NodeAnimation.h"
#include "tools/lvgwriter/LvgWriter.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>

namespace {

constexpr float pi = 3.14159265358979f;
// The engine drives at least this many GL lights; more are not guaranteed to light.
constexpr size_t engineLightLimit = 8;

float finite(float v) {
    return std::isfinite(v) ? v : 0.0f;
}

Vec3 vec3Of(const aiVector3D& v) {
    return {finite(v.x), finite(v.y), finite(v.z)};
}

// The size a node's world scale gives to its distances (the mean of its axes).
float meanScale(const lvg::NodeHeader& node) {
    const float mean = (std::fabs(node.scale.x) + std::fabs(node.scale.y) + std::fabs(node.scale.z)) / 3;
    return std::isfinite(mean) && mean > 0 ? mean : 1.0f;
}

// One model mesh as geometry records without their node header, cut into pieces.
struct MeshGeometry {
    std::vector<lvg::MeshRecord> pieces;
    int64_t triangles = 0;
};

struct NodeEntry {
    const aiNode* node = nullptr;
    int parent = -1;  // index into the entries
    int32_t id = 0;
    bool moves = false;
    std::vector<aiMatrix4x4> worlds;  // one per frame; a single one for a node that does not move
};

class Converter {
public:
    Converter(const aiScene& s, const ConvertOptions& o, bool gltfSource, Diagnostics& d)
        : scene(s), options(o), gltf(gltfSource), diagnostics(d),
          animation(s.mNumAnimations > 0 ? s.mAnimations[0] : nullptr),
          textures(s, o.input, o.textureDirectory, d) {}

    bool run(ConvertSummary& summary, std::string& message);

private:
    void collectNodes();
    void sampleWorlds();
    void convertMaterials();
    const MeshGeometry& geometryOf(unsigned meshIndex);
    void writeNode(size_t index);
    void writeCamera(const NodeEntry& entry, const aiCamera& camera);
    void writeLight(const NodeEntry& entry, const aiLight& light);
    // The id of the object a camera or light looks at; a generated target is left in
    // generated, to be written after the camera or light.
    int32_t targetFor(const NodeEntry& entry, const std::string& name, const aiVector3D& localPosition,
                      const aiVector3D& localDirection, std::optional<lvg::DummyRecord>& generated);
    void addGenerated(std::optional<lvg::DummyRecord>& generated);
    void place(lvg::NodeHeader& header, const std::vector<aiMatrix4x4>& worlds, const std::string& label);
    std::vector<aiMatrix4x4> worldsWith(const NodeEntry& entry, const aiMatrix4x4& local) const;

    const aiScene& scene;
    const ConvertOptions& options;
    bool gltf;
    Diagnostics& diagnostics;
    NodeAnimation animation;
    TextureExport textures;
    FrameGrid grid;
    std::vector<NodeEntry> entries;
    std::unordered_map<std::string, size_t> entryByName;  // first node of each name
    std::unordered_map<std::string, const aiCamera*> cameraByName;
    std::unordered_map<std::string, const aiLight*> lightByName;
    std::vector<ConvertedMaterial> materials;
    std::unordered_map<unsigned, MeshGeometry> geometry;
    std::vector<lvg::Record> records;
    int32_t nextId = 1;  // 0 would read as "no target" for a light
    ConvertSummary counts;
};

void Converter::collectNodes() {
    for (unsigned i = 0; i < scene.mNumCameras; ++i) cameraByName.emplace(scene.mCameras[i]->mName.C_Str(), scene.mCameras[i]);
    for (unsigned i = 0; i < scene.mNumLights; ++i) lightByName.emplace(scene.mLights[i]->mName.C_Str(), scene.mLights[i]);
    // Pre-order without recursion: a deep hierarchy must not exhaust the stack.
    std::vector<std::pair<const aiNode*, int>> stack = {{scene.mRootNode, -1}};
    while (!stack.empty()) {
        const auto [node, parent] = stack.back();
        stack.pop_back();
        NodeEntry entry;
        entry.node = node;
        entry.parent = parent;
        entry.id = nextId++;
        entry.moves = animation.animates(*node) || (parent >= 0 && entries[size_t(parent)].moves);
        entryByName.emplace(node->mName.C_Str(), entries.size());
        entries.push_back(entry);
        const int self = int(entries.size()) - 1;
        for (unsigned c = node->mNumChildren; c-- > 0;) {
            if (node->mChildren[c]) stack.push_back({node->mChildren[c], self});
        }
    }
}

void Converter::sampleWorlds() {
    aiMatrix4x4 scaling;
    aiMatrix4x4::Scaling(aiVector3D(options.scale), scaling);
    const int32_t frames = grid.frameCount;
    for (NodeEntry& e : entries) e.worlds.resize(e.moves ? size_t(frames) : 1);
    for (int32_t k = 0; k < frames; ++k) {
        const double seconds = grid.secondsAt(k);
        for (NodeEntry& e : entries) {
            if (!e.moves && k > 0) continue;
            const aiMatrix4x4 local = e.moves ? animation.localTransformAt(*e.node, seconds) : e.node->mTransformation;
            aiMatrix4x4 parentWorld = scaling;
            if (e.parent >= 0) {
                const NodeEntry& p = entries[size_t(e.parent)];
                parentWorld = p.worlds[p.moves ? size_t(k) : 0];
            }
            e.worlds[e.moves ? size_t(k) : 0] = parentWorld * local;
        }
    }
}

std::vector<aiMatrix4x4> Converter::worldsWith(const NodeEntry& entry, const aiMatrix4x4& local) const {
    std::vector<aiMatrix4x4> out = entry.worlds;
    for (aiMatrix4x4& m : out) m = m * local;
    return out;
}

void Converter::place(lvg::NodeHeader& header, const std::vector<aiMatrix4x4>& worlds, const std::string& label) {
    std::vector<EnginePlacement> p;
    p.reserve(worlds.size());
    bool exact = true;
    for (const aiMatrix4x4& m : worlds) {
        p.push_back(placementOf(m));
        exact = exact && p.back().exact;
        // Neighbouring keys on the same side of the quaternion sphere: the keys read as a
        // smooth path however the engine blends them.
        if (p.size() > 1) {
            const Quaternion& a = p[p.size() - 2].storedRotation;
            Quaternion& b = p.back().storedRotation;
            if (a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w < 0) b = {-b.x, -b.y, -b.z, -b.w};
        }
    }
    if (!exact) diagnostics.warn(label + " is sheared by its parents' scaling: written without the shear");
    header.position = p[0].position;
    header.rotation = p[0].storedRotation;
    header.scale = p[0].scale;
    auto differs = [](float a, float b) { return std::fabs(a - b) > 1e-6f * std::max(1.0f, std::fabs(a)); };
    bool positionMoves = false, rotationMoves = false, scaleMoves = false;
    for (const EnginePlacement& q : p) {
        positionMoves = positionMoves || differs(q.position.x, p[0].position.x) ||
                        differs(q.position.y, p[0].position.y) || differs(q.position.z, p[0].position.z);
        rotationMoves = rotationMoves || differs(q.storedRotation.x, p[0].storedRotation.x) ||
                        differs(q.storedRotation.y, p[0].storedRotation.y) ||
                        differs(q.storedRotation.z, p[0].storedRotation.z) ||
                        differs(q.storedRotation.w, p[0].storedRotation.w);
        scaleMoves = scaleMoves || differs(q.scale.x, p[0].scale.x) || differs(q.scale.y, p[0].scale.y) ||
                     differs(q.scale.z, p[0].scale.z);
    }
    for (const EnginePlacement& q : p) {
        if (positionMoves) header.positionKeys.push_back(q.position);
        if (rotationMoves) header.rotationKeys.push_back(q.storedRotation);
        if (scaleMoves) header.scaleKeys.push_back(q.scale);
    }
}

void Converter::convertMaterials() {
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
        materials.push_back(convertMaterial(*scene.mMaterials[i], int32_t(i) + 1, textures, diagnostics));
    }
    if (materials.empty()) {
        // Every mesh needs a material the engine can find.
        ConvertedMaterial fallback;
        fallback.record.id = 1;
        fallback.record.name = "default";
        fallback.record.diffuse = fallback.record.ambient = {0.8f, 0.8f, 0.8f};
        fallback.record.specularLevel = 1;
        materials.push_back(fallback);
    }
}

const MeshGeometry& Converter::geometryOf(unsigned meshIndex) {
    auto found = geometry.find(meshIndex);
    if (found != geometry.end()) return found->second;
    MeshGeometry& out = geometry[meshIndex];
    const aiMesh& mesh = *scene.mMeshes[meshIndex];
    const std::string label = "mesh '" + std::string(mesh.mName.C_Str()) + "'";
    if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) {
        diagnostics.warn(label + " holds lines or points only: left out");
        return out;
    }
    if (mesh.mNumBones > 0) {
        diagnostics.warn(label + " is skinned (" + std::to_string(mesh.mNumBones) +
                         " bones): written in its rest pose, the skinning is dropped");
    }
    if (mesh.mNumAnimMeshes > 0) {
        diagnostics.warn(label + " has " + std::to_string(mesh.mNumAnimMeshes) + " morph targets: dropped");
    }
    const unsigned uvSets = mesh.GetNumUVChannels();
    if (uvSets > 2) diagnostics.warn(label + " has " + std::to_string(uvSets) + " uv sets: the first two are written");
    if (mesh.HasVertexColors(0)) {
        diagnostics.warn(label + " has vertex colours: kept in the file, but the engine does not draw them");
    }

    std::vector<std::array<uint32_t, 3>> triangles;
    triangles.reserve(mesh.mNumFaces);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) continue;
        if (face.mIndices[0] >= mesh.mNumVertices || face.mIndices[1] >= mesh.mNumVertices ||
            face.mIndices[2] >= mesh.mNumVertices) {
            continue;
        }
        triangles.push_back({face.mIndices[0], face.mIndices[1], face.mIndices[2]});
    }
    if (triangles.empty()) {
        diagnostics.warn(label + " has no triangles: left out");
        return out;
    }
    out.triangles = int64_t(triangles.size());

    const unsigned materialIndex = mesh.mMaterialIndex < materials.size() ? mesh.mMaterialIndex : 0;
    const ConvertedMaterial& material = materials[materialIndex];
    // The second uv set: the model's own, else the one the second picture names, else a
    // copy of the first so that the second picture still has coordinates.
    const aiVector3D* secondUv = mesh.HasTextureCoords(1) ? mesh.mTextureCoords[1] : nullptr;
    if (material.usesSecondUv) {
        const unsigned source = material.secondUvSource < AI_MAX_NUMBER_OF_TEXTURECOORDS ? material.secondUvSource : 1;
        if (mesh.HasTextureCoords(source)) secondUv = mesh.mTextureCoords[source];
        else if (!secondUv && mesh.HasTextureCoords(0)) secondUv = mesh.mTextureCoords[0];
    }
    const aiVector3D* firstUv = mesh.HasTextureCoords(0) ? mesh.mTextureCoords[0] : nullptr;
    auto storedUv = [](const aiVector3D& uv) { return lvgconvention::storedUv({finite(uv.x), finite(uv.y)}); };

    const std::vector<MeshPiece> pieces = splitIntoPieces(mesh.mNumVertices, triangles);
    if (pieces.size() > 1) {
        diagnostics.progress(label + ": " + std::to_string(mesh.mNumVertices) + " vertices, cut into " +
                             std::to_string(pieces.size()) + " pieces of at most 65536");
    }
    for (const MeshPiece& piece : pieces) {
        lvg::MeshRecord r;
        r.node.materialId = material.record.id;
        r.vertices.reserve(piece.sourceVertex.size());
        for (uint32_t v : piece.sourceVertex) {
            r.vertices.push_back(vec3Of(mesh.mVertices[v]));
            r.normals.push_back(mesh.mNormals ? vec3Of(mesh.mNormals[v]) : Vec3{0, 0, 1});
            if (firstUv) r.uvChannel0.push_back(storedUv(firstUv[v]));
            if (secondUv) r.uvChannel1.push_back(storedUv(secondUv[v]));
            if (mesh.HasVertexColors(0)) {
                const aiColor4D& c = mesh.mColors[0][v];
                r.colours.push_back({finite(c.r), finite(c.g), finite(c.b)});
            }
        }
        r.faces = piece.triangles;
        out.pieces.push_back(std::move(r));
    }
    return out;
}

int32_t Converter::targetFor(const NodeEntry& entry, const std::string& name, const aiVector3D& localPosition,
                             const aiVector3D& localDirection, std::optional<lvg::DummyRecord>& generated) {
    // Modelling tools that keep targets as nodes of their own name them "NAME.Target".
    auto existing = entryByName.find(name + ".Target");
    if (existing != entryByName.end()) return entries[existing->second].id;
    lvg::DummyRecord target;
    target.node.name = name + ".Target";
    target.node.id = nextId++;
    std::vector<aiMatrix4x4> worlds;
    for (const aiMatrix4x4& w : entry.worlds) {
        const aiVector3D from = w * localPosition;
        aiVector3D direction = aiMatrix3x3(w) * localDirection;
        const float length = direction.Length();
        direction = length > 0 && std::isfinite(length) ? direction / length : aiVector3D(0, 0, -1);
        // Far enough along the axis that the engine's look-at keeps its precision.
        const float distance = std::max(1.0f, from.Length());
        aiMatrix4x4 placed;
        aiMatrix4x4::Translation(from + direction * distance, placed);
        worlds.push_back(placed);
    }
    place(target.node, worlds, "the target of '" + name + "'");
    generated = std::move(target);
    return generated->node.id;
}

void Converter::addGenerated(std::optional<lvg::DummyRecord>& generated) {
    if (!generated) return;
    records.push_back(std::move(*generated));
    ++counts.nodes;
}

void Converter::writeCamera(const NodeEntry& entry, const aiCamera& camera) {
    const std::string name = entry.node->mName.C_Str();
    // Assimp's glTF reader also copies the node's translation into the camera's position:
    // the node's placement already holds it.
    const aiVector3D position = gltf ? aiVector3D() : camera.mPosition;
    lvg::CameraRecord c;
    c.node.name = name;
    c.node.id = entry.id;
    c.node.parentId = entry.parent >= 0 ? entries[size_t(entry.parent)].id : -1;
    aiMatrix4x4 offset;
    aiMatrix4x4::Translation(position, offset);
    place(c.node, worldsWith(entry, offset), "camera '" + name + "'");
    float horizontal = camera.mHorizontalFOV;
    if (gltf) {
        // The glTF reader gives the vertical angle times the aspect ratio (the angle alone
        // when the file has no ratio: then the engine's own 4:3 is taken).
        const float aspect = camera.mAspect > 0 ? camera.mAspect : 1.0f / math3d::cameraFovAspect;
        const float vertical = camera.mHorizontalFOV / (camera.mAspect > 0 ? camera.mAspect : 1.0f);
        horizontal = 2.0f * std::atan(aspect * std::tan(vertical / 2.0f));
    }
    if (!(horizontal > 0 && horizontal < pi)) horizontal = lvgconvention::horizontalFovRadians(45);
    c.fov = horizontal;
    // Clipping planes are distances in the camera's own space: its world scale (which
    // holds --scale) applies.
    const float size = meanScale(c.node);
    c.nearClip = camera.mClipPlaneNear * size;
    c.farClip = camera.mClipPlaneFar * size;
    if (camera.mOrthographicWidth > 0) {
        diagnostics.warn("camera '" + name + "' is orthographic: written as a perspective one");
    }
    std::optional<lvg::DummyRecord> generated;
    c.targetId = targetFor(entry, name, position, camera.mLookAt, generated);
    records.push_back(std::move(c));
    ++counts.nodes;
    ++counts.cameras;
    addGenerated(generated);
}

void Converter::writeLight(const NodeEntry& entry, const aiLight& light) {
    const std::string name = entry.node->mName.C_Str();
    lvg::LightRecord l;
    l.node.name = name;
    l.node.id = entry.id;
    l.node.parentId = entry.parent >= 0 ? entries[size_t(entry.parent)].id : -1;
    aiMatrix4x4 offset;
    aiMatrix4x4::Translation(light.mPosition, offset);
    place(l.node, worldsWith(entry, offset), "light '" + name + "'");
    const float brightest = std::max({light.mColorDiffuse.r, light.mColorDiffuse.g, light.mColorDiffuse.b});
    l.multiplier = brightest > 1 && std::isfinite(brightest) ? brightest : 1.0f;
    l.colour = {finite(light.mColorDiffuse.r) / l.multiplier, finite(light.mColorDiffuse.g) / l.multiplier,
                finite(light.mColorDiffuse.b) / l.multiplier};
    // The engine's linear attenuation is 1 / (range × 0.5).
    l.attenuationRange = light.mAttenuationLinear > 0 && std::isfinite(light.mAttenuationLinear)
                             ? 2.0f / light.mAttenuationLinear * meanScale(l.node)
                             : 0.0f;
    std::optional<lvg::DummyRecord> generated;
    switch (light.mType) {
        case aiLightSource_SPOT: {
            // Assimp's glTF reader passes glTF's half angles; its other readers give the
            // whole cone.
            const float toHalf = gltf ? 1.0f : 0.5f;
            float outer = light.mAngleOuterCone * toHalf;
            float inner = light.mAngleInnerCone * toHalf;
            if (!(outer > 0) || !std::isfinite(outer)) outer = pi / 4;
            outer = std::min(outer, pi / 2);
            if (!(inner >= 0) || !std::isfinite(inner)) inner = outer;
            l.lightType = 1;
            l.spotCutoff = outer * 180 / pi;
            // GL fades a spot by cos(angle)^exponent: half as bright midway through the
            // model's soft edge, a hard edge where it has none.
            l.spotExponent = 0;
            if (inner < outer) {
                const float middle = std::cos((inner + outer) / 2);
                if (middle > 0 && middle < 1) l.spotExponent = std::clamp(std::log(0.5f) / std::log(middle), 0.0f, 128.0f);
            }
            l.targetId = targetFor(entry, name, light.mPosition, light.mDirection, generated);
            break;
        }
        case aiLightSource_DIRECTIONAL:
            l.lightType = 3;
            l.targetId = targetFor(entry, name, light.mPosition, light.mDirection, generated);
            break;
        case aiLightSource_POINT:
            l.lightType = 0;
            break;
        default:
            diagnostics.warn("light '" + name + "' is of a kind the engine does not have: written as a point light");
            l.lightType = 0;
            break;
    }
    records.push_back(std::move(l));
    ++counts.nodes;
    ++counts.lights;
    addGenerated(generated);
}

void Converter::writeNode(size_t index) {
    const NodeEntry& entry = entries[index];
    const aiNode& node = *entry.node;
    const std::string name = node.mName.C_Str();
    const int32_t parentId = entry.parent >= 0 ? entries[size_t(entry.parent)].id : -1;

    std::vector<lvg::MeshRecord> pieces;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        if (node.mMeshes[i] >= scene.mNumMeshes) continue;
        const MeshGeometry& g = geometryOf(node.mMeshes[i]);
        for (const lvg::MeshRecord& piece : g.pieces) pieces.push_back(piece);
        counts.triangles += g.triangles;
    }

    auto camera = cameraByName.find(name);
    auto light = lightByName.find(name);
    const bool isCamera = camera != cameraByName.end() && !name.empty();
    const bool isLight = !isCamera && light != lightByName.end() && !name.empty();
    if (isCamera) {
        writeCamera(entry, *camera->second);
        cameraByName.erase(camera);  // one camera record per model camera
    } else if (isLight) {
        if (counts.lights == int32_t(engineLightLimit)) {
            diagnostics.warn("more than " + std::to_string(engineLightLimit) +
                             " lights: the engine's GL may not light past the eighth");
        }
        writeLight(entry, *light->second);
        lightByName.erase(light);
    } else if (pieces.size() == 1) {
        lvg::MeshRecord& mesh = pieces[0];
        mesh.node.name = name;
        mesh.node.id = entry.id;
        mesh.node.parentId = parentId;
        place(mesh.node, entry.worlds, "node '" + name + "'");
        records.push_back(std::move(mesh));
        ++counts.nodes;
        ++counts.meshes;
        return;
    } else {
        lvg::DummyRecord dummy;
        dummy.node.name = name;
        dummy.node.id = entry.id;
        dummy.node.parentId = parentId;
        place(dummy.node, entry.worlds, "node '" + name + "'");
        records.push_back(std::move(dummy));
        ++counts.nodes;
    }
    // Several meshes (or a camera or light that carries geometry): the meshes become
    // children with the node's placement, named after it.
    for (size_t i = 0; i < pieces.size(); ++i) {
        lvg::MeshRecord& mesh = pieces[i];
        mesh.node.name = name + "." + std::to_string(i + 1);
        mesh.node.id = nextId++;
        mesh.node.parentId = entry.id;
        place(mesh.node, entry.worlds, "node '" + name + "'");
        records.push_back(std::move(mesh));
        ++counts.nodes;
        ++counts.meshes;
    }
}

bool Converter::run(ConvertSummary& summary, std::string& message) {
    if (scene.mNumAnimations > 1) {
        diagnostics.warn(std::to_string(scene.mNumAnimations) + " animations: only the first, '" +
                         scene.mAnimations[0]->mName.C_Str() + "', is written");
    }
    if (!makeFrameGrid(animation.durationSeconds(), options.framesPerSecond, options.frameStep, grid)) {
        message = "the animation is too long for a scene file at this frame step";
        return false;
    }
    collectNodes();
    diagnostics.progress(std::to_string(entries.size()) + " nodes, " + std::to_string(scene.mNumMeshes) + " meshes, " +
                         std::to_string(scene.mNumMaterials) + " materials, " + std::to_string(scene.mNumAnimations) +
                         " animations; sampling " + std::to_string(grid.frameCount) + " frames");
    sampleWorlds();
    convertMaterials();
    std::vector<lvg::MaterialRecord> materialRecords;
    for (const ConvertedMaterial& m : materials) materialRecords.push_back(m.record);
    for (size_t i = 0; i < entries.size(); ++i) writeNode(i);
    if (counts.cameras == 0) {
        diagnostics.warn("the model has no camera: a Scene effect needs one (add one in the modelling tool)");
    }

    std::vector<lvg::Record> all(materialRecords.begin(), materialRecords.end());
    all.insert(all.end(), records.begin(), records.end());
    const std::string problem = firstLimitProblem(all);
    if (!problem.empty()) {
        message = problem;
        return false;
    }

    LvgWriter writer;
    writer.header(0, grid.lastFrame(), grid.frameStep);
    writer.materials(materialRecords);
    for (const lvg::Record& record : records) {
        if (auto* l = std::get_if<lvg::LightRecord>(&record)) writer.light(*l);
        else if (auto* c = std::get_if<lvg::CameraRecord>(&record)) writer.camera(*c);
        else if (auto* m = std::get_if<lvg::MeshRecord>(&record)) writer.mesh(*m);
        else if (auto* d = std::get_if<lvg::DummyRecord>(&record)) writer.dummy(*d);
    }
    writer.end();
    if (!writer.save(options.output)) {
        message = "cannot write " + options.output;
        return false;
    }
    counts.materials = int32_t(materialRecords.size());
    counts.textures = int32_t(textures.written());
    counts.frames = grid.frameCount;
    counts.frameStep = grid.frameStep;
    summary = counts;
    return true;
}

std::string plural(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

bool convertModel(const ConvertOptions& options, Diagnostics& diagnostics, ConvertSummary& summary,
                  std::string& message) {
    diagnostics.progress("reading " + options.input);
    ImportedModel model;
    if (!importModel(options.input, model, message)) return false;
    Converter converter(*model.scene, options, model.gltf, diagnostics);
    return converter.run(summary, message);
}

std::string summaryLine(const std::string& output, const ConvertSummary& s, size_t warnings) {
    return "wrote " + output + ": " + plural(s.nodes, "node", "nodes") + ", " + plural(s.meshes, "mesh", "meshes") +
           ", " + plural(s.triangles, "triangle", "triangles") + ", " + plural(s.materials, "material", "materials") +
           ", " + plural(s.textures, "texture", "textures") + ", " + plural(s.cameras, "camera", "cameras") + ", " +
           plural(s.lights, "light", "lights") + ", " + plural(s.frames, "frame", "frames") +
           (s.frames > 1 ? " " + std::to_string(s.frameStep) + " apart" : std::string()) + ", " + plural(int64_t(warnings), "warning", "warnings");
}
