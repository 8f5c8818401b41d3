#include "effects/Effect3D.h"

#include "base/ErrorReport.h"
#include "engine/Scene.h"
#include "engine/SceneDepthTarget.h"
#include "engine/SceneLoaderLVG.h"

#include <epoxy/gl.h>

#include <cmath>

float sceneClock = 0;

namespace {

constexpr float fovUnit = 180.0f;          // "FOV" is vertical degrees / 180
constexpr float fogDensityUnit = 0.01f;    // "FogDensity" x 0.01
constexpr float fogScaleUnit = 30000.0f;   // "FogScale" x 30000: linear fog's distance unit
constexpr float degreesToRadians = 3.14159265358979f / 180.0f;

Camera* cameraNamed(const Scene& scene, const std::string& name, size_t& index) {
    const std::vector<Camera*>& cameras = scene.cameras();
    for (size_t i = 0; i < cameras.size(); ++i) {
        if (cameras[i]->name() == name) {
            index = i;
            return cameras[i];
        }
    }
    return nullptr;
}

// The roots of the scene, each with the chain of its first children (the reach of the
// scene-wide program events).
template <typename Visit>
void forEachRoot(const Scene& scene, Visit visit) {
    for (SceneObject* root = scene.firstRoot(); root; root = root->nextSibling()) visit(*root);
}

}  // namespace

Effect3D::Effect3D(const std::string& instanceName) : Effect(instanceName) {
    registerVariable(loop, "Loop", listKindPlain, typeKindBool);
    registerVariable(shadows, "Shadows", listKindPlain, typeKindBool);
    registerVariable(camera, "Camera", listKindNames1000, typeKindChoice);
    camera.isText = true;
    registerVariable(fov, "FOV", listKindPlain, typeKindFloat);
    registerVariable(focalPoint, "FocalPoint", listKindPlain, typeKindFloat);
    registerVariable(focalNear, "FocalNear", listKindPlain, typeKindFloat);
    registerVariable(focalFar, "FocalFar", listKindPlain, typeKindFloat);
    registerVariable(focalClamp, "FocalClamp", listKindPlain, typeKindFloat);
    registerVariable(fog, "Fog", listKindPlain, typeKindBool);
    registerVariable(fogMode, "FogMode", listKindPlain, typeKindChoice);
    registerVariable(fogRed, "FogR", listKindPlain, typeKindFloat);
    registerVariable(fogGreen, "FogG", listKindPlain, typeKindFloat);
    registerVariable(fogBlue, "FogB", listKindPlain, typeKindFloat);
    registerVariable(fogDensity, "FogDensity", listKindPlain, typeKindFloat);
    registerVariable(fogScale, "FogScale", listKindPlain, typeKindFloat);
    registerVariable(fogStart, "FogStart", listKindPlain, typeKindFloat);
    registerVariable(fogEnd, "FogEnd", listKindPlain, typeKindFloat);
    registerVariable(datafile, "Datafile", listKindNames0, typeKindChoice);
    datafile.isText = true;
    registerVariable(lightingOn, "LightingOn", listKindPlain, typeKindBool);
    registerVariable(lightingOff, "LightingOff", listKindPlain, typeKindBool);
    registerVariable(moreLight, "MoreLight", listKindPlain, typeKindBool);
}

void Effect3D::onListEntryAdded(int32_t listKind, const std::string& text, uint32_t newCount) {
    if (listKind != listKindNames0) return;
    loadScene(text);
    datafile.count = newCount;
}

void Effect3D::loadScene(const std::string& fileName) {
    if (fileName.empty() || fileName == sceneFile) return;
    Scene* loaded = SceneLoaderLVG::load(fileName, sceneCompressedTextureFolder, sceneTextureFolder);
    if (!loaded) {
        reportErrorText(LUMORA_HERE, "could not load scene", fileName.c_str(), false);
        shownScene = nullptr;
        selection = nullptr;
        lightSelection = nullptr;
        spot = nullptr;
        return;
    }
    if (loaded->cameras().empty()) {
        reportErrorText(LUMORA_HERE, "no camera in scene", fileName.c_str(), true);
        return;
    }
    shownScene = loaded;
    sceneFile = fileName;
    // Selections point into the scene they were made in.
    selection = nullptr;
    lightSelection = nullptr;
    camera.current = 0;
    const Camera* current = loaded->currentCameraObject();
    fov.current = (current ? current->fov : loaded->cameras()[0]->fov) * (1.0f / fovUnit);
    camera.count = uint32_t(loaded->cameras().size());
    clearList(listKindNames1000);
    for (const Camera* each : loaded->cameras()) addListEntry(listKindNames1000, each->name());
    spot = loaded->findLight("Spot01");
}

void Effect3D::start(uint32_t t) {
    Effect::start(t);
    if (shownScene) {
        for (Light* light : shownScene->lights()) light->sendColours();
        glEnable(GL_NORMALIZE);
    }
    spin[0] = spin[1] = spin[2] = 0;
    sceneClock = 0;
}

