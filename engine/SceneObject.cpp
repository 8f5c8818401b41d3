#include "engine/SceneObject.h"

#include <utility>

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
