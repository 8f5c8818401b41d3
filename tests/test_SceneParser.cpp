// The scene file parser on bytes from the scene writer: header arithmetic, every record
// kind read back as written, and refusal (never an overread) of files that end early,
// lie about a size or break the format. Also the math placements the reader relies on.
#include "engine/LVGParser.h"
#include "engine/Math3D.h"
#include "tools/lvgwriter/LvgWriter.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

namespace {

lvg::NodeHeader node(const std::string& name, int32_t id, int32_t parentId) {
    lvg::NodeHeader h;
    h.name = name;
    h.id = id;
    h.parentId = parentId;
    return h;
}

// One record of every kind, with tracks of different lengths and every optional part.
std::vector<uint8_t> everyRecordFile() {
    LvgWriter w;
    w.header(0, 16000, 160);
    lvg::MaterialRecord wood;
    wood.id = 3;
    wood.name = "Wood";
    wood.diffuse = {0.5f, 0.25f, 0.125f};
    wood.opacity = 0.5f;
    wood.glossiness = 0.5f;
    wood.specularLevel = 2;
    wood.textures = {{"maps\\wood.tga", 1}, {"second.png", 7}};
    lvg::MaterialRecord plain;
    plain.id = 4;
    plain.name = "Plain";
    w.materials({wood, plain});

    lvg::LightRecord spot;
    spot.node = node("Spot01", 10, -1);
    spot.node.positionKeys = {{1, 2, 3}, {4, 5, 6}};
    spot.node.rotationKeys = {{0, 0, 0, 1}};
    spot.lightType = 1;
    spot.colour = {1, 0.5f, 0.25f};
    spot.multiplier = 2;
    spot.attenuationRange = 200;
    spot.spotCutoff = 45;
    spot.spotExponent = 3;
    spot.targetId = 1;
    spot.hasProjector = true;
    spot.projectorTexture = "proj.png";
    w.light(spot);

    lvg::CameraRecord camera;
    camera.node = node("Camera01", 11, -1);
    camera.fov = 0.785398f;
    camera.nearClip = 2;
    camera.farClip = 500;
    camera.targetId = 1;
    w.camera(camera);

    lvg::MeshRecord box;
    box.node = node("Box01", 1, -1);
    box.node.materialId = 3;
    box.node.position = {1, 2, 3};
    box.node.rotation = {0, 0, 1, 1};
    box.node.scale = {2, 2, 2};
    box.node.extra = {7, 8, 9};
    box.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    box.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    box.uvChannel0 = {{0.25f, 0.75f}, {1, 0}, {0, 1}};
    box.uvChannel2 = {{0.5f, 0.5f}, {1, 1}, {0, 0}};
    box.colours = {{1, 0, 0}};
    box.faces = {{0, 1, 2}};
    w.mesh(box);

    w.bareNode({20, "Bare"});
    lvg::DummyRecord dummy{node("Dummy01", 21, 1)};
    dummy.node.scaleKeys = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    w.dummy(dummy);
    w.end();
    return w.bytes();
}

lvg::ParseFailure parseBytes(const std::vector<uint8_t>& bytes, lvg::File& file) {
    lvg::ParseFailure failure;
    lvg::parse(bytes.data(), bytes.size(), file, failure);
    return failure;
}

lvg::Failure failureOf(const std::vector<uint8_t>& bytes) {
    lvg::File file;
    return parseBytes(bytes, file).kind;
}

TEST(SceneParser, FrameCountTruncatesTowardZeroAndIsAtLeastOne) {
    EXPECT_EQ(lvg::frameCountOf(0, 16000, 160), 101);
    EXPECT_EQ(lvg::frameCountOf(0, 100, 160), 1);
    EXPECT_EQ(lvg::frameCountOf(0, 319, 160), 2);
    EXPECT_EQ(lvg::frameCountOf(160, 0, 160), 1);     // -1 + 1 = 0 becomes 1
    EXPECT_EQ(lvg::frameCountOf(0, -159, 160), 1);    // truncated to 0, not floored to -1
    EXPECT_EQ(lvg::frameCountOf(INT32_MIN, INT32_MAX, 1), INT32_MAX);
}

TEST(SceneParser, EndChunkAloneGivesTheHeaderAndNoRecords) {
    LvgWriter w;
    w.header(0, 16000, 160);
    w.end();
    lvg::File file;
    EXPECT_EQ(parseBytes(w.bytes(), file).kind, lvg::Failure::None);
    EXPECT_EQ(file.frameCount, 101);
    EXPECT_EQ(file.frameStep, 160);
    EXPECT_TRUE(file.records.empty());
}

TEST(SceneParser, EveryRecordKindReadsBackAsWrittenInFileOrder) {
    lvg::File file;
    ASSERT_EQ(parseBytes(everyRecordFile(), file).kind, lvg::Failure::None);
    ASSERT_EQ(file.records.size(), 7u);

    const auto& wood = std::get<lvg::MaterialRecord>(file.records[0]);
    EXPECT_EQ(wood.id, 3);
    EXPECT_EQ(wood.name, "Wood");
    EXPECT_FLOAT_EQ(wood.diffuse.z, 0.125f);
    EXPECT_FLOAT_EQ(wood.opacity, 0.5f);
    EXPECT_FLOAT_EQ(wood.specularLevel, 2);
    ASSERT_EQ(wood.textures.size(), 2u);
    EXPECT_EQ(wood.textures[0].fileName, "maps\\wood.tga");
    EXPECT_EQ(wood.textures[1].mapType, 7);
    EXPECT_EQ(std::get<lvg::MaterialRecord>(file.records[1]).name, "Plain");

    const auto& spot = std::get<lvg::LightRecord>(file.records[2]);
    EXPECT_EQ(spot.node.name, "Spot01");
    EXPECT_EQ(spot.node.positionKeys.size(), 2u);
    EXPECT_FLOAT_EQ(spot.node.positionKeys[1].z, 6);
    EXPECT_EQ(spot.node.rotationKeys.size(), 1u);
    EXPECT_TRUE(spot.node.scaleKeys.empty());
    EXPECT_FLOAT_EQ(spot.attenuationRange, 200);
    EXPECT_FLOAT_EQ(spot.spotCutoff, 45);
    EXPECT_EQ(spot.targetId, 1);
    EXPECT_EQ(spot.projectorTexture, "proj.png");

    const auto& camera = std::get<lvg::CameraRecord>(file.records[3]);
    EXPECT_FLOAT_EQ(camera.fov, 0.785398f);
    EXPECT_FLOAT_EQ(camera.farClip, 500);
    EXPECT_EQ(camera.targetId, 1);

    const auto& box = std::get<lvg::MeshRecord>(file.records[4]);
    EXPECT_EQ(box.node.materialId, 3);
    EXPECT_FLOAT_EQ(box.node.rotation.z, 1);
    EXPECT_FLOAT_EQ(box.node.extra.y, 8);
    EXPECT_EQ(box.vertices.size(), 3u);
    EXPECT_FLOAT_EQ(box.uvChannel0[0].y, 0.75f);  // stored as written; the builder flips
    EXPECT_TRUE(box.uvChannel1.empty());
    EXPECT_EQ(box.uvChannel2.size(), 3u);
    EXPECT_EQ(box.colours.size(), 1u);
    EXPECT_EQ(box.faces[0][2], 2);

    const auto& bare = std::get<lvg::BareNodeRecord>(file.records[5]);
    EXPECT_EQ(bare.id, 20);
    EXPECT_EQ(bare.name, "Bare");
    const auto& dummy = std::get<lvg::DummyRecord>(file.records[6]);
    EXPECT_EQ(dummy.node.parentId, 1);
    EXPECT_EQ(dummy.node.scaleKeys.size(), 3u);
}

TEST(SceneParser, VersionFrameStepAndChunkTypeOutsideTheFormatAreRefused) {
    for (int32_t version : {0, 2, -1}) {
        LvgWriter w;
        w.header(0, 100, 10, version);
        w.end();
        EXPECT_EQ(failureOf(w.bytes()), lvg::Failure::BadVersion) << version;
    }
    for (int32_t step : {0, -160}) {
        LvgWriter w;
        w.header(0, 100, step);
        w.end();
        EXPECT_EQ(failureOf(w.bytes()), lvg::Failure::BadFrameStep) << step;
    }
    for (int32_t type : {2, 0, 8, 0x9998}) {
        LvgWriter w;
        w.header(0, 100, 10);
        w.bareNode({1, "Before"});
        w.rawChunkType(type);
        w.end();
        lvg::File file;
        lvg::ParseFailure failure = parseBytes(w.bytes(), file);
        EXPECT_EQ(failure.kind, lvg::Failure::UnknownChunk) << type;
        EXPECT_EQ(failure.chunkType, type);
        EXPECT_EQ(file.records.size(), 1u);  // what came before is kept for the report
    }
}

TEST(SceneParser, EveryCutOfAWellFormedFileIsRefusedWithoutOverread) {
    const std::vector<uint8_t> whole = everyRecordFile();
    for (size_t size = 0; size < whole.size(); ++size) {
        std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(size));
        lvg::Failure failure = failureOf(cut);
        EXPECT_EQ(failure, lvg::Failure::Truncated) << "cut at " << size;
    }
    EXPECT_EQ(failureOf(whole), lvg::Failure::None);
}

