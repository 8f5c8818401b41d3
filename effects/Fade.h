#pragma once
// "Fade": a full-screen coloured veil whose alpha follows the animated time T (1 - T
// while reversed), so a fade in or out lasts as long as Speed makes T take to reach 1.
//
// Events: 22 sets the duration (Speed := 1 / value), 27 the direction (reverse := value
// > 0), 31 blendOver (value > 0): cover the frame with alpha blending even when not
// reversed, instead of adding the colour. reverse keeps its value across restarts;
// blendOver goes back to off at every start.
#include "demoSystem/Effect.h"
#include "effects/TintVariables.h"

class Fade : public Effect {
public:
    explicit Fade(const std::string& instanceName);
    void start(uint32_t t) override;
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;

    // Veil colour; "Alpha" is registered but the veil's alpha comes from T.
    TintVariables tint{0.0f, 0.0f, 0.0f, 0.0f};
    bool reverse = true;
    bool blendOver = false;
};
