// The scene's shadow and depth passes: the depth-information pass into "scenedepth", the
// shadow-map pass from the shadow light and the blend pass that lays the map over the
// drawn scene.
#include "base/Globals.h"
#include "base/LumoraConfig.h"
#include "engine/Scene.h"

void Scene::setShadows(bool on) {
    if (shadowsDisabled || maxTextureUnits < 3) return;
    shadowsOn = on;
    if (roots) roots->setCastsShadow(on, true, true);
}

void Scene::depthPass() {}

void Scene::shadowMapPass() {}

void Scene::shadowBlendPass() {}
