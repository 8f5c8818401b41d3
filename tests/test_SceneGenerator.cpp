// lvgen, the scene generator: what it writes is what the reader expects (read back with
// the parser and through `lumora --dump-scene`), every shipped scene loads from the built
// pack without a report, two runs give the same bytes, and bad descriptions are refused
// with a message.
#include "engine/LVGParser.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string binaryDir = LUMORA_BINARY_DIR;
const std::string lvgenTool = binaryDir + "/tools/lvgen/lvgen";
const std::string sceneSources = std::string(LUMORA_SOURCE_DIR) + "/data/scenes";
const std::vector<std::string> environment = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> shippedScenes() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(sceneSources)) {
        if (entry.path().extension() == ".scene") names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Relative file names and contents of every file under root.
std::map<std::string, std::string> filesUnder(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = readFile(entry.path().string());
    }
    return files;
}

#define EXPECT_CONTAINS(haystack, needle) \
    EXPECT_NE((haystack).find(needle), std::string::npos) << "missing: " << (needle) << "\nin: " << (haystack)

class SceneGenerator : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(lvgenTool)) GTEST_SKIP() << lvgenTool << " is not built";
        dir = makeTempDirectory("lvgen");
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }
    ProgramResult generate(const std::string& description, const std::string& name = "probe") {
        const std::string source = dir + "/" + name + ".scene";
        writeFile(source, description);
        return runProgram(lvgenTool, {"--out", dir + "/out", source});
    }
    std::string dir;
};

const char* const probe = R"(# every kind once
frames 0 1600 160
texture data/texturesCompressed/stone.dds checker 16 2 1 1 1 0 0 0
texture data/textures/env.png sky 8 0 0 1 1 1 1
material 2 Stone map 1 maps\stone.tga map 9 env.png
mesh 1 Plate plane 2 2 1 material 2 at 0 1 0 turn 0 0 1 90
dummy 3 Pivot at 5 0 0
mesh 4 Ball sphere 1 8 4 material 2 parent 3 at 0 2 0 spin 0 1 0 1
bare 5 Empty
light 6 Spot01 spot at 0 10 0 target 3 cutoff 30
light 7 Omni01 omni at 0 10 10
camera 8 Camera01 at 0 0 20 fov 45 target 1 move 0 0 -10
)";

TEST_F(SceneGenerator, WritesWhatTheReaderExpects) {
    ProgramResult r = generate(probe);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string bytes = readFile(dir + "/out/data/scenes/probe.lvg");
    lvg::File file;
    lvg::ParseFailure failure;
    ASSERT_TRUE(lvg::parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), file, failure))
        << lvg::failureName(failure.kind);
    EXPECT_EQ(file.frameCount, 11);

    const auto& plate = std::get<lvg::MeshRecord>(file.records[0]);
    // Stored quaternion: the reader's placement turns x toward +y, a quarter turn about z.
    Matrix4 m = math3d::rotationMatrix(plate.node.rotation);
    EXPECT_NEAR(m[0], 0, 1e-6f);
    EXPECT_NEAR(m[1], 1, 1e-6f);
    // A plane's far-left corner has uv (0, 1), stored as it is (the reader flips v).
    ASSERT_EQ(plate.uvChannel0.size(), 4u);
    EXPECT_FLOAT_EQ(plate.uvChannel0[2].y, 1.0f);
    EXPECT_EQ(plate.normals.size(), plate.vertices.size());

    const auto& ball = std::get<lvg::MeshRecord>(file.records[2]);
    EXPECT_EQ(ball.node.parentId, 3);
    EXPECT_FLOAT_EQ(ball.node.position.x, 5);  // world position: the parent's plus its own
    EXPECT_FLOAT_EQ(ball.node.position.y, 2);
    EXPECT_EQ(ball.node.rotationKeys.size(), 11u);  // one sample per frame
    EXPECT_TRUE(ball.node.positionKeys.empty());

    const auto& camera = std::get<lvg::CameraRecord>(file.records[6]);
    EXPECT_NEAR(math3d::verticalFovDegrees(camera.fov), 45, 1e-4f);
    EXPECT_FLOAT_EQ(camera.node.positionKeys.back().z, 10);
    EXPECT_EQ(camera.targetId, 1);
    EXPECT_EQ(std::get<lvg::LightRecord>(file.records[4]).targetId, 3);
    EXPECT_EQ(std::get<lvg::LightRecord>(file.records[5]).lightType, 0);

    // Through the program: the textures it drew are the ones the materials find.
    ProgramResult dump = runProgram(LUMORA_EXECUTABLE, {"--dump-scene", "data/scenes/probe.lvg", "--data", dir + "/out"},
                                    environment);
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    EXPECT_EQ(dump.err, "");
    EXPECT_CONTAINS(dump.out, R"("roots":[1,3,5],)");
    EXPECT_CONTAINS(dump.out, R"({"id":4,"name":"Ball","kind":"mesh","parent":3,"keyCount":11,)");
    EXPECT_CONTAINS(dump.out, R"("camera":{"fovDeg":45,"near":1,"far":2000,"target":1})");
    EXPECT_CONTAINS(dump.out, R"("light":{"glIndex":0,"cutoff":30,)");
    EXPECT_CONTAINS(dump.out, R"("target":3,)");
    EXPECT_CONTAINS(dump.out, R"("shadeModel":4,)");
    EXPECT_CONTAINS(dump.out, R"("diffuse":"data/texturesCompressed/stone.dds",)");
    EXPECT_CONTAINS(dump.out, R"("reflection":"data/textures/env.png")");
}

