#pragma once
// "Osc": an oscilloscope of the music. Its start takes hold of the program's one tap on
// the mixed output (effects/OscilloTap); each frame it draws the oldest complete block of
// the tap's ring as a thick line strip of `points` segments into a small render target
// ("oscillo"), then lays that target over the frame in a movable rectangle as a darkening
// mask: the frame goes dark where the line is, by the line's alpha.
//
// Without sound (music switched off, no device, a capture without its soundtrack) the
// start takes no tap and the ring stays silent: the effect draws its flat line at half
// height instead of ending the program. Before its first start it draws nothing.
//
// Variables after the base ones: "Red", "Green", "Blue", "Alpha" (1, 1, 1, 0.5), the
// line's colour; "xPos", "yPos" (0.4, 0.4), the rectangle's top-left corner at
// (xPos, 1 - yPos) with y up; "Width", "Height" (0.4, 0.4), its size.
#include "base/RenderTarget.h"
#include "demoSystem/Effect.h"
#include "effects/TintVariables.h"

class Oscillo : public Effect {
public:
    static constexpr int points = 100;      // line segments across the block
    static constexpr int targetSize = 256;  // the "oscillo" target, square
    static constexpr float lineWidth = 4.0f;

    explicit Oscillo(const std::string& instanceName);
    ~Oscillo() override;  // the last started Osc to go removes the tap

    void start(uint32_t t) override;
    void render(uint32_t t) override;

    bool isStarted() const { return started; }
    // The texture the wave is drawn into (tests read it back).
    uint32_t waveTextureName() const { return target.colorTextureName(); }

    TintVariables tint{1.0f, 1.0f, 1.0f, 0.5f};
    FloatVariable xPos{0.4f};
    FloatVariable yPos{0.4f};
    FloatVariable width{0.4f};
    FloatVariable height{0.4f};

private:
    void drawWave();

    RenderTarget target;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    bool started = false;
    bool holdsTap = false;
};
