#pragma once
// Material: the colours and texture slots of one scene-file material, turned into one
// fixed-function GL state when a mesh is drawn with it.
//
// The scene reader fills a material (colours, opacity, shininess, one texture per map
// type through setTextureForMapType), then calls finish(), which chooses the shade model
// and what the mesh must send (stored uv sets, generated environment coordinates, normals)
// from the slots that are filled. The Scene effect switches lighting for all materials of
// a scene. Textures belong to the texture cache; a material only points at them.
//
// apply() pushes every GL attribute and sets the material's state; the scene pops it when
// the next mesh needs another material, after a mesh drawn with a vertex program, and at
// the end of its colour pass. It always leaves texture unit 0 active and back-face
// culling on (whatever the scene's own culling switch says).
//
// Map types of the scene format: 1 diffuse, 7 second (multiplied over the diffuse), 8
// bump, 9 reflection, 10 diffuse drawn with additive blending; 6 is an assertion failure;
// 0, 2 to 5 and 11 are "Unsupported texture type" (non-fatal, skipped).
#include "engine/Math3D.h"

#include <cstdint>
#include <string>

class Texture;

class Material {
public:
    Material(int32_t id, std::string name);

    int32_t id() const { return materialId; }
    const std::string& name() const { return materialName; }

    // shininess = glossiness × 128.
    void setShininessFromGlossiness(float glossiness, float level);
    void setOpacity(float value);
    void setAdditive(bool on);
    // Puts texture into the slot of mapType; false when the map type has no slot.
    bool setTextureForMapType(int32_t mapType, Texture* texture);
    // Chooses shadeModel and the usage flags from the filled slots.
    void finish();
    // Pushes all GL attributes (the caller pops them) and sets colours, the shade model's
    // texture units, lighting, blending and culling. A shade model above 13 is the fatal
    // "Material cannot handle this shademodel"; a model whose textures are missing sets
    // no texture state.
    void apply();
    // Whether apply() enables lighting, disables it, or leaves it as it was (both forced).
    enum class Lighting { On, Off, Unchanged };
    Lighting lighting() const;
    // How many times apply() ran (the scene applies a material once per run of meshes).
    uint32_t applyCount() const { return applies; }

    float opacity() const { return opacityValue; }
    bool additive() const { return additiveOn; }
    bool transparent() const { return transparentOn; }

    Colour ambient{0.2f, 0.2f, 0.2f, 1};
    Colour diffuse{0.8f, 0.8f, 0.8f, 1};
    Colour specular{0, 0, 0, 1};
    float shininess = 50;
    float specularLevel = 1;

    Texture* diffuseTexture = nullptr;     // map types 1 and 10
    Texture* reflectionTexture = nullptr;  // 9
    Texture* secondTexture = nullptr;      // 7
    Texture* bumpTexture = nullptr;        // 8
    Texture* normalisationCubeMap = nullptr;  // the program's own one unless set

    int32_t shadeModel = 0;  // 0..13
    bool lightingOn = false;   // force lighting on
    bool lightingOff = false;  // force lighting off
    bool moreLight = false;    // brighter second-texture combine
    bool usesUv0 = false;
    bool usesUv1 = false;
    bool usesGeneratedUv = false;
    bool multiUnitCoordinates = false;  // select each client unit before its array
    bool usesLighting = false;

private:
    int32_t materialId;
    std::string materialName;
    float opacityValue = 1;
    bool additiveOn = false;
    bool transparentOn = false;
    uint32_t applies = 0;
};
