// The scene graph's per-frame arithmetic without drawing: the animation time, key
// sampling, the Euler placement, world matrices with and without inherited transforms
// (on chains far longer than any matrix stack), the reach of the recursive setters, and
// clones.
#include "engine/Camera.h"
#include "engine/Light.h"
#include "engine/Material.h"
#include "engine/MeshObject.h"
#include "engine/Scene.h"
#include "tools/lvgwriter/LvgWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr float pi = 3.14159265358979f;

void expectMatrixNear(const Matrix4& a, const Matrix4& b, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

Vec4 key(float x, float y, float z, float w = 0) {
    return {x, y, z, w};
}

Vec4 keyOf(const Quaternion& q) {
    return {q.x, q.y, q.z, q.w};
}

}  // namespace

TEST(SceneTime, LoopedTimeTakesWholeLapsOffAndKeepsTheFraction) {
    const SceneTime looped = Scene::timeAt(1680, 10, 160, true);
    EXPECT_EQ(looped.frame, 0);
    EXPECT_FLOAT_EQ(looped.fraction, 0.5f);
    const SceneTime secondLap = Scene::timeAt(1600 + 3 * 160 + 40, 10, 160, true);
    EXPECT_EQ(secondLap.frame, 3);
    EXPECT_FLOAT_EQ(secondLap.fraction, 0.25f);
    const SceneTime unlooped = Scene::timeAt(520, 10, 160, false);
    EXPECT_EQ(unlooped.frame, 3);
    EXPECT_FLOAT_EQ(unlooped.fraction, 0.25f);
}

TEST(SceneTime, TimesOutsideTheAnimationAreHeldToItsEnds) {
    // Past the end without loop: the last frame. A frame equal to frameCount is left to
    // the objects, which hold it to their last key.
    EXPECT_EQ(Scene::timeAt(10000, 10, 160, false).frame, 9);
    EXPECT_EQ(Scene::timeAt(1600, 10, 160, false).frame, 10);
    for (bool loop : {false, true}) {
        const SceneTime before = Scene::timeAt(-80, 10, 160, loop);
        EXPECT_EQ(before.frame, 0) << loop;
        EXPECT_FLOAT_EQ(before.fraction, 0) << loop;
        EXPECT_EQ(Scene::timeAt(-5000, 10, 160, loop).frame, 0) << loop;
    }
    // A scene without frames or step must not divide by zero.
    EXPECT_EQ(Scene::timeAt(500, 0, 160, true).frame, 0);
    EXPECT_EQ(Scene::timeAt(500, 10, 0, true).frame, 0);
    Scene scene(10, 160);
    scene.loop = true;
    scene.setTime(1680);
    EXPECT_EQ(scene.frame, 0);
    EXPECT_FLOAT_EQ(scene.fraction, 0.5f);
}

TEST(SceneAnimation, KeysAreBlendedTowardTheNextAndTheLastIsHeld) {
    SceneObject object(1, "Mover");
    const Quaternion quarterTurn = lvgconvention::axisAngle({0, 0, 1}, pi / 2);
    object.setTracks({key(0, 0, 0), key(10, 0, 0), key(20, 0, 0)},
                     {key(0, 0, 0, 1), keyOf(quarterTurn), keyOf(quarterTurn)},
                     {key(1, 1, 1), key(3, 1, 1), key(3, 1, 1)});
    object.animate(0, 0.5f);
    EXPECT_FLOAT_EQ(object.position.x, 5);
    EXPECT_FLOAT_EQ(object.scale.x, 2);
    expectMatrixNear(object.rotation, math3d::rotationMatrix(lvgconvention::axisAngle({0, 0, 1}, pi / 4)));
    for (int32_t frame : {2, 7}) {
        object.animate(frame, 0.7f);
        EXPECT_FLOAT_EQ(object.position.x, 20) << frame;
        expectMatrixNear(object.rotation, math3d::rotationMatrix(quarterTurn));
    }
}

