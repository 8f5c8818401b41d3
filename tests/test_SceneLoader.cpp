// Loading scene files as the program does: `lumora --dump-scene PATH --data DIR` on files
// from the scene writer (the exact JSON, texture resolution against real picture files,
// every refusal and fatal report with its text), and the scene registry in-process.
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "engine/SceneLoaderLVG.h"
#include "tests/support/SceneRecords.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"
#include "tools/lvgwriter/LvgWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

#define EXPECT_CONTAINS(haystack, needle) \
    EXPECT_NE((haystack).find(needle), std::string::npos) << "missing: " << (needle) << "\nin: " << (haystack)

using testscene::node;
using testscene::triangle;

lvg::MaterialRecord material(int32_t id, const std::string& name, std::vector<lvg::TextureEntry> textures = {}) {
    lvg::MaterialRecord m;
    m.id = id;
    m.name = name;
    m.opacity = 1;
    m.glossiness = 0.5f;
    m.specularLevel = 1;
    m.textures = std::move(textures);
    return m;
}

// The smallest DXT1 file: one 4x4 block.
std::vector<uint8_t> tinyDds() {
    std::vector<uint8_t> bytes(4 + 124 + 8, 0);
    std::memcpy(bytes.data(), "DDS ", 4);
    auto put = [&](size_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[4 + offset + size_t(i)] = uint8_t(value >> (8 * i));
    };
    put(0, 124);
    put(8, 4);   // height
    put(12, 4);  // width
    put(16, 8);  // linear size
    put(24, 1);  // mipmaps
    std::memcpy(bytes.data() + 4 + 80, "DXT1", 4);
    return bytes;
}