TEST(SceneParser, CountsThatLieAreRefusedBeforeAllocating) {
    // Each case: a mesh whose first array claims more elements than the file holds.
    for (int32_t claimed : {4, 1 << 20, INT32_MAX}) {
        LvgWriter w;
        w.header(0, 100, 10);
        w.rawChunkType(lvg::chunkMesh);
        w.string("Liar");
        for (int i = 0; i < 3; ++i) w.int32(0);
        for (int i = 0; i < 13; ++i) w.float32(0);
        for (int i = 0; i < 3; ++i) w.int32(0);  // no keys
        w.int32(claimed);
        for (int i = 0; i < 9; ++i) w.float32(0);  // three vertices only
        w.end();
        EXPECT_EQ(failureOf(w.bytes()), lvg::Failure::Truncated) << claimed;
    }
    LvgWriter w;
    w.header(0, 100, 10);
    w.rawChunkType(lvg::chunkMaterials);
    w.int32(INT32_MAX);
    w.end();
    EXPECT_EQ(failureOf(w.bytes()), lvg::Failure::Truncated);
}

TEST(SceneParser, StringsUpTo1999BytesAreReadLongerOrNegativeAreRefused) {
    auto withName = [](const std::string& name) {
        LvgWriter w;
        w.header(0, 100, 10);
        w.bareNode({1, name});
        w.end();
        return w.bytes();
    };
    lvg::File file;
    ASSERT_EQ(parseBytes(withName(std::string(1999, 'n')), file).kind, lvg::Failure::None);
    EXPECT_EQ(std::get<lvg::BareNodeRecord>(file.records[0]).name.size(), 1999u);
    EXPECT_EQ(parseBytes(withName(""), file).kind, lvg::Failure::None);
    EXPECT_EQ(failureOf(withName(std::string(2000, 'n'))), lvg::Failure::BadString);

    LvgWriter w;
    w.header(0, 100, 10);
    w.rawChunkType(lvg::chunkBareNode);
    w.int32(1);
    w.int32(-5);
    w.end();
    EXPECT_EQ(failureOf(w.bytes()), lvg::Failure::BadString);
}

