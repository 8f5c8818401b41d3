#include "engine/LVGParser.h"

#include <cstring>
#include <limits>

namespace lvg {

namespace {

// Reads the file front to back. The first failure sticks: later reads return zeros and
// allocate nothing, and the parser stops at its next check.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : cursor(data), begin(data), end(data + size) {}

    bool failed() const { return failure.kind != Failure::None; }
    const ParseFailure& failureFound() const { return failure; }
    size_t left() const { return size_t(end - cursor); }

    void fail(Failure kind) {
        if (failed()) return;
        failure.kind = kind;
        failure.offset = size_t(cursor - begin);
    }

    int32_t int32() {
        uint8_t bytes[4];
        if (!take(bytes, 4)) return 0;
        return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                       uint32_t(bytes[3]) << 24);
    }

    float float32() {
        const uint32_t bits = uint32_t(int32());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    Vec3 vec3() {
        Vec3 v;
        v.x = float32();
        v.y = float32();
        v.z = float32();
        return v;
    }

    Quaternion quaternion() {
        Quaternion q;
        q.x = float32();
        q.y = float32();
        q.z = float32();
        q.w = float32();
        return q;
    }

    std::string string() {
        const int32_t length = int32();
        if (failed()) return {};
        if (length < 0 || length > maxStringLength) {
            fail(Failure::BadString);
            return {};
        }
        if (size_t(length) > left()) {
            fail(Failure::Truncated);
            return {};
        }
        std::string text(reinterpret_cast<const char*>(cursor), size_t(length));
        cursor += length;
        return text;
    }

    // An array count: 0 for an absent array (a count of 0 or less); Truncated when its
    // elements of elementBytes each cannot fit in what is left.
    size_t count(size_t elementBytes) {
        const int32_t n = int32();
        if (failed() || n <= 0) return 0;
        if (size_t(n) > left() / elementBytes) {
            fail(Failure::Truncated);
            return 0;
        }
        return size_t(n);
    }

    template <typename Element, typename ReadOne>
    std::vector<Element> array(size_t elementBytes, ReadOne readOne) {
        std::vector<Element> elements(count(elementBytes));
        for (Element& element : elements) element = readOne();
        return elements;
    }

    void skip(size_t bytes) {
        if (failed()) return;
        if (bytes > left()) {
            fail(Failure::Truncated);
            return;
        }
        cursor += bytes;
    }

private:
    bool take(uint8_t* out, size_t bytes) {
        if (failed()) {
            std::memset(out, 0, bytes);
            return false;
        }
        if (bytes > left()) {
            std::memset(out, 0, bytes);
            fail(Failure::Truncated);
            return false;
        }
        std::memcpy(out, cursor, bytes);
        cursor += bytes;
        return true;
    }

    const uint8_t* cursor;
    const uint8_t* begin;
    const uint8_t* end;
    ParseFailure failure;
};

NodeHeader readNodeHeader(Reader& in) {
    NodeHeader node;
    node.name = in.string();
    node.id = in.int32();
    node.parentId = in.int32();
    node.materialId = in.int32();
    node.position = in.vec3();
    node.rotation = in.quaternion();
    node.scale = in.vec3();
    node.extra = in.vec3();
    node.positionKeys = in.array<Vec3>(12, [&] { return in.vec3(); });
    node.rotationKeys = in.array<Quaternion>(16, [&] { return in.quaternion(); });
    node.scaleKeys = in.array<Vec3>(12, [&] { return in.vec3(); });
    return node;
}

std::vector<Vec2> readUvChannel(Reader& in) {
    return in.array<Vec2>(8, [&] {
        Vec2 uv;
        uv.x = in.float32();
        uv.y = in.float32();
        return uv;
    });
}

MaterialRecord readMaterial(Reader& in) {
    MaterialRecord m;
    in.int32();  // ignored by the engine
    m.id = in.int32();
    m.name = in.string();
    in.float32();  // ignored by the engine
    m.diffuse = in.vec3();
    m.ambient = in.vec3();
    m.specular = in.vec3();
    m.opacity = in.float32();
    m.glossiness = in.float32();
    m.specularLevel = in.float32();
    // An entry is at least a string length and a map type.
    const size_t textureCount = in.count(8);
    for (size_t i = 0; i < textureCount && !in.failed(); ++i) {
        TextureEntry entry;
        entry.fileName = in.string();
        entry.mapType = in.int32();
        m.textures.push_back(std::move(entry));
    }
    return m;
}

LightRecord readLight(Reader& in) {
    LightRecord l;
    l.node = readNodeHeader(in);
    l.lightType = in.int32();
    l.colour = in.vec3();
    l.multiplier = in.float32();
    in.skip(8);  // two floats the engine ignores
    l.attenuationRange = in.float32();
    l.spotCutoff = in.float32();
    l.spotExponent = in.float32();
    l.targetId = in.int32();
    l.hasProjector = in.int32() != 0;
    if (l.hasProjector) l.projectorTexture = in.string();
    return l;
}

CameraRecord readCamera(Reader& in) {
    CameraRecord c;
    c.node = readNodeHeader(in);
    c.fov = in.float32();
    c.nearClip = in.float32();
    c.farClip = in.float32();
    in.float32();  // ignored by the engine
    c.targetId = in.int32();
    return c;
}

MeshRecord readMesh(Reader& in) {
    MeshRecord m;
    m.node = readNodeHeader(in);
    m.vertices = in.array<Vec3>(12, [&] { return in.vec3(); });
    m.normals = in.array<Vec3>(12, [&] { return in.vec3(); });
    m.uvChannel0 = readUvChannel(in);
    m.uvChannel1 = readUvChannel(in);
    m.uvChannel2 = readUvChannel(in);
    m.colours = in.array<Vec3>(12, [&] { return in.vec3(); });
    m.faces = in.array<std::array<int32_t, 3>>(12, [&] {
        std::array<int32_t, 3> face;
        for (int32_t& index : face) index = in.int32();
        return face;
    });
    return m;
}

BareNodeRecord readBareNode(Reader& in) {
    BareNodeRecord b;
    b.id = in.int32();
    b.name = in.string();
    in.int32();  // ignored by the engine
    return b;
}

}  // namespace

