#pragma once
// "Noise": two layers of grey static over the frame, alpha-blended and tinted by the
// colour variables, with the spectrum level (event 5) added to the alpha. The layers are
// the textures "noisetexture" (1024 x 1024) and "noisetexture2" (512 x 512) on texture
// units 0 and 1, modulated, nearest-filtered, filled with new static by every
// constructor. With "Animate" on, the static jumps to a random texture offset (0..1 each
// way) every frame; otherwise it keeps the last offset. The offset is one for all Noise
// effects. A fragment program given by event 36 replaces the modulation; it takes no
// parameter.
#include "demoSystem/Effect.h"
#include "effects/Drawing2D.h"
#include "effects/TintVariables.h"

class Texture;

class Noise : public Effect {
public:
    explicit Noise(const std::string& instanceName);
    void render(uint32_t t) override;

    // The texture rectangle of the static, shared by every Noise.
    static QuadRect& noiseOffset();

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};
    BoolVariable animate{false};  // "Animate"

    Texture* noise1 = nullptr;  // "noisetexture"; the cache owns both
    Texture* noise2 = nullptr;  // "noisetexture2"
};
