// The model converter's pure parts: mesh cutting at the engine's index limit, the frame
// grid, the command line, world placements as the engine rebuilds them, the format's
// limits, the glTF skin check and picture recognition.
#include "tools/lvgconv/ConvertOptions.h"
#include "tools/lvgconv/EnginePlacement.h"
#include "tools/lvgconv/FormatLimits.h"
#include "tools/lvgconv/FrameGrid.h"
#include "tools/lvgconv/MeshPieces.h"
#include "tools/lvgconv/ModelImport.h"
#include "tools/lvgconv/NodeAnimation.h"
#include "tools/lvgconv/TextureExport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

namespace {

// A strip of n quads (2n triangles over 2n + 2 vertices), neighbours sharing an edge.
std::vector<std::array<uint32_t, 3>> strip(uint32_t quads) {
    std::vector<std::array<uint32_t, 3>> triangles;
    for (uint32_t i = 0; i < quads; ++i) {
        const uint32_t a = 2 * i;
        triangles.push_back({a, a + 1, a + 2});
        triangles.push_back({a + 1, a + 3, a + 2});
    }
    return triangles;
}

TEST(LvgconvPieces, AMeshThatFitsStaysWhole) {
    const auto triangles = strip(4);
    const auto pieces = splitIntoPieces(10, triangles);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].sourceVertex.size(), 10u);
    EXPECT_EQ(pieces[0].triangles.size(), 8u);
    EXPECT_EQ(pieces[0].triangles[1], (std::array<int32_t, 3>{1, 3, 2}));
}

TEST(LvgconvPieces, ALargeMeshIsCutIntoPiecesWithinTheLimitKeepingEveryTriangle) {
    const auto triangles = strip(50);  // 102 vertices
    const uint32_t limit = 16;
    const auto pieces = splitIntoPieces(102, triangles, limit);
    ASSERT_GT(pieces.size(), 1u);
    size_t total = 0;
    for (const MeshPiece& piece : pieces) {
        EXPECT_LE(piece.sourceVertex.size(), limit);
        for (const auto& t : piece.triangles) {
            for (int32_t index : t) ASSERT_LT(size_t(index), piece.sourceVertex.size());
            // Corners map back to the source triangle, in order.
            const std::array<uint32_t, 3> source{piece.sourceVertex[t[0]], piece.sourceVertex[t[1]],
                                                 piece.sourceVertex[t[2]]};
            EXPECT_EQ(source, triangles[total]);
            ++total;
        }
    }
    EXPECT_EQ(total, triangles.size());
}

TEST(LvgconvPieces, ExactlyTheEnginesLimitIsOnePiece) {
    const auto pieces = splitIntoPieces(maxPieceVertices, {{0, 1, maxPieceVertices - 1}});
    EXPECT_EQ(pieces.size(), 1u);
    const auto cut = splitIntoPieces(maxPieceVertices + 1, {{0, 1, 2}, {3, 4, maxPieceVertices}});
    ASSERT_EQ(cut.size(), 1u);  // only the vertices the triangles use are taken
    EXPECT_EQ(cut[0].sourceVertex, (std::vector<uint32_t>{0, 1, 2, 3, 4, maxPieceVertices}));
}

TEST(LvgconvFrames, OneKeyPerFrameOverTheLengthWithTheEndSampled) {
    FrameGrid grid;
    ASSERT_TRUE(makeFrameGrid(2.0, 25, 40, grid));
    EXPECT_EQ(grid.frameCount, 51);
    EXPECT_EQ(grid.lastFrame(), 2000);
    EXPECT_DOUBLE_EQ(grid.secondsAt(50), 2.0);
    ASSERT_TRUE(makeFrameGrid(2.0, 20, 50, grid));
    EXPECT_EQ(grid.frameCount, 41);
    // A length between frames gets one more frame, which shows the end pose.
    ASSERT_TRUE(makeFrameGrid(2.01, 25, 40, grid));
    EXPECT_EQ(grid.frameCount, 52);
    EXPECT_DOUBLE_EQ(grid.secondsAt(51), 2.01);
    EXPECT_DOUBLE_EQ(grid.secondsAt(50), 2.0);
}

TEST(LvgconvFrames, NoAnimationIsOneFrameAndAnEndlessOneIsRefused) {
    FrameGrid grid;
    ASSERT_TRUE(makeFrameGrid(0, 25, 40, grid));
    EXPECT_EQ(grid.frameCount, 1);
    EXPECT_EQ(grid.lastFrame(), 0);
    EXPECT_FALSE(makeFrameGrid(1e9, 25, 40, grid));
}

