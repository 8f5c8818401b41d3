#include "engine/Material.h"

#include "base/ErrorReport.h"

#include <utility>

Material::Material(int32_t id, std::string name) : materialId(id), materialName(std::move(name)) {}

void Material::setShininessFromGlossiness(float glossiness, float level) {
    shininess = glossiness * 128;
    specularLevel = level;
}

void Material::setOpacity(float value) {
    opacityValue = value;
    transparentOn = additiveOn || opacityValue < 1;
}

void Material::setAdditive(bool on) {
    additiveOn = on;
    transparentOn = additiveOn || opacityValue < 1;
}

bool Material::setTextureForMapType(int32_t mapType, Texture* texture) {
    switch (mapType) {
        case 1:
            diffuseTexture = texture;
            return true;
        case 7:
            secondTexture = texture;
            return true;
        case 8:
            bumpTexture = texture;
            return true;
        case 9:
            reflectionTexture = texture;
            return true;
        case 10:
            diffuseTexture = texture;
            setAdditive(true);
            return true;
        case 6:
            checkTrue(false, LUMORA_HERE);
            return false;
        default:
            reportError(LUMORA_HERE, "Unsupported texture type", false);
            return false;
    }
}

void Material::finish() {
    const bool d = diffuseTexture, r = reflectionTexture, s = secondTexture, b = bumpTexture;
    usesUv0 = usesUv1 = usesGeneratedUv = multiUnitCoordinates = usesLighting = false;
    if (d && r) {
        shadeModel = 4;
        usesUv0 = usesGeneratedUv = multiUnitCoordinates = usesLighting = true;
    } else if (d && s) {
        shadeModel = 5;
        usesUv0 = usesUv1 = multiUnitCoordinates = true;
    } else if (s) {
        shadeModel = 6;
        usesUv1 = true;
    } else if (d) {
        shadeModel = 1;
        usesUv0 = usesLighting = true;
    } else if (r && b) {
        shadeModel = 8;
        usesGeneratedUv = multiUnitCoordinates = true;
    } else if (r) {
        shadeModel = 2;
        usesGeneratedUv = usesLighting = true;
    } else {
        shadeModel = 0;
        usesLighting = true;
    }
}
