// The scene data the reader builds, without textures and so without GL: the hierarchy and
// its messages, the geometry order, targets, lights and cameras as the file's rules set
// them, uv sets, tracks, and the material's shade model from its slots.
#include "engine/LVGParser.h"
#include "engine/MeshObject.h"
#include "engine/Scene.h"
#include "engine/SceneLoaderLVG.h"
#include "resources/Texture.h"
#include "tests/support/SceneRecords.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using testscene::node;
using testscene::triangle;

lvg::MaterialRecord plainMaterial(int32_t id, const std::string& name) {
    lvg::MaterialRecord m;
    m.id = id;
    m.name = name;
    return m;
}

std::unique_ptr<Scene> build(std::vector<lvg::Record> records) {
    lvg::File file;
    file.frameStep = 160;
    file.frameCount = 101;
    file.records = std::move(records);
    return SceneLoaderLVG("data/texturesCompressed/", "data/textures/").build(file);
}

std::vector<int32_t> ids(const std::vector<SceneObject*>& objects) {
    std::vector<int32_t> out;
    for (const SceneObject* o : objects) out.push_back(o->id());
    return out;
}

std::vector<int32_t> chainIds(const SceneObject* first) {
    std::vector<int32_t> out;
    for (; first; first = first->nextSibling()) out.push_back(first->id());
    return out;
}

TEST(SceneData, ParentsMustComeEarlierAnOrphanStaysUnattachedAndUnbound) {
    testing::internal::CaptureStderr();
    auto scene = build({plainMaterial(1, "M"), triangle("Child", 5, 9, 1), triangle("Root", 9, -1, 1),
                        triangle("Kid", 6, 9, 1), lvg::DummyRecord{node("Grandkid", 7, 6)}});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("engine/Scene.cpp:"), std::string::npos) << err;
    EXPECT_NE(err.find("object Child could not find parent obj 9"), std::string::npos) << err;

    MeshObject* child = static_cast<MeshObject*>(scene->findObject("Child"));
    EXPECT_EQ(child->parent(), nullptr);
    EXPECT_EQ(child->material(), nullptr);  // in no chain, so never bound
    EXPECT_FALSE(child->built());
    EXPECT_EQ(chainIds(scene->firstRoot()), (std::vector<int32_t>{9}));
    const SceneObject* root = scene->findObject("Root");
    EXPECT_EQ(chainIds(root->firstChild()), (std::vector<int32_t>{6}));
    EXPECT_EQ(root->firstChild()->firstChild()->id(), 7);
    EXPECT_EQ(root->firstChild()->firstChild()->parent(), root->firstChild());
    EXPECT_TRUE(static_cast<MeshObject*>(scene->findObject("Kid"))->built());
}

TEST(SceneData, AnObjectNamingItsOwnIdAsParentFindsNoParent) {
    testing::internal::CaptureStderr();
    auto scene = build({lvg::DummyRecord{node("Self", 4, 4)}});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("object Self could not find parent obj 4"),
              std::string::npos);
    EXPECT_EQ(scene->findObject("Self")->firstChild(), nullptr);
}

TEST(SceneData, LongChainsLinkInFileOrderAndWalkParentsBeforeChildren) {
    // Deep and long hierarchies: a file can hold a great many nodes, and neither linking
    // nor walking them may recurse or rescan the chain.
    std::vector<lvg::Record> records;
    records.push_back(lvg::DummyRecord{node("Parent", 1, -1)});
    const int32_t count = 5000;
    for (int32_t i = 0; i < count; ++i) records.push_back(lvg::DummyRecord{node("Child", 10 + i, 1)});
    for (int32_t i = 0; i < count; ++i) records.push_back(lvg::BareNodeRecord{100000 + i, "Root"});
    int32_t parentId = 1;
    for (int32_t i = 0; i < count; ++i) {
        records.push_back(lvg::DummyRecord{node("Deep", 200000 + i, parentId)});
        parentId = 200000 + i;
    }
    auto scene = build(std::move(records));
    std::vector<int32_t> visited;
    Scene::walk(scene->firstRoot(), true, [&](SceneObject& o) { visited.push_back(o.id()); });
    ASSERT_EQ(visited.size(), size_t(3 * count + 1));
    EXPECT_EQ(visited[0], 1);
    EXPECT_EQ(visited[1], 10);
    EXPECT_EQ(visited[2], 11);
    EXPECT_EQ(visited[size_t(count)], 10 + count - 1);
    EXPECT_EQ(visited[size_t(count) + 1], 200000);  // the deep chain: the parent's last child
    EXPECT_EQ(visited[size_t(2 * count)], 200000 + count - 1);
    EXPECT_EQ(visited[size_t(2 * count) + 1], 100000);
    EXPECT_EQ(visited.back(), 100000 + count - 1);
    const SceneObject* last = scene->findObject("Parent")->firstChild();
    while (last->nextSibling()) last = last->nextSibling();
    EXPECT_EQ(last->previousSibling()->nextSibling(), last);
    EXPECT_EQ(last->parent()->id(), 1);
}