TEST(LvgconvOptions, FrameStepAndRateGoTogether) {
    ConvertOptions o;
    std::string message;
    ASSERT_TRUE(parseConvertArguments({"in.glb", "out/scene.lvg"}, o, message)) << message;
    EXPECT_EQ(o.frameStep, 40);  // milliseconds: the pace of a Scene effect at Speed 5
    EXPECT_EQ(o.framesPerSecond, 25);
    EXPECT_EQ(o.textureDirectory, "out");
    o = {};
    ASSERT_TRUE(parseConvertArguments({"in.glb", "s.lvg", "--frame-step", "50"}, o, message));
    EXPECT_EQ(o.framesPerSecond, 20);
    EXPECT_EQ(o.textureDirectory, ".");
    o = {};
    ASSERT_TRUE(parseConvertArguments({"--fps", "30", "in.glb", "s.lvg", "--scale", "0.01", "--texture-dir", "t"}, o, message));
    EXPECT_EQ(o.frameStep, 33);
    EXPECT_FLOAT_EQ(o.scale, 0.01f);
    EXPECT_EQ(o.textureDirectory, "t");
    o = {};
    ASSERT_TRUE(parseConvertArguments({"in.glb", "s.lvg", "--fps", "30", "--frame-step", "160"}, o, message));
    EXPECT_EQ(o.frameStep, 160);
    EXPECT_EQ(o.framesPerSecond, 30);
}

TEST(LvgconvOptions, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> bad = {
        {"in.glb"}, {"in.glb", "a.lvg", "b.lvg"}, {"in.glb", "a.lvg", "--fps"}, {"in.glb", "a.lvg", "--fps", "0"},
        {"in.glb", "a.lvg", "--frame-step", "2.5"}, {"in.glb", "a.lvg", "--scale", "-1"},
        {"in.glb", "a.lvg", "--scale", "nan"}, {"in.glb", "a.lvg", "--colour", "red"},
    };
    for (const auto& arguments : bad) {
        ConvertOptions o;
        std::string message;
        EXPECT_FALSE(parseConvertArguments(arguments, o, message)) << arguments.back();
        EXPECT_FALSE(message.empty());
    }
}

// Row-major Assimp matrix from the engine's column-major one, to compare.
void expectSameMatrix(const aiMatrix4x4& world, const Matrix4& engine) {
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_NEAR(world[row][column], engine[column * 4 + row], 1e-4f) << row << "," << column;
        }
    }
}

TEST(LvgconvPlacement, TheEngineRebuildsTheWorldMatrixFromWhatIsWritten) {
    const aiVector3D axes[] = {{0, 1, 0}, {1, 0, 0}, {0.3f, -0.5f, 0.8f}};
    for (aiVector3D axis : axes) {
        for (float angle : {0.4f, 1.9f, -2.8f}) {
            const aiQuaternion q(axis.NormalizeSafe(), angle);
            const aiMatrix4x4 world = composedTransform(aiVector3D(2, 3, 0.5f), q, aiVector3D(-4, 1, 7));
            const EnginePlacement p = placementOf(world);
            EXPECT_TRUE(p.exact);
            // The engine's own matrix of the stored quaternion, translate × rotate × scale.
            Matrix4 engine = math3d::rotationMatrix(p.storedRotation);
            const float s[3] = {p.scale.x, p.scale.y, p.scale.z};
            for (int c = 0; c < 3; ++c) {
                for (int r = 0; r < 3; ++r) engine[c * 4 + r] *= s[c];
            }
            engine[12] = p.position.x;
            engine[13] = p.position.y;
            engine[14] = p.position.z;
            expectSameMatrix(world, engine);
        }
    }
}

TEST(LvgconvPlacement, AShearedPlacementIsFlagged) {
    aiMatrix4x4 scaled, turned;
    aiMatrix4x4::Scaling(aiVector3D(3, 1, 1), scaled);
    aiMatrix4x4::RotationZ(0.7f, turned);
    EXPECT_FALSE(placementOf(scaled * turned).exact);
    EXPECT_TRUE(placementOf(turned * scaled).exact);
}

