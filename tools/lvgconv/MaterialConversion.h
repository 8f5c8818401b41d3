#pragma once
// One model material as a scene-file material record.
//
// Colours: diffuse (or the base colour), ambient (the diffuse colour where the model has
// none), specular; opacity; glossiness = shininess / 128 (the engine's exponent is
// glossiness × 128), the specular level from the shininess strength (1 where absent).
// Textures by map type: the diffuse or base-colour picture 1; a light map or occlusion
// picture 7 (the engine multiplies it over the diffuse one through the second uv set); a
// normal map (or a height map, which OBJ files use for bumps) 8; a reflection map 9. A
// material with additive blending has its diffuse picture as map type 10, and so has a
// material whose only picture is emissive (a glow). Pictures of other kinds are dropped
// with a warning.
#include "engine/LVGParser.h"
#include "tools/lvgconv/Diagnostics.h"
#include "tools/lvgconv/TextureExport.h"

#include <assimp/material.h>

namespace maptype {
constexpr int32_t diffuse = 1;
constexpr int32_t second = 7;
constexpr int32_t bump = 8;
constexpr int32_t reflection = 9;
constexpr int32_t additive = 10;
}  // namespace maptype

struct ConvertedMaterial {
    lvg::MaterialRecord record;
    bool usesSecondUv = false;  // a second texture: its meshes need a second uv set
    unsigned secondUvSource = 1;  // the model's uv set that picture uses
};

ConvertedMaterial convertMaterial(const aiMaterial& material, int32_t id, TextureExport& textures,
                                  Diagnostics& diagnostics);
