// lvgconv end to end: models written here (by the small glTF, OBJ and TGA writers below)
// and the models of Debian's assimp-testmodels (made by other programs; skipped where the
// package is absent) are converted by the built tool, then read back as the engine reads
// them: through `lumora --dump-scene` and through the scene parser for the keys, placed
// with the engine's own matrix of each key.
#include "engine/LVGParser.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string lvgconvTool = std::string(LUMORA_BINARY_DIR) + "/tools/lvgconv/lvgconv";
const std::string testModels = "/usr/share/assimp/models";
const std::vector<std::string> environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

#define EXPECT_CONTAINS(haystack, needle) \
    EXPECT_NE((haystack).find(needle), std::string::npos) << "missing: " << (needle) << "\nin: " << (haystack)

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t chunk = uint32_t(uint8_t(bytes[i])) << 16;
        if (i + 1 < bytes.size()) chunk |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size()) chunk |= uint32_t(uint8_t(bytes[i + 2]));
        out += digits[(chunk >> 18) & 63];
        out += digits[(chunk >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(chunk >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[chunk & 63] : '=';
    }
    return out;
}

// Writes glTF 2.0 text files with one embedded buffer: accessors are added from plain
// arrays, the caller writes the rest of the JSON around "accessors", "bufferViews" and
// "buffers".
class GltfWriter {
public:
    int floats(const std::vector<float>& values, const char* type, int components) {
        return add(std::string(reinterpret_cast<const char*>(values.data()), values.size() * 4), 5126,
                   values.size() / components, type, values, components);
    }
    int indices(const std::vector<uint16_t>& values) {
        std::string bytes(reinterpret_cast<const char*>(values.data()), values.size() * 2);
        while (bytes.size() % 4) bytes += '\0';
        return add(bytes, 5123, values.size(), "SCALAR", {}, 1);
    }
    // The closing members of the document, to append after the caller's own.
    std::string tail() const {
        return "\"accessors\":[" + accessors + "],\"bufferViews\":[" + views +
               "],\"buffers\":[{\"byteLength\":" + std::to_string(buffer.size()) +
               ",\"uri\":\"data:application/octet-stream;base64," + base64(buffer) + "\"}]";
    }

private:
    int add(const std::string& bytes, int componentType, size_t count, const char* type,
            const std::vector<float>& values, int components) {
        const int index = next++;
        if (index > 0) {
            views += ',';
            accessors += ',';
        }
        views += "{\"buffer\":0,\"byteOffset\":" + std::to_string(buffer.size()) +
                 ",\"byteLength\":" + std::to_string(bytes.size()) + "}";
        accessors += "{\"bufferView\":" + std::to_string(index) + ",\"componentType\":" + std::to_string(componentType) +
                     ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type + "\"";
        if (!values.empty()) {
            // glTF wants bounds on positions and on animation inputs.
            std::string lo, hi;
            for (int c = 0; c < components; ++c) {
                float a = values[c], b = values[c];
                for (size_t i = c; i < values.size(); i += components) {
                    a = std::min(a, values[i]);
                    b = std::max(b, values[i]);
                }
                lo += (c ? "," : "") + std::to_string(a);
                hi += (c ? "," : "") + std::to_string(b);
            }
            accessors += ",\"min\":[" + lo + "],\"max\":[" + hi + "]";
        }
        accessors += '}';
        buffer += bytes;
        return index;
    }

    std::string buffer, views, accessors;
    int next = 0;
};

// A unit cube around the origin: accessor 0 positions, 1 indices.
void addCube(GltfWriter& gltf) {
    std::vector<float> p;
    for (int i = 0; i < 8; ++i) {
        p.push_back(i & 1 ? 0.5f : -0.5f);
        p.push_back(i & 2 ? 0.5f : -0.5f);
        p.push_back(i & 4 ? 0.5f : -0.5f);
    }
    gltf.floats(p, "VEC3", 3);
    gltf.indices({0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4, 2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5});
}

const char* cubeMesh = R"("meshes":[{"name":"Cube","primitives":[{"attributes":{"POSITION":0},"indices":1}]}],)";

// The rotation by degrees around y, as glTF's (x, y, z, w).
std::vector<float> turnY(float degrees) {
    const float half = degrees * 3.14159265f / 360.0f;
    return {0, std::sin(half), 0, std::cos(half)};
}

// The JSON object of the scene object named name in a dump ("" when absent).
std::string objectNamed(const std::string& dump, const std::string& name) {
    const size_t at = dump.find("\"name\":\"" + name + "\"");
    if (at == std::string::npos) return "";
    const size_t start = dump.rfind("{\"id\":", at);
    int depth = 0;
    for (size_t i = start; i < dump.size(); ++i) {
        if (dump[i] == '{') ++depth;
        if (dump[i] == '}' && --depth == 0) return dump.substr(start, i - start + 1);
    }
    return "";
}

// The numbers after "field": in json, a single number or an array.
std::vector<double> numbers(const std::string& json, const std::string& field) {
    std::vector<double> out;
    size_t at = json.find("\"" + field + "\":");
    if (at == std::string::npos) return out;
    at += field.size() + 3;
    const bool array = json[at] == '[';
    if (array) ++at;
    while (at < json.size()) {
        char* end = nullptr;
        out.push_back(std::strtod(json.c_str() + at, &end));
        at = size_t(end - json.c_str());
        if (!array || json[at] != ',') break;
        ++at;
    }
    return out;
}

// The engine's placement of a node at a frame: translate × matrix of the rotation key ×
// scale, applied to a point.
Vec3 engineWorld(const lvg::NodeHeader& node, size_t frame, const Vec3& point) {
    const Vec3 position = node.positionKeys.empty() ? node.position : node.positionKeys[frame];
    const Quaternion rotation = node.rotationKeys.empty() ? node.rotation : node.rotationKeys[frame];
    const Vec3 scale = node.scaleKeys.empty() ? node.scale : node.scaleKeys[frame];
    const Matrix4 r = math3d::rotationMatrix(rotation);
    const float s[3] = {point.x * scale.x, point.y * scale.y, point.z * scale.z};
    Vec3 out = position;
    out.x += r[0] * s[0] + r[4] * s[1] + r[8] * s[2];
    out.y += r[1] * s[0] + r[5] * s[1] + r[9] * s[2];
    out.z += r[2] * s[0] + r[6] * s[1] + r[10] * s[2];
    return out;
}

class Lvgconv : public testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDirectory("lvgconv");
        fs::create_directories(dir + "/data/scenes");
    }
    void TearDown() override { fs::remove_all(dir); }

    ProgramResult convert(const std::string& model, const std::string& scene, std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments = {model, dir + "/data/scenes/" + scene, "--texture-dir", dir + "/data/textures"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return runProgram(lvgconvTool, arguments);
    }
    ProgramResult dump(const std::string& scene) {
        return runProgram(LUMORA_EXECUTABLE, {"--dump-scene", "data/scenes/" + scene, "--data", dir}, environment);
    }
    lvg::File parsed(const std::string& scene) {
        const std::string bytes = readFile(dir + "/data/scenes/" + scene);
        lvg::File file;
        lvg::ParseFailure failure;
        EXPECT_TRUE(lvg::parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file, failure))
            << lvg::failureName(failure.kind);
        return file;
    }
    static const lvg::NodeHeader* node(const lvg::File& file, const std::string& name) {
        for (const lvg::Record& r : file.records) {
            if (auto* m = std::get_if<lvg::MeshRecord>(&r); m && m->node.name == name) return &m->node;
            if (auto* d = std::get_if<lvg::DummyRecord>(&r); d && d->node.name == name) return &d->node;
            if (auto* c = std::get_if<lvg::CameraRecord>(&r); c && c->node.name == name) return &c->node;
            if (auto* l = std::get_if<lvg::LightRecord>(&r); l && l->node.name == name) return &l->node;
        }
        return nullptr;
    }

    std::string dir;
};