TEST_F(SceneGenerator, EveryShippedSceneLoadsFromTheBuiltPackWithoutAReport) {
    if (!fs::exists(binaryDir + "/data.lvp")) GTEST_SKIP() << "the demo data is not built here";
    const std::vector<std::string> scenes = shippedScenes();
    EXPECT_GE(scenes.size(), 3u);
    for (const std::string& name : scenes) {
        ProgramResult r = runProgram(LUMORA_EXECUTABLE, {"--dump-scene", "data/scenes/" + name + ".lvg"}, environment);
        EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
        EXPECT_EQ(r.err, "") << name;
        EXPECT_CONTAINS(r.out, R"("name":"Spot01","kind":"light")");
        EXPECT_CONTAINS(r.out, R"("name":"Omni01","kind":"light")");
        EXPECT_CONTAINS(r.out, R"("kind":"camera")");
        EXPECT_EQ(r.out.find(R"("materialId":-1)"), std::string::npos) << name << ": a mesh without its material";
    }
}

TEST_F(SceneGenerator, TwoRunsAndTheBuildGiveTheSameBytes) {
    std::vector<std::string> arguments = {"--out", ""};
    for (const std::string& name : shippedScenes()) arguments.push_back(sceneSources + "/" + name + ".scene");
    arguments[1] = dir + "/a";
    ASSERT_EQ(runProgram(lvgenTool, arguments).exitCode, 0);
    arguments[1] = dir + "/b";
    ASSERT_EQ(runProgram(lvgenTool, arguments).exitCode, 0);
    const auto first = filesUnder(dir + "/a");
    EXPECT_GE(first.size(), 6u);
    EXPECT_TRUE(first == filesUnder(dir + "/b"));
    const std::string staged = binaryDir + "/data-stage/data/scenes";
    if (fs::exists(staged)) {
        for (const auto& [name, bytes] : filesUnder(dir + "/a/data/scenes")) {
            EXPECT_TRUE(bytes == readFile(staged + "/" + name)) << name << " differs from the build's";
        }
    }
}

TEST_F(SceneGenerator, RefusesDescriptionsTheReaderWouldMisread) {
    struct Case {
        const char* body;
        const char* message;
    };
    const Case cases[] = {
        {"mesh 1 Child box 1 1 1 material 1 parent 2\nmesh 2 Parent box 1 1 1 material 1\nmaterial 1 M\n",
         "probe.scene:2: parent 2 is not defined earlier"},
        {"dummy 0 Zero\n", "probe.scene:2: object ids 0 and -1 are reserved"},
        {"dummy 4 A\ndummy 4 B\n", "probe.scene:3: object id 4 is used twice"},
        {"camera 1 Blind at 0 0 5\n", "probe.scene:2: a camera needs a target"},
        {"light 1 Spot01 spot at 0 1 0\n", "probe.scene:2: a spot or directed light needs a target"},
        {"light 1 Omni01 omni target 1\n", "probe.scene:2: only spot and directed lights take a target"},
        {"camera 1 C target 9\n", "probe.scene:2: target 9 is no object of this scene"},
        {"mesh 1 M box 1 1 1 material 3\n", "probe.scene:2: material 3 is not defined"},
        {"mesh 1 M box 1 one 1 material 3\n", "probe.scene:2: 'one' is not a number"},
        {"material 1 M map 1 noextension\n", "probe.scene:2: a texture name needs an extension"},
        {"wobble 1\n", "probe.scene:2: unknown statement 'wobble'"},
    };
    for (const Case& c : cases) {
        ProgramResult r = generate(std::string("frames 0 160 160\n") + c.body);
        EXPECT_EQ(r.exitCode, 1) << c.body;
        EXPECT_CONTAINS(r.err, c.message);
    }
    ProgramResult noFrames = generate("dummy 1 D\n");
    EXPECT_EQ(noFrames.exitCode, 1);
    EXPECT_CONTAINS(noFrames.err, "the first statement must be 'frames FIRST LAST STEP'");
    EXPECT_EQ(runProgram(lvgenTool, {"--out"}).exitCode, 2);
}

}  // namespace