TEST(SceneData, BareNodesAreAlwaysRootsAndTheRootChainKeepsFileOrder) {
    auto scene = build({lvg::DummyRecord{node("A", 1, -1)}, lvg::BareNodeRecord{2, "Bare"},
                        lvg::DummyRecord{node("B", 3, 1)}, lvg::BareNodeRecord{4, "Bare2"}});
    EXPECT_EQ(chainIds(scene->firstRoot()), (std::vector<int32_t>{1, 2, 4}));
    EXPECT_EQ(chainIds(scene->findObject("A")->firstChild()), (std::vector<int32_t>{3}));
    const SceneObject* bare = scene->findObject("Bare");
    EXPECT_FALSE(bare->animated());
    EXPECT_EQ(bare->scale.x, 1);
}

TEST(SceneData, GeometryIsSortedByMaterialIdWithMateriallessObjectsLast) {
    testing::internal::CaptureStderr();
    auto scene = build({triangle("M7a", 1, -1, 7), lvg::DummyRecord{node("Dummy", 2, -1)},
                        triangle("M2", 3, -1, 2), triangle("Orphan", 4, 99, 2), triangle("M7b", 5, -1, 7),
                        plainMaterial(7, "Seven"), plainMaterial(2, "Two")});
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ids(scene->geometry()), (std::vector<int32_t>{3, 1, 5, 2, 4}));
    EXPECT_EQ(scene->material(7)->name(), "Seven");  // material ids refer forward
}

TEST(SceneData, CameraAndLightTargetsLinkAfterLoadingLightTargetZeroLinksNothing) {
    lvg::CameraRecord camera;
    camera.node = node("Camera01", 10, -1);
    camera.targetId = 0;
    camera.fov = 0.5f;
    lvg::LightRecord zero;
    zero.node = node("Zero", 11, -1);
    zero.lightType = 1;
    zero.targetId = 0;
    lvg::LightRecord spot = zero;
    spot.node = node("Spot01", 12, -1);
    spot.targetId = 30;  // refers forward
    lvg::LightRecord omni = zero;
    omni.node = node("Omni01", 13, -1);
    omni.lightType = 0;
    omni.targetId = 30;  // a point light keeps no target
    auto scene = build({camera, zero, spot, omni, lvg::BareNodeRecord{0, "Origin"}, lvg::BareNodeRecord{30, "Aim"}});

    EXPECT_EQ(scene->cameras()[0]->target, scene->findObject("Origin"));
    EXPECT_EQ(scene->findLight("Zero")->target, nullptr);
    EXPECT_EQ(scene->findLight("Spot01")->target, scene->findObject("Aim"));
    EXPECT_EQ(scene->findLight("Omni01")->targetId, -1);
    EXPECT_EQ(scene->findLight("Omni01")->target, nullptr);
    EXPECT_EQ(scene->findLight("Omni01")->glIndex, 2);
    // Cameras and lights without a parent are in no chain.
    EXPECT_EQ(chainIds(scene->firstRoot()), (std::vector<int32_t>{0, 30}));
}

