#include "tools/lvgconv/MaterialConversion.h"

#include <algorithm>
#include <cmath>

namespace {

bool colourOf(const aiMaterial& m, const char* key, unsigned type, unsigned index, Vec3& out) {
    aiColor4D c;
    if (m.Get(key, type, index, c) != AI_SUCCESS) return false;
    out = {c.r, c.g, c.b};
    return true;
}

std::string texturePath(const aiMaterial& m, aiTextureType type, unsigned* uvSource = nullptr) {
    if (m.GetTextureCount(type) == 0) return "";
    aiString path;
    if (m.GetTexture(type, 0, &path) != AI_SUCCESS) return "";
    if (uvSource) {
        int source = -1;
        if (m.Get(AI_MATKEY_UVWSRC(type, 0), source) == AI_SUCCESS && source >= 0) *uvSource = unsigned(source);
    }
    return path.C_Str();
}

float finiteOr(float value, float fallback) {
    return std::isfinite(value) ? value : fallback;
}

}  // namespace

ConvertedMaterial convertMaterial(const aiMaterial& m, int32_t id, TextureExport& textures, Diagnostics& diagnostics) {
    ConvertedMaterial out;
    lvg::MaterialRecord& r = out.record;
    r.id = id;
    aiString name;
    r.name = m.Get(AI_MATKEY_NAME, name) == AI_SUCCESS ? name.C_Str() : "";
    const std::string label = "material '" + r.name + "'";

    r.diffuse = {0.8f, 0.8f, 0.8f};
    if (!colourOf(m, AI_MATKEY_BASE_COLOR, r.diffuse)) colourOf(m, AI_MATKEY_COLOR_DIFFUSE, r.diffuse);
    r.ambient = r.diffuse;
    colourOf(m, AI_MATKEY_COLOR_AMBIENT, r.ambient);
    r.specular = {0, 0, 0};
    colourOf(m, AI_MATKEY_COLOR_SPECULAR, r.specular);
    float opacity = 1;
    m.Get(AI_MATKEY_OPACITY, opacity);
    r.opacity = std::clamp(finiteOr(opacity, 1), 0.0f, 1.0f);
    float shininess = 0;
    m.Get(AI_MATKEY_SHININESS, shininess);
    r.glossiness = std::clamp(finiteOr(shininess, 0) / 128.0f, 0.0f, 1.0f);
    float strength = 1;
    m.Get(AI_MATKEY_SHININESS_STRENGTH, strength);
    r.specularLevel = std::max(0.0f, finiteOr(strength, 1));

    int blend = aiBlendMode_Default;
    m.Get(AI_MATKEY_BLEND_FUNC, blend);
    std::string diffusePicture = texturePath(m, aiTextureType_BASE_COLOR);
    if (diffusePicture.empty()) diffusePicture = texturePath(m, aiTextureType_DIFFUSE);
    const std::string emissivePicture = texturePath(m, aiTextureType_EMISSIVE);
    int32_t diffuseType = blend == aiBlendMode_Additive ? maptype::additive : maptype::diffuse;
    if (diffusePicture.empty() && !emissivePicture.empty()) {
        diffusePicture = emissivePicture;
        diffuseType = maptype::additive;
    } else if (!emissivePicture.empty()) {
        diagnostics.warn(label + ": its emissive texture is dropped (the engine draws one diffuse texture)");
    }

    unsigned secondSource = 1;
    std::string secondPicture = texturePath(m, aiTextureType_LIGHTMAP, &secondSource);
    if (secondPicture.empty()) secondPicture = texturePath(m, aiTextureType_AMBIENT_OCCLUSION, &secondSource);
    std::string bumpPicture = texturePath(m, aiTextureType_NORMALS);
    if (bumpPicture.empty()) bumpPicture = texturePath(m, aiTextureType_HEIGHT);
    const std::string reflectionPicture = texturePath(m, aiTextureType_REFLECTION);

    const std::pair<const std::string*, int32_t> wanted[] = {
        {&diffusePicture, diffuseType},
        {&secondPicture, maptype::second},
        {&bumpPicture, maptype::bump},
        {&reflectionPicture, maptype::reflection},
    };
    for (const auto& [picture, mapType] : wanted) {
        if (picture->empty()) continue;
        const std::string fileName = textures.provide(*picture);
        if (fileName.empty()) continue;
        r.textures.push_back({fileName, mapType});
        if (mapType == maptype::second) {
            out.usesSecondUv = true;
            out.secondUvSource = secondSource;
        }
    }

    static const std::pair<aiTextureType, const char*> dropped[] = {
        {aiTextureType_SPECULAR, "specular"},
        {aiTextureType_SHININESS, "shininess"},
        {aiTextureType_OPACITY, "opacity"},
        {aiTextureType_DISPLACEMENT, "displacement"},
        {aiTextureType_METALNESS, "metalness"},
        {aiTextureType_DIFFUSE_ROUGHNESS, "roughness"},
    };
    for (const auto& [type, kind] : dropped) {
        if (m.GetTextureCount(type) > 0) diagnostics.warn(label + ": its " + kind + " texture is dropped");
    }
    return out;
}