class SceneFiles : public testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDirectory("scenes");
        for (const char* sub : {"/data/scenes", "/data/textures", "/data/texturesCompressed"}) {
            std::filesystem::create_directories(dir + sub);
        }
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void writeFile(const std::string& dataPath, const std::vector<uint8_t>& bytes) {
        FILE* f = std::fopen((dir + "/" + dataPath).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    void writePicture(const std::string& dataPath) {
        const uint8_t pixels[2 * 2 * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
        ASSERT_TRUE(writePng(dir + "/" + dataPath, 2, 2, 3, pixels));
    }
    ProgramResult dump(const LvgWriter& scene, const std::string& name = "data/scenes/test.lvg") {
        writeFile(name, scene.bytes());
        return dumpPath(name);
    }
    ProgramResult dumpPath(const std::string& name) {
        return runProgram(LUMORA_EXECUTABLE, {"--dump-scene", name, "--data", dir},
                          {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    }

    std::string dir;
};

TEST_F(SceneFiles, DumpShowsEveryKindInTheDocumentedShape) {
    writeFile("data/texturesCompressed/wood.dds", tinyDds());
    LvgWriter w;
    w.header(0, 16000, 160);
    w.materials({material(3, "Wood", {{"maps\\wood.tga", 1}})});
    lvg::MeshRecord box = triangle("Box01", 1, -1, 3);
    box.node.position = {1, 2, 3};
    box.node.scale = {2, 2, 2};
    box.node.rotation = {0, 0, 1, 1};
    box.uvChannel0 = {{0.25f, 0.75f}, {1, 0}, {0, 1}};
    w.mesh(box);
    lvg::CameraRecord camera;
    camera.node = node("Camera01", 5, -1);
    camera.node.positionKeys = {{0, 0, 5}, {0, 0, 6}};
    camera.fov = lvgconvention::horizontalFovRadians(45);
    camera.nearClip = 1;
    camera.farClip = 2000;
    camera.targetId = 7;
    w.camera(camera);
    lvg::LightRecord spot;
    spot.node = node("Spot01", 6, -1);
    spot.lightType = 2;
    spot.colour = {1, 1, 1};
    spot.multiplier = 1;
    spot.attenuationRange = 200;
    spot.spotCutoff = 120;
    spot.spotExponent = 0;
    spot.targetId = 7;
    w.light(spot);
    w.dummy({node("Target", 7, 1)});
    w.end();

    ProgramResult r = dump(w);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              R"({"frameCount":101,"frameStep":160,"objects":[)"
              R"({"id":1,"name":"Box01","kind":"mesh","parent":-1,"keyCount":0,"position":[1,2,3],"scale":[2,2,2],)"
              R"("rotation":[0,-1,0,0,1,0,0,0,0,0,1,0,0,0,0,1],)"
              R"("mesh":{"vertices":3,"faces":1,"uv0":3,"uv1":0,"materialId":3,"firstUv0":[0.25,-0.75]}},)"
              R"({"id":5,"name":"Camera01","kind":"camera","parent":-1,"keyCount":2,"position":[0,0,0],"scale":[1,1,1],)"
              R"("rotation":[1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1],)"
              R"("camera":{"fovDeg":45,"near":1,"far":2000,"target":7}},)"
              R"({"id":6,"name":"Spot01","kind":"light","parent":-1,"keyCount":0,"position":[0,0,0],"scale":[1,1,1],)"
              R"("rotation":[1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1],)"
              R"("light":{"glIndex":0,"cutoff":90,"exponent":0,"linearAttenuation":0.00999999978,"target":-1,)"
              R"("diffuse":[1,1,1,1],"ambient":[0.300000012,0.300000012,0.300000012,1]}},)"
              R"({"id":7,"name":"Target","kind":"node","parent":1,"keyCount":0,"position":[0,0,0],"scale":[1,1,1],)"
              R"("rotation":[1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1]}],)"
              R"("roots":[1],"materials":[{"id":3,"name":"Wood","shadeModel":1,"opacity":1,"shininess":64,)"
              R"("additive":false,"transparent":false,"textures":{"diffuse":"data/texturesCompressed/wood.dds",)"
              R"("second":null,"bump":null,"reflection":null}}],"geometryOrder":[1,7]})"
              "\n");
}

TEST_F(SceneFiles, DumpSceneWithoutAPathIsAUsageError) {
    ProgramResult r = runProgram(LUMORA_EXECUTABLE, {"--dump-scene"}, {"SDL_VIDEODRIVER=offscreen"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_CONTAINS(r.err, "--dump-scene needs a scene file");
}

TEST_F(SceneFiles, FrameCountFromTheHeader) {
    for (auto [last, expected] : {std::pair{16000, 101}, std::pair{100, 1}, std::pair{-480, 1}}) {
        LvgWriter w;
        w.header(0, last, 160);
        w.end();
        ProgramResult r = dump(w);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, R"({"frameCount":)" + std::to_string(expected) +
                             R"(,"frameStep":160,"objects":[],"roots":[],"materials":[],"geometryOrder":[]})"
                             "\n");
    }
}

TEST_F(SceneFiles, TexturesResolveByBaseNameFirstEntryOfATypeWinsMissingOnesAreReported) {
    writeFile("data/textures/stone.dds", tinyDds());  // found through the cache's own .dds try
    writePicture("data/textures/grass.png");
    writePicture("data/textures/other.png");
    LvgWriter w;
    w.header(0, 100, 10);
    w.materials({material(1, "Stone", {{"maps\\stone.jpg", 1}, {"other.png", 1}, {"sub\\dir\\grass.png", 7}}),
                 material(2, "Lost", {{"C:\\maps\\lost.png", 9}, {"grass.png", 3}}),
                 material(3, "Glow", {{"grass.png", 10}})});
    w.end();
    ProgramResult r = dump(w);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.out, R"({"id":1,"name":"Stone","shadeModel":5,)");
    EXPECT_CONTAINS(r.out, R"("textures":{"diffuse":"data/textures/stone.dds","second":"data/textures/grass.png",)");
    EXPECT_CONTAINS(r.out, R"({"id":2,"name":"Lost","shadeModel":0,)");
    EXPECT_CONTAINS(r.out, R"("additive":true,"transparent":true,"textures":{"diffuse":"data/textures/grass.png")");
    EXPECT_CONTAINS(r.err, "engine/SceneLoaderLVG.cpp:");
    EXPECT_CONTAINS(r.err, "Texture not found: C:\\maps\\lost.png\n");
    EXPECT_CONTAINS(r.err, "engine/Material.cpp:");
    EXPECT_CONTAINS(r.err, "Unsupported texture type\n");
}

TEST_F(SceneFiles, ParentsThatComeLaterAndUnboundMeshesShowInTheDump) {
    LvgWriter w;
    w.header(0, 100, 10);
    w.mesh(triangle("Early", 1, 2, 4));
    w.mesh(triangle("Parent", 2, -1, 4));
    w.bareNode({3, "Bare"});
    w.mesh(triangle("Late", 8, -1, 4));
    w.materials({material(4, "M")});
    w.end();
    ProgramResult r = dump(w);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_CONTAINS(r.err, "object Early could not find parent obj 2\n");
    EXPECT_CONTAINS(r.out, R"({"id":1,"name":"Early","kind":"mesh","parent":-1,)");
    EXPECT_CONTAINS(r.out, R"("mesh":{"vertices":3,"faces":1,"uv0":0,"uv1":0,"materialId":-1}})");
    EXPECT_CONTAINS(r.out, R"("roots":[2,3,8],)");
    EXPECT_CONTAINS(r.out, R"("geometryOrder":[2,8,1,3]})");
}

TEST_F(SceneFiles, MissingFilesOtherVersionsAndRefusedFilesGiveNoScene) {
    ProgramResult missing = dumpPath("data/scenes/none.lvg");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_CONTAINS(missing.err, "could not load scene: data/scenes/none.lvg\n");
    EXPECT_EQ(missing.out, "");

    std::vector<std::pair<std::string, LvgWriter>> refused;
    {
        LvgWriter w;
        w.header(0, 100, 10, 2);
        w.end();
        refused.push_back({"version 2", w});
    }
    {
        LvgWriter w;
        w.header(0, 100, 0);
        w.end();
        refused.push_back({"frame step 0", w});
    }
    {
        LvgWriter w;
        w.header(0, 100, 10);
        w.mesh(triangle("NoEnd", 1, -1, 1));
        refused.push_back({"no end chunk", w});
    }
    {
        LvgWriter w;
        w.header(0, 100, 10);
        w.rawChunkType(lvg::chunkBareNode);
        w.int32(1);
        w.int32(2000);
        w.end();
        refused.push_back({"string of 2000 bytes", w});
    }
    {
        LvgWriter w;
        w.header(0, 100, 10);
        w.rawChunkType(lvg::chunkBareNode);
        w.int32(1);
        w.int32(-1);
        w.end();
        refused.push_back({"negative string", w});
    }
    {
        LvgWriter w;
        w.header(0, 100, 10);
        w.rawChunkType(lvg::chunkMaterials);
        w.int32(1 << 30);
        w.end();
        refused.push_back({"material count beyond the file", w});
    }
    for (auto& [what, w] : refused) {
        ProgramResult r = dump(w);
        EXPECT_EQ(r.exitCode, 1) << what;
        EXPECT_CONTAINS(r.err, "launcher/AuthorCommands.cpp:");
        EXPECT_CONTAINS(r.err, "could not load scene: data/scenes/test.lvg\n");
        EXPECT_EQ(r.out, "") << what;
        // Under the sanitizers a refused file is a clean exit, not a finding.
        EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << what << ": " << r.err;
    }
}

TEST_F(SceneFiles, BrokenGeometryIsFatalShortNormalsAreFilled) {
    LvgWriter bad;
    bad.header(0, 100, 10);
    bad.materials({material(1, "M")});
    lvg::MeshRecord outside = triangle("Outside", 1, -1, 1);
    outside.faces = {{0, 1, 3}};
    bad.mesh(outside);
    bad.end();
    ProgramResult r = dump(bad);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_CONTAINS(r.err, "engine/MeshObject.cpp:");
    EXPECT_CONTAINS(r.err, "Geometry input is broken\n");

    LvgWriter shortNormals;
    shortNormals.header(0, 100, 10);
    shortNormals.materials({material(1, "M")});
    lvg::MeshRecord few = triangle("Few", 1, -1, 1);
    few.normals.resize(1);
    shortNormals.mesh(few);
    shortNormals.end();
    ProgramResult ok = dump(shortNormals);
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
}

TEST_F(SceneFiles, ChunkTypeTwoAndMapTypeSixAreAssertions) {
    LvgWriter chunk;
    chunk.header(0, 100, 10);
    chunk.rawChunkType(2);
    chunk.end();
    ProgramResult r = dump(chunk);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_CONTAINS(r.err, "engine/SceneLoaderLVG.cpp:");
    EXPECT_CONTAINS(r.err, " assertion failed\n");

    writePicture("data/textures/grass.png");
    LvgWriter six;
    six.header(0, 100, 10);
    six.materials({material(1, "Six", {{"grass.png", 6}})});
    six.end();
    ProgramResult s = dump(six);
    EXPECT_EQ(s.exitCode, 1);
    EXPECT_CONTAINS(s.err, "engine/Material.cpp:");
    EXPECT_CONTAINS(s.err, " assertion failed\n");

    // A missing texture of map type 6 is only "Texture not found".
    LvgWriter missingSix;
    missingSix.header(0, 100, 10);
    missingSix.materials({material(1, "Six", {{"gone.png", 6}})});
    missingSix.end();
    ProgramResult m = dump(missingSix);
    EXPECT_EQ(m.exitCode, 0) << m.err;
    EXPECT_CONTAINS(m.err, "Texture not found: gone.png\n");
}

TEST_F(SceneFiles, TheRegistryReturnsTheSameSceneForAPathAndKeepsNoFailure) {
    testgl::context();
    DataPack::usePlainDirectory(dir.c_str());
    const std::string path = "data/scenes/registry.lvg";
    EXPECT_EQ(SceneLoaderLVG::load(path, sceneCompressedTextureFolder, sceneTextureFolder), nullptr);
    EXPECT_EQ(SceneLoaderLVG::useCount(path), 0);

    LvgWriter w;
    w.header(0, 100, 10);
    w.bareNode({1, "Only"});
    w.end();
    writeFile(path, w.bytes());
    Scene* first = SceneLoaderLVG::load(path, sceneCompressedTextureFolder, sceneTextureFolder);
    ASSERT_NE(first, nullptr);
    // The file is not read again: a changed file leaves the registry's scene alone.
    writeFile(path, {});
    EXPECT_EQ(SceneLoaderLVG::load(path, sceneCompressedTextureFolder, sceneTextureFolder), first);
    EXPECT_EQ(SceneLoaderLVG::useCount(path), 2);
    EXPECT_EQ(first->findObject("Only")->id(), 1);
    DataPack::usePlainDirectory("");
}

}  // namespace