TEST(SceneData, LightRulesTakeTheConeOnlyForSpotsAndLimitIt) {
    struct Case {
        int32_t type;
        float cutoff, exponent;
        float expectedCutoff, expectedExponent;
    };
    const Case cases[] = {
        {0, 45, 10, 180, 0},  {2, 120, 10, 90, 10},  {1, 180, 200, 180, 128}, {2, -5, -1, 0, 0},
        {3, 45, 10, 180, 0},  {1, 90, 0, 90, 0},     {7, 30, 5, 180, 0},
    };
    for (const Case& c : cases) {
        lvg::LightRecord l;
        l.node = node("L", 1, -1);
        l.lightType = c.type;
        l.spotCutoff = c.cutoff;
        l.spotExponent = c.exponent;
        l.colour = {0.5f, 1, 0};
        l.multiplier = 2;
        l.attenuationRange = 200;
        auto scene = build({l});
        const Light* light = scene->lights()[0];
        EXPECT_EQ(light->spotCutoff, c.expectedCutoff) << "type " << c.type << " cutoff " << c.cutoff;
        EXPECT_EQ(light->spotExponent, c.expectedExponent) << "type " << c.type;
        EXPECT_FLOAT_EQ(light->linearAttenuation, 0.01f);
        EXPECT_FLOAT_EQ(light->diffuse.r, 1);
        EXPECT_FLOAT_EQ(light->diffuse.g, 2);
        EXPECT_FLOAT_EQ(light->ambient.g, 0.6f);
        EXPECT_FLOAT_EQ(light->ambient.a, 1);
    }
    lvg::LightRecord none;
    none.node = node("NoRange", 1, -1);
    none.attenuationRange = -3;
    EXPECT_EQ(build({none})->lights()[0]->linearAttenuation, 0);
    EXPECT_EQ(Light::limitCutoff(std::numeric_limits<float>::quiet_NaN()), 180);
    EXPECT_EQ(Light::limitExponent(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(SceneData, CameraTakesTheVerticalFovFromTheHorizontalWithTheFormatsConstant) {
    lvg::CameraRecord c;
    c.node = node("Camera01", 1, -1);
    c.fov = 1.0f;
    c.nearClip = 3;
    c.farClip = 900;
    auto scene = build({c});
    const Camera* camera = scene->cameras()[0];
    EXPECT_FLOAT_EQ(camera->fov, float(2 * std::atan(0.7500188f * std::tan(0.5f)) * 180 / 3.14159265358979));
    EXPECT_FLOAT_EQ(camera->nearClip, 3);
    EXPECT_FLOAT_EQ(camera->aspect, 1.333f);
}

TEST(SceneData, UvSetsAreFlippedAndChannelTwoReplacesChannelOne) {
    lvg::MeshRecord m = triangle("Uv", 1, -1, 1);
    m.uvChannel0 = {{0.25f, 0.75f}, {1, 0}, {0, 1}};
    m.uvChannel1 = {{9, 9}, {9, 9}, {9, 9}};
    m.uvChannel2 = {{0.5f, 0.125f}, {0, 0}, {1, 1}};
    lvg::MeshRecord onlyOne = triangle("OnlyOne", 2, -1, 1);
    onlyOne.uvChannel1 = {{0.5f, 0.5f}, {0, 0}, {1, 1}};
    auto scene = build({plainMaterial(1, "M"), m, onlyOne});
    const auto* mesh = static_cast<MeshObject*>(scene->findObject("Uv"));
    EXPECT_FLOAT_EQ(mesh->uvSet0[0].x, 0.25f);
    EXPECT_FLOAT_EQ(mesh->uvSet0[0].y, -0.75f);
    EXPECT_FLOAT_EQ(mesh->uvSet1[0].y, -0.125f);
    EXPECT_FLOAT_EQ(static_cast<MeshObject*>(scene->findObject("OnlyOne"))->uvSet1[0].y, -0.5f);
}

TEST(SceneData, MissingNormalsPointAlongZAndTheGeometryIsFlattened) {
    lvg::MeshRecord m = triangle("Short", 1, -1, 1);
    m.normals = {{1, 0, 0}};
    m.colours = {{0.5f, 0.5f, 0.5f}};
    auto scene = build({plainMaterial(1, "M"), m});
    const auto* mesh = static_cast<MeshObject*>(scene->findObject("Short"));
    ASSERT_TRUE(mesh->built());
    EXPECT_EQ(mesh->normalArray, (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(mesh->positionArray.size(), 9u);
    EXPECT_EQ(mesh->indexArray, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_TRUE(mesh->uv0Array.empty());  // no uv set
    EXPECT_EQ(mesh->colours[0].a, 1);
}

TEST(SceneData, TracksKeepTheirOwnLengthsAndTheLastNonEmptyCount) {
    lvg::DummyRecord d{node("D", 1, -1)};
    d.node.positionKeys = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    d.node.rotationKeys = {{0, 0, 0, 1}, {0, 0, 0, 1}};
    d.node.rotation = {0, 0, 1, 1};
    auto scene = build({d});
    const SceneObject* o = scene->findObject("D");
    EXPECT_TRUE(o->animated());
    EXPECT_EQ(o->keyCount(), 2);  // rotation is the last non-empty track
    EXPECT_EQ(o->positionKeys().size(), 3u);
    EXPECT_EQ(o->frameStep, 160);
    EXPECT_NEAR(o->rotation[1], -1, 1e-6f);
    // Every track is limited by its own size as well as by the one count.
    EXPECT_EQ(SceneObject::trackIndex(5, 3, 2), 1);
    EXPECT_EQ(SceneObject::trackIndex(5, 2, 3), 1);
    EXPECT_EQ(SceneObject::trackIndex(-3, 2, 3), 0);
    EXPECT_EQ(SceneObject::trackIndex(0, 2, 0), -1);
}

TEST(SceneData, MaterialFinishChoosesTheShadeModelFromTheFilledSlots) {
    Texture d(0, 0, false), r(0, 0, false), s(0, 0, false), b(0, 0, false);
    struct Case {
        Texture *diffuse, *reflection, *second, *bump;
        int32_t model;
        bool uv0, uv1, generated, lighting;
    };
    const Case cases[] = {
        {&d, &r, nullptr, nullptr, 4, true, false, true, true},
        {&d, nullptr, &s, nullptr, 5, true, true, false, false},
        {nullptr, nullptr, &s, nullptr, 6, false, true, false, false},
        {&d, nullptr, nullptr, &b, 1, true, false, false, true},
        {nullptr, &r, nullptr, &b, 8, true, false, true, false},
        {nullptr, &r, nullptr, nullptr, 2, false, false, true, true},
        {nullptr, nullptr, nullptr, &b, 0, false, false, false, true},
    };
    for (const Case& c : cases) {
        Material m(1, "M");
        m.diffuseTexture = c.diffuse;
        m.reflectionTexture = c.reflection;
        m.secondTexture = c.second;
        m.bumpTexture = c.bump;
        m.finish();
        EXPECT_EQ(m.shadeModel, c.model);
        EXPECT_EQ(m.usesUv0, c.uv0) << c.model;
        EXPECT_EQ(m.usesUv1, c.uv1) << c.model;
        EXPECT_EQ(m.usesGeneratedUv, c.generated) << c.model;
        EXPECT_EQ(m.usesLighting, c.lighting) << c.model;
    }
    Material additive(2, "Glow");
    EXPECT_TRUE(additive.setTextureForMapType(10, &d));
    EXPECT_TRUE(additive.additive());
    EXPECT_TRUE(additive.transparent());
    Material faded(3, "Faded");
    faded.setOpacity(0.5f);
    EXPECT_TRUE(faded.transparent());
    EXPECT_FALSE(faded.additive());
}

TEST(SceneData, UnsupportedMapTypesAreReportedAndSkippedMapTypeSixIsAnAssertion) {
    Texture t(0, 0, false);
    Material m(1, "M");
    for (int32_t type : {0, 2, 3, 4, 5, 11}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(m.setTextureForMapType(type, &t));
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Unsupported texture type"), std::string::npos);
    }
    EXPECT_EQ(m.diffuseTexture, nullptr);
    EXPECT_EXIT(m.setTextureForMapType(6, &t), testing::ExitedWithCode(1),
                "engine/Material.cpp:[0-9]+ assertion failed");
}

TEST(SceneData, BrokenGeometryEndsTheProgram) {
    auto withFaces = [](std::vector<std::array<int32_t, 3>> faces) {
        lvg::MeshRecord m = triangle("Broken", 1, -1, 1);
        m.faces = std::move(faces);
        return m;
    };
    EXPECT_EXIT(build({plainMaterial(1, "M"), withFaces({{0, 1, 3}})}), testing::ExitedWithCode(1),
                "Geometry input is broken");
    EXPECT_EXIT(build({plainMaterial(1, "M"), withFaces({{-1, 1, 2}})}), testing::ExitedWithCode(1),
                "Geometry input is broken");
    lvg::MeshRecord shortUv = triangle("ShortUv", 1, -1, 1);
    shortUv.uvChannel0 = {{0, 0}};
    EXPECT_EXIT(build({plainMaterial(1, "M"), shortUv}), testing::ExitedWithCode(1), "Geometry input is broken");
    EXPECT_EXIT(build({triangle("Lonely", 1, -1, 5)}), testing::ExitedWithCode(1),
                "engine/MeshObject.cpp:[0-9]+ No Material for mesh: Lonely");
}

}  // namespace
