#include "engine/SceneObject.h"

#include <epoxy/gl.h>

#include <utility>

namespace {

Vec3 xyz(const Vec4& v) {
    return {v.x, v.y, v.z};
}

Quaternion quaternion(const Vec4& v) {
    return {v.x, v.y, v.z, v.w};
}

// The key to show for a track at frame, and whether there is a next key to blend toward.
struct KeyPair {
    int32_t index;
    bool blend;
};

KeyPair keyPair(int32_t frame, int32_t keyCount, size_t trackSize) {
    const int32_t k = SceneObject::trackIndex(frame, keyCount, trackSize);
    return {k, k >= 0 && k != keyCount - 1 && size_t(k) + 1 < trackSize};
}

}  // namespace

SceneObject::SceneObject(int32_t id, std::string name) : objectId(id), objectName(std::move(name)) {}

SceneObject::~SceneObject() = default;

void SceneObject::bindToScene(Scene&) {}

void SceneObject::appendSibling(SceneObject* sibling) {
    SceneObject* last = this;
    while (last->nextSiblingObject) last = last->nextSiblingObject;
    last->nextSiblingObject = sibling;
    sibling->previousSiblingObject = last;
    sibling->parentObject = parentObject;
}

void SceneObject::appendChild(SceneObject* child) {
    if (!firstChildObject) {
        firstChildObject = child;
    } else {
        SceneObject* last = lastChildObject ? lastChildObject : firstChildObject;
        while (last->nextSiblingObject) last = last->nextSiblingObject;
        last->nextSiblingObject = child;
        child->previousSiblingObject = last;
    }
    child->parentObject = this;
    lastChildObject = child;
}

void SceneObject::setTracks(std::vector<Vec4> positionKeys, std::vector<Vec4> rotationKeys,
                            std::vector<Vec4> scaleKeys) {
    positionTrack = std::move(positionKeys);
    rotationTrack = std::move(rotationKeys);
    scaleTrack = std::move(scaleKeys);
    keys = 0;
    for (const std::vector<Vec4>* track : {&positionTrack, &rotationTrack, &scaleTrack}) {
        if (!track->empty()) keys = int32_t(track->size());
    }
    isAnimated = isAnimated || keys > 0;
}

int32_t SceneObject::trackIndex(int32_t frame, int32_t keyCount, size_t trackSize) {
    if (trackSize == 0 || keyCount <= 0) return -1;
    int32_t k = frame < 0 ? 0 : frame;
    if (k > keyCount - 1) k = keyCount - 1;
    if (size_t(k) >= trackSize) k = int32_t(trackSize - 1);
    return k;
}

void SceneObject::animate(int32_t frame, float fraction) {
    if (!isAnimated) return;
    const KeyPair p = keyPair(frame, keys, positionTrack.size());
    if (p.index >= 0) {
        const Vec3 a = xyz(positionTrack[size_t(p.index)]);
        position = p.blend ? math3d::lerp(a, xyz(positionTrack[size_t(p.index) + 1]), fraction) : a;
    }
    const KeyPair r = keyPair(frame, keys, rotationTrack.size());
    if (r.index >= 0) {
        const Quaternion a = quaternion(rotationTrack[size_t(r.index)]);
        rotation = math3d::rotationMatrix(
            r.blend ? math3d::slerp(a, quaternion(rotationTrack[size_t(r.index) + 1]), fraction) : a);
    }
    const KeyPair s = keyPair(frame, keys, scaleTrack.size());
    if (s.index >= 0) {
        const Vec3 a = xyz(scaleTrack[size_t(s.index)]);
        scale = s.blend ? math3d::lerp(a, xyz(scaleTrack[size_t(s.index) + 1]), fraction) : a;
    }
}

Matrix4 SceneObject::localMatrix() const {
    Matrix4 translateScale;
    translateScale[12] = position.x + offset.x;
    translateScale[13] = position.y + offset.y;
    translateScale[14] = position.z + offset.z;
    Matrix4 scaling;
    scaling[0] = scale.x;
    scaling[5] = scale.y;
    scaling[10] = scale.z;
    return math3d::multiply(math3d::multiply(translateScale, rotation), scaling);
}