int32_t frameCountOf(int32_t firstFrame, int32_t lastFrame, int32_t frameStep) {
    const int64_t frames = (int64_t(lastFrame) - int64_t(firstFrame)) / int64_t(frameStep) + 1;
    if (frames < 1) return 1;
    if (frames > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return int32_t(frames);
}

bool parse(const uint8_t* data, size_t size, File& file, ParseFailure& failure) {
    file = File{};
    failure = ParseFailure{};
    Reader in(data, size);
    in.skip(3);  // format tag
    file.version = in.int32();
    if (!in.failed() && file.version != 1) in.fail(Failure::BadVersion);
    file.firstFrame = in.int32();
    file.lastFrame = in.int32();
    file.frameStep = in.int32();
    if (!in.failed() && file.frameStep <= 0) in.fail(Failure::BadFrameStep);
    if (!in.failed()) file.frameCount = frameCountOf(file.firstFrame, file.lastFrame, file.frameStep);

    // A record cut short is not kept.
    auto keep = [&](Record record) {
        if (!in.failed()) file.records.push_back(std::move(record));
    };
    while (!in.failed()) {
        const int32_t type = in.int32();
        if (in.failed() || type == chunkEnd) break;
        switch (type) {
            case chunkMaterials: {
                // A material record is at least 68 bytes.
                const size_t count = in.count(68);
                for (size_t i = 0; i < count && !in.failed(); ++i) keep(readMaterial(in));
                break;
            }
            case chunkLight:
                keep(readLight(in));
                break;
            case chunkCamera:
                keep(readCamera(in));
                break;
            case chunkMesh:
                keep(readMesh(in));
                break;
            case chunkBareNode:
                keep(readBareNode(in));
                break;
            case chunkDummy:
                keep(DummyRecord{readNodeHeader(in)});
                break;
            default:
                in.fail(Failure::UnknownChunk);
                failure.chunkType = type;
                break;
        }
    }
    if (in.failed()) {
        const int32_t chunkType = failure.chunkType;
        failure = in.failureFound();
        failure.chunkType = chunkType;
        return false;
    }
    return true;
}

const char* failureName(Failure kind) {
    switch (kind) {
        case Failure::None: return "none";
        case Failure::BadVersion: return "version other than 1";
        case Failure::Truncated: return "file ends early or a count is too large";
        case Failure::BadString: return "string length out of range";
        case Failure::BadFrameStep: return "frame step 0 or less";
        case Failure::UnknownChunk: return "unknown chunk type";
    }
    return "unknown";
}

}  // namespace lvg
