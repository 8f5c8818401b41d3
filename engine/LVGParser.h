#pragma once
// Reads an LVG scene file from memory into plain records, without GL and without ending
// the process: the scene reader (SceneLoaderLVG) builds engine objects from the records,
// and the fuzz target drives this parser alone.
//
// The format: little-endian 4-byte scalars; a string is an int32 length and that many
// bytes; an array is an int32 count and that many elements, absent when the count is 0 or
// less. Header: 3 tag bytes (not checked), version (only 1), firstFrame, lastFrame,
// frameStep. Then chunks, each an int32 type and its records, until the end chunk 0x9999:
// 1 materials (a count, then that many), 3 light, 4 camera, 5 mesh, 6 bare node, 7 dummy.
// Any other type (2 included) is not part of the format.
//
// Untrusted input: every count and length is checked against the bytes that are left
// before anything is allocated for it, so a file that ends early or lies about a size is
// refused (Truncated), never overread. Refused as well: a string longer than 1999 bytes or
// of negative length, a frameStep of 0 or less. The frame count is
// (lastFrame - firstFrame) / frameStep + 1, truncated toward zero, at least 1.
#include "engine/Math3D.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace lvg {

constexpr int32_t chunkMaterials = 1;
constexpr int32_t chunkLight = 3;
constexpr int32_t chunkCamera = 4;
constexpr int32_t chunkMesh = 5;
constexpr int32_t chunkBareNode = 6;
constexpr int32_t chunkDummy = 7;
constexpr int32_t chunkEnd = 0x9999;
constexpr int32_t maxStringLength = 1999;

// Shared by light, camera, mesh and dummy records.
struct NodeHeader {
    std::string name;
    int32_t id = 0;
    int32_t parentId = -1;
    int32_t materialId = -1;
    Vec3 position;
    Quaternion rotation;
    Vec3 scale{1, 1, 1};
    Vec3 extra{1, 1, 1};
    std::vector<Vec3> positionKeys;
    std::vector<Quaternion> rotationKeys;
    std::vector<Vec3> scaleKeys;
};

struct TextureEntry {
    std::string fileName;
    int32_t mapType = 0;
};

struct MaterialRecord {
    int32_t id = 0;
    std::string name;
    Vec3 diffuse, ambient, specular;
    float opacity = 1;
    float glossiness = 0;
    float specularLevel = 0;
    std::vector<TextureEntry> textures;  // in file order
};

struct LightRecord {
    NodeHeader node;
    int32_t lightType = 0;
    Vec3 colour;
    float multiplier = 1;
    float attenuationRange = 0;
    float spotCutoff = 180;
    float spotExponent = 0;
    int32_t targetId = -1;
    bool hasProjector = false;
    std::string projectorTexture;
};

struct CameraRecord {
    NodeHeader node;
    float fov = 0;  // horizontal, radians
    float nearClip = 1;
    float farClip = 2000;
    int32_t targetId = -1;
};

struct MeshRecord {
    NodeHeader node;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    std::vector<Vec2> uvChannel0, uvChannel1, uvChannel2;  // as stored (v not yet flipped)
    std::vector<Vec3> colours;
    std::vector<std::array<int32_t, 3>> faces;
};

struct BareNodeRecord {
    int32_t id = 0;
    std::string name;
};

struct DummyRecord {
    NodeHeader node;
};

using Record = std::variant<MaterialRecord, LightRecord, CameraRecord, MeshRecord, BareNodeRecord, DummyRecord>;

struct File {
    int32_t version = 0;
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    int32_t frameStep = 0;
    int32_t frameCount = 1;
    std::vector<Record> records;  // in file order
};

enum class Failure {
    None,
    BadVersion,    // a version other than 1
    Truncated,     // the data ends inside a record or before the end chunk, or a count lies
    BadString,     // a string length above 1999 or below 0
    BadFrameStep,  // frameStep 0 or less
    UnknownChunk,  // a chunk type that is not part of the format
};

struct ParseFailure {
    Failure kind = Failure::None;
    int32_t chunkType = 0;  // for UnknownChunk
    size_t offset = 0;      // where the problem was found
};

// (last - first) / step + 1 with the division truncating toward zero; at least 1, and
// at most INT32_MAX. step must be above 0.
int32_t frameCountOf(int32_t firstFrame, int32_t lastFrame, int32_t frameStep);

// Fills file from data. False on the first failure, described in failure; file then holds
// the records read before it.
bool parse(const uint8_t* data, size_t size, File& file, ParseFailure& failure);

const char* failureName(Failure kind);

}  // namespace lvg