TEST(SceneAnimation, SlerpTakesTheShortWayForOppositeSignsAndShorterTracksStopAtTheirEnd) {
    SceneObject object(1, "Turner");
    const Quaternion quarterTurn = lvgconvention::axisAngle({0, 1, 0}, pi / 2);
    // -q is the same turn as q: blending toward it must not go the long way round.
    object.setTracks({key(1, 2, 3), key(5, 6, 7)},
                     {key(0, 0, 0, 1), key(-quarterTurn.x, -quarterTurn.y, -quarterTurn.z, -quarterTurn.w),
                      key(0, 0, 0, 1)},
                     {});
    ASSERT_EQ(object.keyCount(), 3);
    object.animate(0, 0.5f);
    expectMatrixNear(object.rotation, math3d::rotationMatrix(lvgconvention::axisAngle({0, 1, 0}, pi / 4)));
    object.animate(1, 0.5f);  // the position track ends at key 1
    EXPECT_FLOAT_EQ(object.position.x, 5);
    // Nearly equal keys blend linearly instead of dividing by sin(0).
    SceneObject still(2, "Still");
    still.setTracks({}, {key(0, 0, 0, 1), key(0, 0, 1e-4f, 1)}, {});
    still.animate(0, 0.5f);
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(still.rotation[i]));
}

TEST(SceneMath, EulerPlacementTurnsAboutXThenYThenZInGLsColumnOrder) {
    const float a = 0.3f, b = -0.7f, c = 1.1f;
    // One axis at a time: the usual right-handed rotations, as glRotate makes them.
    const Matrix4 x = math3d::eulerRotation(a, 0, 0);
    EXPECT_NEAR(x[5], std::cos(a), 1e-6f);
    EXPECT_NEAR(x[6], std::sin(a), 1e-6f);
    EXPECT_NEAR(x[9], -std::sin(a), 1e-6f);
    const Matrix4 y = math3d::eulerRotation(0, b, 0);
    EXPECT_NEAR(y[2], -std::sin(b), 1e-6f);
    EXPECT_NEAR(y[8], std::sin(b), 1e-6f);
    const Matrix4 z = math3d::eulerRotation(0, 0, c);
    EXPECT_NEAR(z[1], std::sin(c), 1e-6f);
    EXPECT_NEAR(z[4], -std::sin(c), 1e-6f);
    expectMatrixNear(math3d::eulerRotation(a, b, c), math3d::multiply(math3d::multiply(x, y), z));
}

TEST(SceneWorld, ChildrenFollowTheirParentOnlyWhenItInheritsAndOffsetsMove) {
    SceneObject parent(1, "Parent"), child(2, "Child"), grandchild(3, "Grandchild");
    parent.appendChild(&child);
    child.appendChild(&grandchild);
    parent.position = {10, 0, 0};
    parent.offset = {0, 0, 1};
    child.position = {0, 5, 0};
    grandchild.position = {0, 0, 2};
    SceneObject::updateWorld(&parent, Matrix4::identity());
    EXPECT_FLOAT_EQ(parent.world[12], 10);
    EXPECT_FLOAT_EQ(parent.world[14], 1);
    EXPECT_FLOAT_EQ(child.world[12], 0);
    EXPECT_FLOAT_EQ(child.world[13], 5);

    // The parent inherits, the child does not: the grandchild starts where the child
    // started, from the parent's matrix.
    parent.inheritTransform = true;
    parent.scale = {2, 2, 2};
    SceneObject::updateWorld(&parent, Matrix4::identity());
    EXPECT_FLOAT_EQ(child.world[12], 10);
    EXPECT_FLOAT_EQ(child.world[13], 10);
    EXPECT_FLOAT_EQ(grandchild.world[12], 10);
    EXPECT_FLOAT_EQ(grandchild.world[13], 0);
    EXPECT_FLOAT_EQ(grandchild.world[14], 1 + 4);
}

