#include "engine/Scene.h"

#include "base/ErrorReport.h"
#include "base/LumoraWindow.h"
#include "engine/SceneDepthTarget.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The scene reader also builds scenes where no GL exists (tools, tests of the data); the
// GL work of loading then waits for the first frame.
bool glContextCurrent() {
    return SDL_GL_GetCurrentContext() != nullptr;
}

}  // namespace

Scene::Scene(int32_t frames, int32_t step) : frameCount(frames), frameStep(step) {
    if (glContextCurrent()) sceneDepthTarget();
}

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
    if (glContextCurrent()) added->sendColours();
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

SceneTime Scene::timeAt(double t, int32_t frameCount, int32_t frameStep, bool loop) {
    SceneTime time;
    if (frameStep <= 0 || !std::isfinite(t)) return time;
    double frame = std::trunc(t / frameStep);
    if (loop && frameCount > 0) {
        const double laps = std::trunc(frame / frameCount);
        frame -= laps * frameCount;
        t -= laps * double(frameCount) * frameStep;
    }
    double fraction = (t - frame * frameStep) / frameStep;
    if (frame < 0) {
        frame = 0;
        fraction = 0;
    } else if (frame > frameCount) {
        frame = std::max(frameCount - 1, 0);
    }
    time.frame = int32_t(frame);
    time.fraction = float(std::clamp(fraction, 0.0, 1.0));
    return time;
}

void Scene::setTime(float t) {
    const SceneTime time = timeAt(t, frameCount, frameStep, loop);
    frame = time.frame;
    fraction = time.fraction;
}

void Scene::animate() {
    for (const auto& object : allObjects) object->animate(frame, fraction);
}

void Scene::updateWorld() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (Light* light : lightList) SceneObject::updateWorld(light, Matrix4::identity());
    SceneObject::updateWorld(roots, Matrix4::identity());
    if (shadowsOn) shadowMapPass();
}

void Scene::applyCulling() const {
    if (cullBackFaces) {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(GL_BACK);
    } else {
        glDisable(GL_CULL_FACE);
    }
}

void Scene::applyFog() const {
    glEnable(GL_FOG);
    const float colour[4] = {fogColour.r, fogColour.g, fogColour.b, fogColour.a};
    glFogfv(GL_FOG_COLOR, colour);
    glFogi(GL_FOG_MODE, GLint(fogMode));
    if (fogMode == GL_LINEAR) {
        glFogf(GL_FOG_START, fogStart);
        glFogf(GL_FOG_END, fogEnd);
    } else {
        glFogf(GL_FOG_DENSITY, fogDensity);
    }
}

void Scene::useMaterial(Material& material) {
    if (lastApplied && lastApplied->id() == material.id()) return;
    if (lastApplied) glPopAttrib();
    material.apply();
    lastApplied = &material;
}

void Scene::releaseMaterial() {
    if (!lastApplied) return;
    glPopAttrib();
    lastApplied = nullptr;
}

void Scene::render() {
    checkNotNull(roots, LUMORA_HERE);
    const float black[4] = {0, 0, 0, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    for (int32_t i = 0; i < Light::glLightCount(); ++i) glDisable(GLenum(GL_LIGHT0 + i));

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    applyCulling();
    if (fogOn) applyFog();

    glColor4f(1, 1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (Camera* camera = currentCameraObject()) camera->apply();
    for (Light* light : lightList) light->apply();

    const bool multisample = recordedFsaaMode > 0 && epoxy_has_gl_extension("GL_ARB_multisample");
    if (multisample) glEnable(GL_MULTISAMPLE_ARB);
    for (SceneObject* object : geometryList) object->draw();
    // The last material's push ends with the pass, so that the next frame (or whatever
    // draws next) starts from the state before it.
    releaseMaterial();
    if (multisample) glDisable(GL_MULTISAMPLE_ARB);

    if (shadowsOn) shadowBlendPass();
    if (fogOn) glDisable(GL_FOG);
    checkGLError(LUMORA_HERE);
}
