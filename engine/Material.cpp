#include "engine/Material.h"

#include "base/ErrorReport.h"
#include "engine/NormalisationCubeMap.h"
#include "engine/TextureUnits.h"
#include "resources/Texture.h"

#include <epoxy/gl.h>

#include <utility>

namespace {

// What glPushAttrib saves for a material: every attribute group.
constexpr GLbitfield allAttributeBits = 0xFFFFF;
constexpr int32_t highestShadeModel = 13;

void materialColour(GLenum face, GLenum which, const Colour& rgb, float alpha) {
    const float value[4] = {rgb.r, rgb.g, rgb.b, alpha};
    glMaterialfv(face, which, value);
}

void environmentMode(GLint mode) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
}

void texture2D(int unit, const Texture* texture) {
    TextureUnits::enableTexture(unit, GL_TEXTURE_2D, texture->name());
}

}  // namespace

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
        // The bump texture on unit 0 is read with the stored coordinates.
        shadeModel = 8;
        usesUv0 = usesGeneratedUv = multiUnitCoordinates = true;
    } else if (r) {
        shadeModel = 2;
        usesGeneratedUv = usesLighting = true;
    } else {
        shadeModel = 0;
        usesLighting = true;
    }
}

Material::Lighting Material::lighting() const {
    const bool enable = (usesLighting || lightingOn) && !lightingOff;
    const bool disable = (!usesLighting || lightingOff) && !lightingOn;
    if (enable) return Lighting::On;
    if (disable) return Lighting::Off;
    return Lighting::Unchanged;
}

void Material::apply() {
    glPushAttrib(allAttributeBits);
    ++applies;
    if (shadeModel > highestShadeModel || shadeModel < 0) {
        reportErrorInt(LUMORA_HERE, "Material cannot handle this shademodel", shadeModel, true);
        return;
    }
    const Colour specularLit{specular.r * specularLevel, specular.g * specularLevel, specular.b * specularLevel, 1};
    // GL refuses a shininess outside 0..128 with an error, which would end the program.
    const float exponent = shininess >= 0 ? (shininess <= 128 ? shininess : 128) : 0;
    const Texture* d = diffuseTexture;
    const Texture* r = reflectionTexture;
    const Texture* s = secondTexture;
    const Texture* b = bumpTexture;
    switch (shadeModel) {
        case 0:
            materialColour(GL_FRONT, GL_AMBIENT, ambient, 1);
            materialColour(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse, opacity());
            materialColour(GL_FRONT, GL_SPECULAR, specularLit, 1);
            glMaterialf(GL_FRONT, GL_SHININESS, exponent);
            TextureUnits::disableTexture(0, GL_TEXTURE_2D);
            break;
        case 1:
            if (!d) break;
            materialColour(GL_FRONT, GL_AMBIENT, ambient, 0);
            materialColour(GL_FRONT, GL_DIFFUSE, diffuse, opacity());
            materialColour(GL_FRONT, GL_SPECULAR, specularLit, 1);
            glMaterialf(GL_FRONT, GL_SHININESS, exponent);
            texture2D(0, d);
            glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
            break;
        case 4:
            if (!d || !r) break;
            texture2D(0, d);
            TextureUnits::select(1);
            environmentMode(GL_ADD);
            texture2D(1, r);
            break;
        case 5:
            if (!d || !s) break;
            texture2D(0, d);
            if (moreLight) {
                TextureUnits::select(1);
                environmentMode(GL_COMBINE);
                glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_ADD_SIGNED);
                texture2D(1, s);
                TextureUnits::select(2);
            } else {
                TextureUnits::select(1);
            }
            environmentMode(GL_MODULATE);
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, s->name());
            break;
        case 6:
            if (!s) break;
            TextureUnits::select(0);
            environmentMode(GL_MODULATE);
            texture2D(0, s);
            break;
        case 8: {
            if (!r || !b) break;
            if (!normalisationCubeMap) normalisationCubeMap = &::normalisationCubeMap();
            // The bump normal, then its dot product with the light vector normalised by
            // the cube map, then the reflection texture modulated by that light.
            texture2D(0, b);
            environmentMode(GL_COMBINE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_REPLACE);
            TextureUnits::enableTexture(1, GL_TEXTURE_CUBE_MAP, normalisationCubeMap->name());
            environmentMode(GL_COMBINE);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_DOT3_RGB);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
            texture2D(2, r);
            environmentMode(GL_MODULATE);
            break;
        }
        case 2:
            if (r) {
                TextureUnits::disableTexture(1, GL_TEXTURE_2D);
                texture2D(0, r);
            }
            materialColour(GL_FRONT, GL_AMBIENT, ambient, 0);
            materialColour(GL_FRONT, GL_DIFFUSE, diffuse, opacity());
            break;
        default:
            // Models no material chooses: nothing to set up.
            break;
    }

    TextureUnits::select(0);
    switch (lighting()) {
        case Lighting::On: glEnable(GL_LIGHTING); break;
        case Lighting::Off: glDisable(GL_LIGHTING); break;
        case Lighting::Unchanged: break;
    }
    if (opacity() < 1) {
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        glDisable(GL_BLEND);
    }
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    if (additive()) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    checkGLError(LUMORA_HERE);
}