TEST(LvgconvPlacement, AnimatedNodesComposeTranslationRotationScale) {
    const aiQuaternion q(aiVector3D(0, 0, 1), 1.5707964f);
    const aiMatrix4x4 m = composedTransform(aiVector3D(2, 1, 1), q, aiVector3D(5, 0, 0));
    // The x axis is scaled first, then turned onto y, then moved.
    const aiVector3D tip = m * aiVector3D(1, 0, 0);
    EXPECT_NEAR(tip.x, 5, 1e-5f);
    EXPECT_NEAR(tip.y, 2, 1e-5f);
}

TEST(LvgconvLimits, TextsOverTheReadersBufferAreReportedBeforeWriting) {
    std::vector<lvg::Record> records;
    lvg::DummyRecord fine;
    fine.node.name = std::string(1999, 'a');
    records.push_back(fine);
    EXPECT_EQ(firstLimitProblem(records), "");
    lvg::MaterialRecord material;
    material.name = "wood";
    material.textures.push_back({std::string(2000, 'b') + ".png", 1});
    records.push_back(material);
    EXPECT_NE(firstLimitProblem(records).find("is 2004 bytes long; a scene file holds at most 1999"), std::string::npos);
    records.pop_back();
    lvg::MeshRecord mesh;
    mesh.node.name = "big";
    mesh.vertices.resize(65537);
    records.push_back(mesh);
    EXPECT_NE(firstLimitProblem(records).find("mesh 'big' has 65537 vertices"), std::string::npos);
}

TEST(LvgconvGltfCheck, FindsASkinWithoutInverseBindMatrices) {
    EXPECT_TRUE(gltfHasSkinWithoutInverseBindMatrices(R"({"asset":{"version":"2.0"},"skins":[{"joints":[1,2]}]})"));
    EXPECT_TRUE(gltfHasSkinWithoutInverseBindMatrices(
        R"({"skins":[{"joints":[1],"inverseBindMatrices":4},{"name":"b","joints":[2]}]})"));
    EXPECT_FALSE(gltfHasSkinWithoutInverseBindMatrices(R"({"skins":[{"joints":[1],"inverseBindMatrices":4}]})"));
    EXPECT_FALSE(gltfHasSkinWithoutInverseBindMatrices(R"({"nodes":[{"name":"skins"}],"meshes":[]})"));
    // Keys and braces inside strings and nested values are not mistaken for structure.
    EXPECT_FALSE(gltfHasSkinWithoutInverseBindMatrices(
        R"({"extras":{"note":"\"skins\":[{}] }{","skins":[]},"skins":[{"name":"x}","inverseBindMatrices":0,"extras":{"a":[{}]}}]})"));
    EXPECT_FALSE(gltfHasSkinWithoutInverseBindMatrices("not json"));
    EXPECT_FALSE(gltfHasSkinWithoutInverseBindMatrices(R"({"skins":[{"joints":[1)"));
}

TEST(LvgconvPictures, KindsAreToldByTheirBytes) {
    const unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0};
    const unsigned char jpeg[] = {0xff, 0xd8, 0xff, 0xe0};
    const unsigned char dds[] = {'D', 'D', 'S', ' ', 124};
    const unsigned char tga[] = {0, 0, 2, 0, 0};
    EXPECT_EQ(picturebytes::kindOf(png, sizeof png), picturebytes::Kind::Png);
    EXPECT_EQ(picturebytes::kindOf(jpeg, sizeof jpeg), picturebytes::Kind::Jpeg);
    EXPECT_EQ(picturebytes::kindOf(dds, sizeof dds), picturebytes::Kind::Dds);
    EXPECT_EQ(picturebytes::kindOf(tga, sizeof tga), picturebytes::Kind::Other);
    EXPECT_EQ(picturebytes::kindOf(png, 4), picturebytes::Kind::Other);
}

TEST(LvgconvPictures, OnlyEightBitColourPngsAreKeptAsTheyAre) {
    auto header = [](unsigned char depth, unsigned char colourType) {
        std::vector<unsigned char> h = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                        0, 0, 0, 4, 0, 0, 0, 4, depth, colourType, 0, 0, 0};
        return h;
    };
    for (const auto& [depth, type, kept] : {std::tuple{8, 2, true}, {8, 6, true}, {8, 3, false}, {8, 0, false},
                                           {16, 6, false}, {8, 4, false}}) {
        const auto h = header(depth, type);
        EXPECT_EQ(picturebytes::engineReadsPng(h.data(), h.size()), kept) << depth << " " << type;
    }
}

}  // namespace