void Effect3D::update(uint32_t t) {
    const uint32_t previous = currentTime();
    Effect::update(t);
    // Signed: a run that seeks back moves the clock back instead of far ahead.
    sceneClock += speedScale() * float(int32_t(t - previous));
    if (!shownScene) return;
    Scene& scene = *shownScene;

    scene.loop = loop.isOn(t);
    const bool shadowsWanted = shadows.valueMarkingChange(t);
    if (shadows.changeMarked()) {
        scene.setShadows(shadowsWanted);
        shadows.clearChangeMark();
    }
    if (!cameraIsLocked) {
        // Read as stored: a name arrives as its index (see the header).
        const float wanted = camera.valueAt(t);
        if (wanted >= 0 && wanted < float(scene.cameras().size())) scene.currentCamera = size_t(wanted);
        if (Camera* current = scene.currentCameraObject()) current->fov = fov.valueAt(t) * fovUnit;
    }
    scene.focalPoint = focalPoint.valueAt(t);
    scene.focalNear = focalNear.valueAt(t);
    scene.focalFar = focalFar.valueAt(t);
    scene.focalClamp = focalClamp.valueAt(t);
    applyFog(t);
    applyLightingSwitches(t);
    if (scene.shadowsOn && spot) spot->shadowLight = true;
    placeSelection();
}

void Effect3D::applyFog(uint32_t t) {
    Scene& scene = *shownScene;
    scene.fogOn = fog.isOn(t);
    if (!scene.fogOn) return;
    const int32_t mode = int32_t(fogMode.valueAt(t));
    switch (mode) {
        case 0: scene.fogMode = GL_EXP; break;
        case 1: scene.fogMode = GL_EXP2; break;
        case 2: {
            scene.fogMode = GL_LINEAR;
            const float unit = fogScale.valueAt(t) * fogScaleUnit;
            scene.fogStart = fogStart.valueAt(t) * unit;
            scene.fogEnd = fogEnd.valueAt(t) * unit;
            break;
        }
        default: break;  // a stored value beyond the choices leaves the mode as it was
    }
    if (mode != 2) scene.fogDensity = fogDensity.valueAt(t) * fogDensityUnit;
    scene.fogColour = Colour{fogRed.valueAt(t), fogGreen.valueAt(t), fogBlue.valueAt(t), 1};
}

void Effect3D::applyLightingSwitches(uint32_t t) {
    struct Switch {
        BoolVariable& variable;
        bool Material::*flag;
    };
    const Switch switches[] = {
        {lightingOn, &Material::lightingOn},
        {lightingOff, &Material::lightingOff},
        {moreLight, &Material::moreLight},
    };
    for (const Switch& each : switches) {
        const bool value = each.variable.valueMarkingChange(t);
        if (!each.variable.changeMarked()) continue;
        for (const auto& [id, material] : shownScene->materials()) material->*each.flag = value;
        each.variable.clearChangeMark();
    }
}

void Effect3D::placeSelection() {
    if (!selection) return;
    const float level = spectrumLevel();
    const float a = level > 0 ? level * 10.0f - 5.0f : 0.0f;
    selection->offset = Vec3{a, a, a};
    const float T = animatedTime();
    selection->rotation = math3d::eulerRotation(spin[0] * T * degreesToRadians, spin[1] * T * degreesToRadians,
                                                spin[2] * T * degreesToRadians);
}

void Effect3D::render(uint32_t) {
    if (!shownScene) return;
    Scene& scene = *shownScene;
    // The passes cull faces for themselves; layers drawn after the scene expect what they had.
    const bool culling = glIsEnabled(GL_CULL_FACE);
    scene.setTime(float(timeShift()) + sceneClock);
    scene.animate();
    scene.updateWorld();
    if (sceneDepthWanted()) scene.depthPass();
    scene.render();
    if (!culling) glDisable(GL_CULL_FACE);
}

void Effect3D::handleEvent(const DemoEvent& event) {
    Effect::handleEvent(event);
    if (!shownScene) return;
    Scene& scene = *shownScene;
    const bool on = event.value > 0;
    switch (event.id) {
        case eventSceneFlicker:
            if (!scene.lights().empty()) scene.lights().front()->setFlicker(on);
            break;
        case eventSceneSelectObject: selection = scene.findObject(event.text); break;
        case eventSceneSpin:
            spin[0] = event.values[0];
            spin[1] = event.values[1];
            spin[2] = event.values[2];
            break;
        case eventSceneInheritTransform:
            if (selection) selection->setInheritTransform(on, true, true);
            break;
        case eventSceneLockCamera: {
            size_t index = 0;
            if (cameraNamed(scene, event.text, index)) scene.currentCamera = index;
            cameraIsLocked = true;
            break;
        }
        case eventSceneVisible:
            if (selection) Scene::walk(selection, false, [on](SceneObject& object) { object.visible = on; });
            break;
        case eventSceneShadows: scene.setShadows(on); break;
        case eventSceneCameraFov:
            if (Camera* current = scene.currentCameraObject()) current->fov = event.value;
            break;
        case eventSceneSelectLight: lightSelection = scene.findLight(event.text); break;
        case eventSceneLightEnabled:
            if (lightSelection) {
                lightSelection->enabled = on;
                lightSelection->switchGL(on);
            }
            break;
        case eventSceneVertexProgram:
            forEachRoot(scene, [&](SceneObject& root) { root.setVertexProgram(event.text, true, false); });
            break;
        case eventSceneFragmentProgram:
            forEachRoot(scene, [&](SceneObject& root) { root.setFragmentProgram(event.text, true, false); });
            break;
        case eventSceneObjectVertexProgram:
            if (selection) selection->setVertexProgram(event.text, true, false);
            break;
        case eventSceneObjectFragmentProgram:
            if (selection) selection->setFragmentProgram(event.text, true, false);
            break;
        case eventSceneCastsShadow:
            if (selection) {
                selection->setCastsShadow(on, true, false);
                selection->shadowExcluded = !on;
            }
            break;
        default: break;
    }
}