void SceneObject::updateWorld(SceneObject* first, const Matrix4& incoming) {
    // Each pending chain with the matrix its objects start from; siblings share it.
    struct Chain {
        SceneObject* first;
        Matrix4 incoming;
    };
    static std::vector<Chain> pending;  // kept between frames: no allocation per frame
    pending.clear();
    if (first) pending.push_back({first, incoming});
    while (!pending.empty()) {
        const Chain chain = pending.back();
        pending.pop_back();
        for (SceneObject* object = chain.first; object; object = object->nextSiblingObject) {
            object->world = math3d::multiply(chain.incoming, object->localMatrix());
            if (object->firstChildObject) {
                pending.push_back({object->firstChildObject, object->inheritTransform ? object->world : chain.incoming});
            }
        }
    }
}

void SceneObject::draw() {
    if (!visible) return;
    glPushMatrix();
    glMultMatrixf(world.m);
    drawColour();
    glPopMatrix();
}

void SceneObject::drawShadowPass() {
    if (!visible) return;
    glPushMatrix();
    glMultMatrixf(world.m);
    drawShadow();
    glPopMatrix();
}

void SceneObject::drawDepthPass() {
    if (!visible) return;
    glPushMatrix();
    glMultMatrixf(world.m);
    drawDepth();
    glPopMatrix();
}

void SceneObject::setCastsShadow(bool on, bool children, bool siblings) {
    reach(this, children, siblings, [on](SceneObject& object) { object.castsShadow = on; });
}

void SceneObject::setVisible(bool on, bool children, bool siblings) {
    reach(this, children, siblings, [on](SceneObject& object) { object.visible = on; });
}

void SceneObject::setInheritTransform(bool on, bool children, bool siblings) {
    reach(this, children, siblings, [on](SceneObject& object) { object.inheritTransform = on; });
}

void SceneObject::setVertexProgram(const std::string& fileName, bool children, bool siblings) {
    reach(this, children, siblings, [&fileName](SceneObject& object) { object.useVertexProgram(fileName); });
}

void SceneObject::setFragmentProgram(const std::string& fileName, bool children, bool siblings) {
    reach(this, children, siblings, [&fileName](SceneObject& object) { object.useFragmentProgram(fileName); });
}

std::unique_ptr<SceneObject> SceneObject::cloneSelf() const {
    auto copy = std::make_unique<SceneObject>(objectId, objectName);
    copyInto(*copy);
    return copy;
}

void SceneObject::copyInto(SceneObject& copy) const {
    copy.position = position;
    copy.rotation = rotation;
    copy.scale = scale;
    copy.extra = extra;
    copy.offset = offset;
    copy.world = world;
    copy.frameStep = frameStep;
    copy.visible = visible;
    copy.inheritTransform = inheritTransform;
    copy.castsShadow = castsShadow;
    copy.shadowExcluded = shadowExcluded;
    copy.positionTrack = positionTrack;
    copy.rotationTrack = rotationTrack;
    copy.scaleTrack = scaleTrack;
    copy.keys = keys;
    copy.isAnimated = isAnimated;
}

std::unique_ptr<SceneObject> SceneObject::clone() const {
    std::unique_ptr<SceneObject> top = cloneSelf();
    // Originals whose children are still to be copied, with the copy that receives them.
    std::vector<std::pair<const SceneObject*, SceneObject*>> pending{{this, top.get()}};
    while (!pending.empty()) {
        const auto [original, copy] = pending.back();
        pending.pop_back();
        for (const SceneObject* child = original->firstChildObject; child; child = child->nextSiblingObject) {
            std::unique_ptr<SceneObject> childCopy = child->cloneSelf();
            copy->appendChild(childCopy.get());
            pending.push_back({child, childCopy.get()});
            // The top copy owns them all: releasing a deep copy never recurses.
            top->clonedChildren.push_back(std::move(childCopy));
        }
    }
    return top;
}