TEST(SceneWorld, ChainsFarLongerThanTheMatrixStackAreWalkedWithoutRecursion) {
    Scene scene(1, 160);
    constexpr int32_t roots = 50000, depth = 50000;
    for (int32_t i = 1; i <= roots; ++i) scene.addGeometry(std::make_unique<SceneObject>(i, "r"), -1);
    for (int32_t i = 0; i < depth; ++i) {
        auto node = std::make_unique<SceneObject>(roots + 1 + i, "d");
        node->position = {1, 0, 0};
        scene.addGeometry(std::move(node), i == 0 ? 1 : roots + i);
    }
    scene.firstRoot()->setInheritTransform(true, true, true);
    SceneObject::updateWorld(scene.firstRoot(), Matrix4::identity());
    EXPECT_FLOAT_EQ(scene.objects().back()->world[12], float(depth));
    EXPECT_FLOAT_EQ(scene.objects()[roots - 1]->world[12], 0);
}

TEST(SceneSetters, EachSwitchReachesAsFarAsItSays) {
    // a: children b (with child d) and c; a's next sibling e (with child f).
    SceneObject a(1, "a"), b(2, "b"), c(3, "c"), d(4, "d"), e(5, "e"), f(6, "f");
    a.appendChild(&b);
    a.appendChild(&c);
    b.appendChild(&d);
    a.appendSibling(&e);
    e.appendChild(&f);
    SceneObject* all[] = {&a, &b, &c, &d, &e, &f};
    auto reached = [&](bool children, bool siblings) {
        for (SceneObject* o : all) o->castsShadow = false;
        a.setCastsShadow(true, children, siblings);
        std::string names;
        for (SceneObject* o : all) {
            if (o->castsShadow) names += o->name();
        }
        return names;
    };
    EXPECT_EQ(reached(false, false), "a");
    EXPECT_EQ(reached(true, false), "abd");  // the chain of first children
    EXPECT_EQ(reached(false, true), "ae");
    EXPECT_EQ(reached(true, true), "abcdef");
    a.setVisible(false, true, false);
    EXPECT_FALSE(d.visible);
    EXPECT_TRUE(c.visible);
}

TEST(SceneClone, ACloneCopiesEveryKindWithItsDescendantsAndStandsAlone) {
    SceneObject root(1, "Root");
    Light light(2, "Lamp");
    Camera camera(3, "Eye");
    MeshObject mesh(4, "Box", 7);
    root.appendChild(&light);
    root.appendChild(&camera);
    light.appendChild(&mesh);
    root.position = {1, 2, 3};
    root.setTracks({key(0, 0, 0), key(1, 1, 1)}, {}, {});
    root.inheritTransform = true;
    light.spotCutoff = 30;
    light.glIndex = 3;
    camera.fov = 60;
    camera.target = &mesh;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.faces = {{0, 1, 2}};

    std::unique_ptr<SceneObject> copy = root.clone();
    EXPECT_EQ(copy->name(), "Root");
    EXPECT_EQ(copy->position.y, 2);
    EXPECT_EQ(copy->keyCount(), 2);
    EXPECT_TRUE(copy->animated());
    EXPECT_TRUE(copy->inheritTransform);
    EXPECT_EQ(copy->nextSibling(), nullptr);
    ASSERT_NE(copy->firstChild(), nullptr);
    ASSERT_EQ(copy->firstChild()->kind(), SceneObjectKind::Light);
    auto* lightCopy = static_cast<Light*>(copy->firstChild());
    EXPECT_NE(lightCopy, &light);
    EXPECT_EQ(lightCopy->spotCutoff, 30);
    EXPECT_EQ(lightCopy->glIndex, 3);
    ASSERT_NE(lightCopy->nextSibling(), nullptr);
    auto* cameraCopy = static_cast<Camera*>(lightCopy->nextSibling());
    EXPECT_EQ(cameraCopy->fov, 60);
    EXPECT_EQ(cameraCopy->parent(), copy.get());
    ASSERT_NE(lightCopy->firstChild(), nullptr);
    auto* meshCopy = static_cast<MeshObject*>(lightCopy->firstChild());
    EXPECT_EQ(meshCopy->materialId(), 7);
    EXPECT_EQ(meshCopy->faces.size(), 1u);

    copy->position.x = 99;
    meshCopy->vertices.clear();
    EXPECT_EQ(root.position.x, 1);
    EXPECT_EQ(mesh.vertices.size(), 3u);
    EXPECT_EQ(root.firstChild(), &light);
}
