#include "engine/Scene.h"

#include "base/ErrorReport.h"

#include <algorithm>
#include <cstdio>

Scene::Scene(int32_t frames, int32_t step) : frameCount(frames), frameStep(step) {}

Scene::~Scene() = default;

SceneObject* Scene::append(std::unique_ptr<SceneObject> object) {
    checkNotNull(object.get(), LUMORA_HERE);
    object->frameStep = frameStep;
    SceneObject* added = object.get();
    firstObjectById.emplace(added->id(), added);
    firstObjectByName.emplace(added->name(), added);
    allObjects.push_back(std::move(object));
    return added;
}

void Scene::attachToParent(SceneObject* object, int32_t parentId) {
    // The first object with the id; an object is never its own parent (the link would be
    // a cycle that every walk of the hierarchy would follow for ever).
    SceneObject* parent = objectById(parentId);
    if (parent && parent != object) {
        parent->appendChild(object);
        return;
    }
    char message[reportBufferSize];
    std::snprintf(message, sizeof message, "object %s could not find parent obj %d", object->name().c_str(),
                  parentId);
    reportError(LUMORA_HERE, message, false);
}

void Scene::addGeometry(std::unique_ptr<SceneObject> object, int32_t parentId) {
    SceneObject* added = append(std::move(object));
    geometryList.push_back(added);
    if (parentId == -1) {
        if (!roots) {
            roots = added;
        } else {
            lastRoot->appendSibling(added);
        }
        lastRoot = added;
    } else {
        attachToParent(added, parentId);
    }
}

void Scene::addCamera(std::unique_ptr<Camera> camera, int32_t parentId) {
    Camera* added = camera.get();
    append(std::move(camera));
    cameraList.push_back(added);
    if (parentId != -1) attachToParent(added, parentId);
}

void Scene::addLight(std::unique_ptr<Light> light, int32_t parentId) {
    Light* added = light.get();
    checkNotNull(added, LUMORA_HERE);
    added->glIndex = int32_t(lightList.size());
    append(std::move(light));
    lightList.push_back(added);
    firstLightByName.emplace(added->name(), added);
    if (parentId != -1) attachToParent(added, parentId);
}

void Scene::addMaterial(std::unique_ptr<Material> material) {
    checkNotNull(material.get(), LUMORA_HERE);
    materialMap[material->id()] = material.get();
    ownedMaterials.push_back(std::move(material));
}

void Scene::walk(SceneObject* object, bool withSiblings, const std::function<void(SceneObject&)>& visit) {
    // Depth first, each node before its children and its children before its next
    // sibling; an explicit stack, as chains may be long.
    std::vector<SceneObject*> pending;
    if (object) pending.push_back(object);
    bool first = true;
    while (!pending.empty()) {
        SceneObject* node = pending.back();
        pending.pop_back();
        visit(*node);
        if (node->nextSibling() && (withSiblings || !first)) pending.push_back(node->nextSibling());
        if (node->firstChild()) pending.push_back(node->firstChild());
        first = false;
    }
}

void Scene::finish() {
    if (roots) {
        walk(roots, true, [this](SceneObject& object) { object.bindToScene(*this); });
    }
    // Objects with a material first, by ascending id; the rest after them.
    std::stable_sort(geometryList.begin(), geometryList.end(), [](const SceneObject* a, const SceneObject* b) {
        const Material* ma = a->material();
        const Material* mb = b->material();
        if (!ma || !mb) return ma && !mb;
        return ma->id() < mb->id();
    });
    for (Camera* camera : cameraList) {
        camera->target = objectById(camera->targetId);
    }
    for (Light* light : lightList) {
        if (light->targetId != 0) {
            light->target = light->targetId == -1 ? nullptr : objectById(light->targetId);
        }
    }
}

SceneObject* Scene::findObject(const std::string& name) const {
    auto found = firstObjectByName.find(name);
    return found == firstObjectByName.end() ? nullptr : found->second;
}

Light* Scene::findLight(const std::string& name) const {
    auto found = firstLightByName.find(name);
    return found == firstLightByName.end() ? nullptr : found->second;
}

SceneObject* Scene::objectById(int32_t id) const {
    auto found = firstObjectById.find(id);
    return found == firstObjectById.end() ? nullptr : found->second;
}

Material* Scene::material(int32_t id) const {
    auto found = materialMap.find(id);
    return found == materialMap.end() ? nullptr : found->second;
}

Camera* Scene::currentCameraObject() const {
    return currentCamera < cameraList.size() ? cameraList[currentCamera] : nullptr;
}

Light* Scene::currentLightObject() const {
    return currentLight < lightList.size() ? lightList[currentLight] : nullptr;
}
