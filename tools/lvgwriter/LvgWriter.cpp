#include "tools/lvgwriter/LvgWriter.h"

#include <cmath>
#include <cstdio>
#include <cstring>

void LvgWriter::int32(int32_t value) {
    const uint32_t bits = uint32_t(value);
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(bits >> shift));
}

void LvgWriter::float32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    int32(int32_t(bits));
}

void LvgWriter::string(const std::string& text) {
    int32(int32_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

void LvgWriter::vec3(const Vec3& v) {
    float32(v.x);
    float32(v.y);
    float32(v.z);
}

void LvgWriter::quaternion(const Quaternion& q) {
    float32(q.x);
    float32(q.y);
    float32(q.z);
    float32(q.w);
}

void LvgWriter::header(int32_t firstFrame, int32_t lastFrame, int32_t frameStep, int32_t version) {
    out.insert(out.end(), {'L', 'V', 'G'});
    int32(version);
    int32(firstFrame);
    int32(lastFrame);
    int32(frameStep);
}

void LvgWriter::nodeHeader(const lvg::NodeHeader& node) {
    string(node.name);
    int32(node.id);
    int32(node.parentId);
    int32(node.materialId);
    vec3(node.position);
    quaternion(node.rotation);
    vec3(node.scale);
    vec3(node.extra);
    int32(int32_t(node.positionKeys.size()));
    for (const Vec3& key : node.positionKeys) vec3(key);
    int32(int32_t(node.rotationKeys.size()));
    for (const Quaternion& key : node.rotationKeys) quaternion(key);
    int32(int32_t(node.scaleKeys.size()));
    for (const Vec3& key : node.scaleKeys) vec3(key);
}

void LvgWriter::materials(const std::vector<lvg::MaterialRecord>& records) {
    int32(lvg::chunkMaterials);
    int32(int32_t(records.size()));
    for (const lvg::MaterialRecord& m : records) {
        int32(0);
        int32(m.id);
        string(m.name);
        float32(0);
        vec3(m.diffuse);
        vec3(m.ambient);
        vec3(m.specular);
        float32(m.opacity);
        float32(m.glossiness);
        float32(m.specularLevel);
        int32(int32_t(m.textures.size()));
        for (const lvg::TextureEntry& entry : m.textures) {
            string(entry.fileName);
            int32(entry.mapType);
        }
    }
}

void LvgWriter::light(const lvg::LightRecord& l) {
    int32(lvg::chunkLight);
    nodeHeader(l.node);
    int32(l.lightType);
    vec3(l.colour);
    float32(l.multiplier);
    float32(0);
    float32(0);
    float32(l.attenuationRange);
    float32(l.spotCutoff);
    float32(l.spotExponent);
    int32(l.targetId);
    int32(l.hasProjector ? 1 : 0);
    if (l.hasProjector) string(l.projectorTexture);
}

void LvgWriter::camera(const lvg::CameraRecord& c) {
    int32(lvg::chunkCamera);
    nodeHeader(c.node);
    float32(c.fov);
    float32(c.nearClip);
    float32(c.farClip);
    float32(0);
    int32(c.targetId);
}

void LvgWriter::uvChannel(const std::vector<Vec2>& channel) {
    int32(int32_t(channel.size()));
    for (const Vec2& uv : channel) {
        float32(uv.x);
        float32(uv.y);
    }
}

void LvgWriter::mesh(const lvg::MeshRecord& m) {
    int32(lvg::chunkMesh);
    nodeHeader(m.node);
    int32(int32_t(m.vertices.size()));
    for (const Vec3& v : m.vertices) vec3(v);
    int32(int32_t(m.normals.size()));
    for (const Vec3& n : m.normals) vec3(n);
    uvChannel(m.uvChannel0);
    uvChannel(m.uvChannel1);
    uvChannel(m.uvChannel2);
    int32(int32_t(m.colours.size()));
    for (const Vec3& c : m.colours) vec3(c);
    int32(int32_t(m.faces.size()));
    for (const auto& face : m.faces) {
        for (int32_t index : face) int32(index);
    }
}

void LvgWriter::bareNode(const lvg::BareNodeRecord& b) {
    int32(lvg::chunkBareNode);
    int32(b.id);
    string(b.name);
    int32(0);
}

void LvgWriter::dummy(const lvg::DummyRecord& d) {
    int32(lvg::chunkDummy);
    nodeHeader(d.node);
}

void LvgWriter::end() {
    int32(lvg::chunkEnd);
}

bool LvgWriter::save(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

namespace lvgconvention {

Quaternion storedRotation(const Quaternion& rotation) {
    return {-rotation.x, -rotation.y, -rotation.z, rotation.w};
}

Vec2 storedUv(const Vec2& uv) {
    return uv;
}

float horizontalFovRadians(float verticalDegrees) {
    const float vertical = verticalDegrees * 3.14159265358979f / 180.0f;
    return 2.0f * std::atan(std::tan(vertical / 2.0f) / math3d::cameraFovAspect);
}

Quaternion axisAngle(const Vec3& axis, float angle) {
    const float length = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
    if (length == 0) return {};
    const float s = std::sin(angle / 2) / length;
    return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2)};
}

Quaternion multiply(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

}  // namespace lvgconvention
