#pragma once
// Writes LVG scene files: the header, then chunks of the engine's records, then the end
// chunk. The records are the reader's own (engine/LVGParser.h), so what a test or lvgen
// puts in is what the reader gives back. Raw values are written as given; the helpers at
// the end turn an intended rotation or texture coordinate into what the engine's reader
// expects, and lvgen uses them for everything it writes.
//
// The low-level calls (int32, float32, string, rawChunkType) let tests write files that
// are not well formed: cut short, lying about a count, with an unknown chunk.
#include "engine/LVGParser.h"

#include <cstdint>
#include <string>
#include <vector>

class LvgWriter {
public:
    // The 3-byte tag "LVG", version, firstFrame, lastFrame, frameStep.
    void header(int32_t firstFrame, int32_t lastFrame, int32_t frameStep, int32_t version = 1);
    void materials(const std::vector<lvg::MaterialRecord>& records);
    void light(const lvg::LightRecord& record);
    void camera(const lvg::CameraRecord& record);
    void mesh(const lvg::MeshRecord& record);
    void bareNode(const lvg::BareNodeRecord& record);
    void dummy(const lvg::DummyRecord& record);
    void end();

    void int32(int32_t value);
    void float32(float value);
    void string(const std::string& text);
    void rawChunkType(int32_t type) { int32(type); }
    void vec3(const Vec3& v);
    void quaternion(const Quaternion& q);

    const std::vector<uint8_t>& bytes() const { return out; }
    // Writes the bytes to path; false when the file cannot be written.
    bool save(const std::string& path) const;

private:
    void nodeHeader(const lvg::NodeHeader& node);
    void uvChannel(const std::vector<Vec2>& channel);

    std::vector<uint8_t> out;
};

namespace lvgconvention {
// The quaternion to store so that the reader's placement turns geometry by rotation
// (the reader stores the transposed matrix, so the conjugate is written).
Quaternion storedRotation(const Quaternion& rotation);
// A (u, v) with v running up the picture, as a modelling tool exports it: stored as it
// is. The reader keeps (u, -v), which is GL's t for pictures uploaded top row first (t = 0
// is the top row, and -v wraps to 1 - v).
Vec2 storedUv(const Vec2& uv);
// A camera whose vertical field of view is the given degrees: the horizontal fov in
// radians the file stores.
float horizontalFovRadians(float verticalDegrees);
// The rotation by angle (radians) around axis (normalised here).
Quaternion axisAngle(const Vec3& axis, float angle);
Quaternion multiply(const Quaternion& a, const Quaternion& b);
}  // namespace lvgconvention
