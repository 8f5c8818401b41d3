#pragma once
// "ShaderRTT": the blur, contrast and glow controls of Blur done with fragment programs.
// Its update captures the source into "_1" (1024 x 1024), optionally runs the
// subtract/multiply program ("fragment_submul") into the working target B, then four
// stages of two blur passes ("fragment_blur") through the working pair A, B with growing
// tap offsets; its render shows B (or the capture when neither ran), NumAdditivePasses + 1
// times, added over the capture when "DoGlow" is on.
//
// Working pairs: 128 x 128 ("_2", "_3") or 512 x 512 ("_4", "_5"); event 39 picks the
// low pair for a value under 512 and the high pair otherwise, for every instance.
// "NumAdditivePasses" is read as stored: a script writes it normalised (1/3 per draw).
//
// The render targets belong to the type: every ShaderRTT shares them and every
// constructor initialises them again under its own name, so two ShaderRTTs must not be
// active in overlapping frames. Without a source neither update nor render does anything.
#include "effects/ImageFilter.h"

class FragmentProgram;
class RenderTarget;

class ShaderRTT : public ImageFilter {
public:
    explicit ShaderRTT(const std::string& instanceName);
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;

    BoolVariable doBlur{false};                // "DoBlur"
    BoolVariable doMulSub{false};              // "DoMulSub"
    BoolVariable doGlow{false};                // "DoGlow"
    FloatVariable subtract{0.4f};              // "Subtract": taken off every channel
    FloatVariable multiply{0.1f};              // "Multiply": the boost, divided by 10
    FloatVariable blurFactorX{0.5f};           // "BlurFactorX": blur width
    FloatVariable blurFactorY{0.5f};           // "BlurFactorY": blur height
    ChoiceVariable numAdditivePasses{0, 4};    // "NumAdditivePasses": extra draws of the result

    // The type's targets, for tests: capture "_1", low pair "_2", "_3", high pair "_4", "_5".
    static RenderTarget& target(int suffix);
    // Whether the 512 x 512 pair is the working pair (event 39).
    static bool highResolution();

protected:
    void updateFromSource(uint32_t t) override;

private:
    FragmentProgram* blurProgram;
    FragmentProgram* subMulProgram;
    RenderTarget* result = nullptr;  // what render shows; set by every update
    bool glowOn = false;
};