TEST(SceneParser, NegativeArrayCountsAreAbsentArrays) {
    LvgWriter w;
    w.header(0, 100, 10);
    w.rawChunkType(lvg::chunkDummy);
    w.string("D");
    for (int i = 0; i < 3; ++i) w.int32(0);
    for (int i = 0; i < 13; ++i) w.float32(0);
    for (int i = 0; i < 3; ++i) w.int32(-7);
    w.end();
    lvg::File file;
    ASSERT_EQ(parseBytes(w.bytes(), file).kind, lvg::Failure::None);
    EXPECT_TRUE(std::get<lvg::DummyRecord>(file.records[0]).node.positionKeys.empty());
}

TEST(SceneMath, QuaternionPlacementStoresTheRowsWhereGLReadsColumns) {
    // (0, 0, 1, 1) has norm 2, so s = 1: a quarter turn about z whose usual matrix takes
    // x to +y. Stored transposed, GL's first column takes x to -y.
    Matrix4 m = math3d::rotationMatrix({0, 0, 1, 1});
    const float expected[16] = {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6f) << i;
    // Scaling the quaternion changes nothing; a zero quaternion gives the identity.
    Matrix4 scaled = math3d::rotationMatrix({0, 0, 3, 3});
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(scaled[i], expected[i], 1e-6f) << i;
    Matrix4 zero = math3d::rotationMatrix({0, 0, 0, 0});
    for (int i = 0; i < 16; ++i) EXPECT_EQ(zero[i], Matrix4::identity()[i]) << i;
}

TEST(SceneMath, WritersConventionGivesTheIntendedRotationAndFov) {
    const Quaternion quarterZ = lvgconvention::axisAngle({0, 0, 1}, 3.14159265f / 2);
    Matrix4 m = math3d::rotationMatrix(lvgconvention::storedRotation(quarterZ));
    EXPECT_NEAR(m[0], 0, 1e-6f);
    EXPECT_NEAR(m[1], 1, 1e-6f);  // x goes to +y in GL
    EXPECT_EQ(std::bit_cast<uint32_t>(math3d::cameraFovAspect), 0x3F40013Bu);
    EXPECT_NEAR(math3d::verticalFovDegrees(lvgconvention::horizontalFovRadians(45)), 45, 1e-4f);
    // A 90-degree horizontal fov: 2 atan(0.7500188) in degrees, not 2 atan(0.75).
    EXPECT_NEAR(math3d::verticalFovDegrees(3.14159265f / 2), 73.7407f, 1e-3f);
}

TEST(SceneMath, SlerpTakesTheShortArcAndBlendsNearlyParallelLinearly) {
    const Quaternion identity{0, 0, 0, 1};
    const Quaternion quarterZ = lvgconvention::axisAngle({0, 0, 1}, 3.14159265f / 2);
    Quaternion half = math3d::slerp(identity, quarterZ, 0.5f);
    const Quaternion eighthZ = lvgconvention::axisAngle({0, 0, 1}, 3.14159265f / 4);
    EXPECT_NEAR(half.z, eighthZ.z, 1e-5f);
    EXPECT_NEAR(half.w, eighthZ.w, 1e-5f);
    // The same rotation written with the opposite sign: the short way, still an eighth.
    Quaternion negated{-quarterZ.x, -quarterZ.y, -quarterZ.z, -quarterZ.w};
    Quaternion shortWay = math3d::slerp(identity, negated, 0.5f);
    EXPECT_NEAR(std::fabs(shortWay.z), eighthZ.z, 1e-5f);
    EXPECT_NEAR(shortWay.w, eighthZ.w, 1e-5f);
    Quaternion same = math3d::slerp(identity, identity, 0.3f);
    EXPECT_FLOAT_EQ(same.w, 1);
}

}  // namespace
