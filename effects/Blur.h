#pragma once
// "Blur": a fixed-function image filter. Its update captures the source into "_1"
// (1024 x 1024) and runs, behind their switches, a contrast pass (subtract, then
// multiply) into "_4" and one to four additive 6-tap blur passes through the 512 x 512
// targets "_2", "_3", "_4"; its render shows the result, added over the unfiltered
// capture when "DoGlow" is on (a glow).
//
// What the render shows: the last blur pass's target; "_4" when only the contrast pass
// ran; the capture "_1" when both are off. Without a source neither update nor render
// does anything: the targets keep what they hold and the frame is left as it is.
//
// The render targets belong to the type, not the instance: every Blur shares them and
// every constructor initialises them again under its own name, so two Blurs must not be
// active in overlapping frames.
#include "effects/ImageFilter.h"

class RenderTarget;

class Blur : public ImageFilter {
public:
    explicit Blur(const std::string& instanceName);
    void render(uint32_t t) override;

    BoolVariable doBlur{false};          // "DoBlur": run the blur passes
    BoolVariable doMulSub{false};        // "DoMulSub": run the contrast pass first
    BoolVariable doGlow{false};          // "DoGlow": add the result over the capture
    ChoiceVariable blurAmount{1, 4};     // "BlurAmount": blur passes minus one (0..3)
    BoolVariable blurOnlyX{false};       // "BlurOnlyX": horizontal taps only
    BoolVariable blurOnlyY{false};       // "BlurOnlyY": vertical taps only
    FloatVariable subtract{0.4f};        // "Subtract": taken off every channel
    FloatVariable multiply{1.0f};        // "Multiply": the boost (0: no boost)
    FloatVariable blurFactor{0.5f};      // "BlurFactor": tap weight
    FloatVariable glowStrength{1.0f};    // "GlowStrength": colour of the glow quad

    // The type's targets, for tests: capture "_1", then "_2", "_3", "_4".
    static RenderTarget& target(int suffix);

protected:
    void updateFromSource(uint32_t t) override;

private:
    // The target render shows; null when neither blur nor contrast ran this frame.
    RenderTarget* result = nullptr;
    bool glowOn = false;
};