TEST_F(Lvgconv, AnObjCubeGivesItsVerticesAndTwelveTriangles) {
    std::string obj = "o Box\n";
    for (int i = 0; i < 8; ++i) {
        obj += "v " + std::string(i & 1 ? "1" : "-1") + (i & 2 ? " 1" : " -1") + (i & 4 ? " 1\n" : " -1\n");
    }
    obj += "f 1 3 4 2\nf 5 6 8 7\nf 1 2 6 5\nf 3 7 8 4\nf 1 5 7 3\nf 2 4 8 6\n";
    writeFile(dir + "/box.obj", obj);
    const ProgramResult r = convert(dir + "/box.obj", "box.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.out, "1 mesh, 12 triangles,");
    const ProgramResult d = dump("box.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_EQ(d.err, "");
    const std::string box = objectNamed(d.out, "Box");
    EXPECT_TRUE(box.find(R"("vertices":8,"faces":12,)") != std::string::npos ||
                box.find(R"("vertices":24,"faces":12,)") != std::string::npos)
        << box;
    EXPECT_EQ(d.out.find(R"("materialId":-1)"), std::string::npos) << "a mesh without its material";
}

// Parent (a cube at the origin) turns once around y in 2 s; Child sits 2 to its +x.
std::string turningHierarchy() {
    GltfWriter gltf;
    addCube(gltf);
    std::vector<float> times = {0, 0.5f, 1, 1.5f, 2};
    std::vector<float> turns;
    for (float degrees : {0.0f, 90.0f, 180.0f, 270.0f, 360.0f}) {
        for (float v : turnY(degrees)) turns.push_back(v);
    }
    const int input = gltf.floats(times, "SCALAR", 1);
    const int output = gltf.floats(turns, "VEC4", 4);
    return std::string(R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)") +
           R"("nodes":[{"name":"Parent","mesh":0,"children":[1]},{"name":"Child","mesh":0,"translation":[2,0,0]}],)" +
           cubeMesh + R"("animations":[{"name":"Turn","samplers":[{"input":)" + std::to_string(input) +
           ",\"output\":" + std::to_string(output) +
           R"(,"interpolation":"LINEAR"}],"channels":[{"sampler":0,"target":{"node":0,"path":"rotation"}}]}],)" +
           gltf.tail() + "}";
}

TEST_F(Lvgconv, AnimatedHierarchyKeepsParentsAndOneKeyPerFrame) {
    writeFile(dir + "/turn.gltf", turningHierarchy());
    const ProgramResult r = convert(dir + "/turn.gltf", "turn.lvg", {"--fps", "20"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.out, "41 frames 50 apart");
    const ProgramResult d = dump("turn.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_CONTAINS(d.out, R"("frameCount":41,"frameStep":50,)");
    const std::string parent = objectNamed(d.out, "Parent");
    const std::string child = objectNamed(d.out, "Child");
    ASSERT_NE(parent, "");
    ASSERT_NE(child, "");
    EXPECT_EQ(numbers(child, "parent"), numbers(parent, "id"));
    EXPECT_CONTAINS(parent, R"("keyCount":41,)");
    EXPECT_CONTAINS(child, R"("keyCount":41,)");
}

TEST_F(Lvgconv, TheChildIsWhereTheSourcePutsItAtEveryFrame) {
    writeFile(dir + "/turn.gltf", turningHierarchy());
    ASSERT_EQ(convert(dir + "/turn.gltf", "turn.lvg", {"--fps", "20"}).exitCode, 0);
    const lvg::File file = parsed("turn.lvg");
    const lvg::NodeHeader* child = node(file, "Child");
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(child->positionKeys.size(), 41u);
    ASSERT_EQ(child->rotationKeys.size(), 41u);
    // A corner of the child's cube, in the child's space, and where the source has it:
    // turned with the parent around y by 180° per second.
    const Vec3 corner{0.5f, 0.5f, 0.5f};
    for (size_t frame : {0u, 5u, 13u, 40u}) {
        const float angle = 3.14159265f * float(frame) / 20.0f;
        const float x = 2 + corner.x, z = corner.z;
        const Vec3 expected{x * std::cos(angle) + z * std::sin(angle), corner.y, -x * std::sin(angle) + z * std::cos(angle)};
        const Vec3 got = engineWorld(*child, frame, corner);
        EXPECT_NEAR(got.x, expected.x, 1e-3f) << "frame " << frame;
        EXPECT_NEAR(got.y, expected.y, 1e-3f) << "frame " << frame;
        EXPECT_NEAR(got.z, expected.z, 1e-3f) << "frame " << frame;
    }
}

// A cube, the camera "Camera" at (0, 1, 5) and the spot "Spot01" at (0, 4, 0) pointing down.
std::string litScene() {
    GltfWriter gltf;
    addCube(gltf);
    return
        std::string(R"({"asset":{"version":"2.0"},"extensionsUsed":["KHR_lights_punctual"],"scene":0,)") +
        R"("scenes":[{"nodes":[0,1,2]}],)" +
        R"("nodes":[{"name":"Box","mesh":0},{"name":"Camera","camera":0,"translation":[0,1,5]},)" +
        R"({"name":"Spot01","translation":[0,4,0],"rotation":[-0.70710678,0,0,0.70710678],)" +
        R"("extensions":{"KHR_lights_punctual":{"light":0}}}],)" + cubeMesh +
        R"("cameras":[{"type":"perspective","perspective":{"yfov":0.6,"aspectRatio":1.5,"znear":0.1,"zfar":200}}],)" +
        R"("extensions":{"KHR_lights_punctual":{"lights":[{"type":"spot","color":[1,0.5,0.25],"intensity":2,)" +
        R"("spot":{"innerConeAngle":0.2,"outerConeAngle":0.5}}]}},)" + gltf.tail() + "}";
}

TEST_F(Lvgconv, ACameraAndASpotComeThroughWithTheirConesAndTargets) {
    writeFile(dir + "/lit.gltf", litScene());
    const ProgramResult r = convert(dir + "/lit.gltf", "lit.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.out, "1 camera, 1 light,");
    const ProgramResult d = dump("lit.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;

    const std::string camera = objectNamed(d.out, "Camera");
    ASSERT_NE(camera, "");
    // The source's horizontal angle, 2 atan(1.5 tan(0.3)), shown with the engine's aspect.
    const double horizontal = 2 * std::atan(1.5 * std::tan(0.3));
    const double vertical = 2 * std::atan(0.7500188 * std::tan(horizontal / 2)) * 180 / 3.14159265358979;
    ASSERT_EQ(numbers(camera, "fovDeg").size(), 1u);
    EXPECT_NEAR(numbers(camera, "fovDeg")[0], vertical, 1e-3);
    EXPECT_NEAR(numbers(camera, "near")[0], 0.1, 1e-6);
    EXPECT_NEAR(numbers(camera, "far")[0], 200, 1e-4);
    const std::vector<double> cameraAt = numbers(camera, "position");
    ASSERT_EQ(cameraAt.size(), 3u);
    EXPECT_NEAR(cameraAt[1], 1, 1e-5);
    EXPECT_NEAR(cameraAt[2], 5, 1e-5);
    // Its target lies ahead of it on its view axis (glTF cameras look along -z).
    const std::string cameraTarget = objectNamed(d.out, "Camera.Target");
    ASSERT_NE(cameraTarget, "");
    EXPECT_EQ(numbers(camera, "target"), numbers(cameraTarget, "id"));
    const std::vector<double> ahead = numbers(cameraTarget, "position");
    ASSERT_EQ(ahead.size(), 3u);
    EXPECT_NEAR(ahead[0], 0, 1e-5);
    EXPECT_NEAR(ahead[1], 1, 1e-5);
    EXPECT_LT(ahead[2], 5 - 0.5);

    const std::string spot = objectNamed(d.out, "Spot01");
    ASSERT_NE(spot, "");
    EXPECT_NEAR(numbers(spot, "cutoff")[0], 0.5 * 180 / 3.14159265358979, 1e-3);
    const double exponent = numbers(spot, "exponent")[0];
    EXPECT_NEAR(std::pow(std::cos(0.35), exponent), 0.5, 1e-3);  // half as bright mid-edge
    EXPECT_EQ(numbers(spot, "diffuse"), (std::vector<double>{2, 1, 0.5, 1}));
    const std::vector<double> spotAt = numbers(spot, "position");
    EXPECT_NEAR(spotAt[1], 4, 1e-5);
    // Pointing down: the target is below.
    const std::string spotTarget = objectNamed(d.out, "Spot01.Target");
    ASSERT_NE(spotTarget, "");
    EXPECT_EQ(numbers(spot, "target"), numbers(spotTarget, "id"));
    const std::vector<double> below = numbers(spotTarget, "position");
    EXPECT_NEAR(below[0], 0, 1e-4);
    EXPECT_LT(below[1], 4 - 0.5);
    EXPECT_NEAR(below[2], 0, 1e-4);
}

TEST_F(Lvgconv, ScaleMultipliesPlacesAndClippingDistances) {
    writeFile(dir + "/lit.gltf", litScene());
    ASSERT_EQ(convert(dir + "/lit.gltf", "lit.lvg", {"--scale", "2"}).exitCode, 0);
    const ProgramResult d = dump("lit.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    const std::string camera = objectNamed(d.out, "Camera");
    EXPECT_NEAR(numbers(camera, "position")[2], 10, 1e-5);
    EXPECT_NEAR(numbers(camera, "near")[0], 0.2, 1e-6);
    EXPECT_NEAR(numbers(camera, "far")[0], 400, 1e-3);
    EXPECT_EQ(numbers(objectNamed(d.out, "Box"), "scale"), (std::vector<double>{2, 2, 2}));
}

// An uncompressed 24-bit TGA, bottom row first, one colour per quarter.
std::string tga2x2() {
    std::string t(18, '\0');
    t[2] = 2;
    t[12] = 2;
    t[14] = 2;
    t[16] = 24;
    for (const char* bgr : {"\x00\x00\xff", "\x00\xff\x00", "\xff\x00\x00", "\xff\xff\xff"}) t.append(bgr, 3);
    return t;
}

TEST_F(Lvgconv, ATextureIsConvertedWhereTheEngineResolvesIt) {
    fs::create_directories(dir + "/model/maps");
    writeFile(dir + "/model/maps/wood.tga", tga2x2());
    writeFile(dir + "/model/quad.mtl", "newmtl Wood\nKd 1 1 1\nmap_Kd maps\\wood.tga\n");
    writeFile(dir + "/model/quad.obj",
              "mtllib quad.mtl\no Quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0.25\nvt 1 0.25\nvt 1 1\nvt 0 1\n"
              "usemtl Wood\nf 1/1 2/2 3/3 4/4\n");
    const ProgramResult r = convert(dir + "/model/quad.obj", "quad.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.out, "1 texture,");
    const std::string png = readFile(dir + "/data/textures/wood.png");
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    const ProgramResult d = dump("quad.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_EQ(d.err, "");
    EXPECT_CONTAINS(d.out, R"("diffuse":"data/textures/wood.png")");
    // The engine's v counts down from the picture's top row (textures repeat): the first
    // corner, a quarter up the picture in the model, is three quarters down in the engine.
    const std::string quad = objectNamed(d.out, "Quad");
    const std::vector<double> firstUv = numbers(quad, "firstUv0");
    ASSERT_EQ(firstUv.size(), 2u);
    EXPECT_NEAR(firstUv[0], 0, 1e-6) << quad;
    EXPECT_NEAR(firstUv[1] - std::floor(firstUv[1]), 0.75, 1e-6) << quad;
}

TEST_F(Lvgconv, AMeshOverTheIndexLimitIsCutIntoPieces) {
    std::string obj = "o Grid\n";
    const int side = 260;  // 67,600 vertices
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) obj += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
    }
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x + 1;
            obj += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + side + 1) + " " +
                   std::to_string(a + side) + "\n";
        }
    }
    writeFile(dir + "/grid.obj", obj);
    const ProgramResult r = convert(dir + "/grid.obj", "grid.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.out, "2 meshes, 134162 triangles,");
    const ProgramResult d = dump("grid.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    const std::string first = objectNamed(d.out, "Grid.1");
    const std::string second = objectNamed(d.out, "Grid.2");
    ASSERT_NE(first, "");
    ASSERT_NE(second, "");
    EXPECT_LE(numbers(first, "vertices")[0], 65536);
    EXPECT_EQ(numbers(first, "faces")[0] + numbers(second, "faces")[0], 134162);
    EXPECT_EQ(numbers(first, "parent"), numbers(objectNamed(d.out, "Grid"), "id"));
}

TEST_F(Lvgconv, WhatCannotBeReadIsAClearError) {
    ProgramResult r = convert(dir + "/missing.glb", "x.lvg");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_CONTAINS(r.err, "lvgconv: error: cannot read");
    writeFile(dir + "/broken.gltf", "{\"asset\":{\"version\":\"2.0\"},\"nodes\":[{\"mesh\":7}]");
    r = convert(dir + "/broken.gltf", "x.lvg");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_CONTAINS(r.err, "lvgconv: error: cannot read");
    // A skin without inverse bind matrices would bring the model reader down.
    GltfWriter gltf;
    addCube(gltf);
    writeFile(dir + "/skin.gltf", std::string(R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0,1]}],)") +
                                      R"("nodes":[{"mesh":0,"skin":0},{"name":"Bone"}],"skins":[{"joints":[1]}],)" +
                                      cubeMesh + gltf.tail() + "}");
    r = convert(dir + "/skin.gltf", "x.lvg");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_CONTAINS(r.err, "a skin without inverse bind matrices");
    EXPECT_FALSE(fs::exists(dir + "/data/scenes/x.lvg"));
    r = runProgram(lvgconvTool, {dir + "/box.obj"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_CONTAINS(r.err, "usage: lvgconv");
}

// Models made by other programs, from Debian's assimp-testmodels.
class LvgconvTestModels : public Lvgconv {
protected:
    void SetUp() override {
        if (!fs::is_directory(testModels)) GTEST_SKIP() << "assimp-testmodels is not installed";
        Lvgconv::SetUp();
    }
};

TEST_F(LvgconvTestModels, ASkinnedMeshConvertsWithAWarning) {
    const ProgramResult r = convert(testModels + "/glTF2/simple_skin/simple_skin.gltf", "skin.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.err, "lvgconv: warning: mesh");
    EXPECT_CONTAINS(r.err, "is skinned (2 bones): written in its rest pose");
    const ProgramResult d = dump("skin.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_CONTAINS(d.out, R"("kind":"mesh")");
}

TEST_F(LvgconvTestModels, MorphTargetsAndVertexColoursAreWarnedAbout) {
    ProgramResult r = convert(testModels + "/glTF2/glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf", "m.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.err, "has 2 morph targets: dropped");
    r = convert(testModels + "/OBJ/cube_with_vertexcolors.obj", "c.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.err, "has vertex colours: kept in the file, but the engine does not draw them");
}

TEST_F(LvgconvTestModels, EmbeddedAndConvertedPicturesLoadInTheEngine) {
    ProgramResult r = convert(testModels + "/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", "box.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ProgramResult d = dump("box.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_EQ(d.err, "");
    EXPECT_CONTAINS(d.out, R"("diffuse":"data/textures/BoxTextured_0.png")");
    // The duck's picture is a TGA; its camera and light come along.
    r = convert(testModels + "/Collada/duck.dae", "duck.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.out, "1 camera, 1 light,");
    d = dump("duck.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    EXPECT_EQ(d.err, "");
    EXPECT_CONTAINS(d.out, R"("diffuse":"data/textures/duckCM.png")");
    EXPECT_CONTAINS(d.out, R"("kind":"camera")");
}

TEST_F(LvgconvTestModels, AnAnimatedTargetCameraKeepsItsTargetNode) {
    const ProgramResult r = convert(testModels + "/3DS/TargetCameraAnim.3ds", "cam.lvg");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ProgramResult d = dump("cam.lvg");
    ASSERT_EQ(d.exitCode, 0) << d.err;
    const size_t at = d.out.find(R"("kind":"camera")");
    ASSERT_NE(at, std::string::npos);
    const lvg::File file = parsed("cam.lvg");
    for (const lvg::Record& record : file.records) {
        if (auto* c = std::get_if<lvg::CameraRecord>(&record)) {
            const lvg::NodeHeader* target = nullptr;
            for (const lvg::Record& other : file.records) {
                if (auto* dummy = std::get_if<lvg::DummyRecord>(&other); dummy && dummy->node.id == c->targetId) {
                    target = &dummy->node;
                }
            }
            ASSERT_NE(target, nullptr) << "the camera's target is a node of the file";
            EXPECT_EQ(target->name, c->node.name + ".Target");
        }
    }
}

}  // namespace
