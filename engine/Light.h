#pragma once
// Light: a scene node that drives one fixed-function GL light (glIndex, its place among
// the scene's lights). The scene reader sets the colours, attenuation, spot cone and
// target id from the file through the rules below; the Scene assigns glIndex and links
// the target when loading ends. A targeted light is positioned but does not light
// through GL (its GL light is switched off again when it is applied).
//
// A light whose glIndex is not below the driver's number of GL lights (GL_MAX_LIGHTS, 8
// on Mesa) sends nothing to GL (GL would refuse the index with an error, which ends the
// program); it still counts among the scene's lights for vertex programs and as a target.
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

    // Per frame, after the camera view is set: off when disabled; otherwise the flicker
    // colour, the GL light on at (position, 1), attenuation, the spot direction (0, 0, -1)
    // or the light off again when targeted, cutoff and exponent.
    void apply();
    // Ambient, diffuse and specular to GL and the GL light on; nothing when disabled.
    void sendColours() const;
    // Switches the GL light on or off now (the Scene effect's light switch).
    void switchGL(bool on) const;
    // Flicker scales baseColour by a new random factor 0..1 each frame; switching it off
    // puts diffuse back to baseColour (and sends it).
    void setFlicker(bool on);
    // Whether glIndex names a GL light the driver has.
    bool hasGLLight() const;
    // GL_MAX_LIGHTS, read on the first call (GL context current).
    static int32_t glLightCount();
    // The flicker factor from a random value 0..32767.
    static float flickerFactor(int randomValue) { return float(randomValue) / 32767.0f; }

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

protected:
    std::unique_ptr<SceneObject> cloneSelf() const override;
};
