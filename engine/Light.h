#pragma once
// Light: a scene node that drives one fixed-function GL light (glIndex, its place among
// the scene's lights). The scene reader sets the colours, attenuation, spot cone and
// target id from the file through the rules below; the Scene assigns glIndex and links
// the target when loading ends. A targeted light is positioned but does not light
// through GL (its GL light is switched off again when it is applied).
#include "engine/SceneObject.h"

class Texture;

class Light : public SceneObject {
public:
    Light(int32_t id, std::string name);

    SceneObjectKind kind() const override { return SceneObjectKind::Light; }

    // The file's colour (already × multiplier, alpha 1): diffuse and specular take it,
    // ambient takes it with r, g, b × 0.3.
    void setColour(const Colour& colour);
    // Cone limits: a cutoff above 90 other than exactly 180 becomes 90, a negative one 0;
    // the exponent is limited to 0..128.
    // NaN, which GL would refuse, gives 180 and 0.
    static float limitCutoff(float cutoff);
    static float limitExponent(float exponent);

    Colour baseColour{1, 1, 1, 1};  // reference for flicker; the file leaves it alone
    Colour ambient{0.2f, 0.2f, 0.2f, 1};
    Colour diffuse{0.8f, 0.8f, 0.8f, 1};
    Colour specular{1, 1, 1, 1};
    float constantAttenuation = 1;
    float linearAttenuation = 0;
    float quadraticAttenuation = 0;
    float spotCutoff = 180;  // degrees
    float spotExponent = 0;
    int32_t glIndex = 0;
    int32_t targetId = -1;
    SceneObject* target = nullptr;
    bool enabled = true;
    bool shadowLight = false;
    bool flicker = false;
    Texture* projectorTexture = nullptr;  // owned by the texture cache
};
