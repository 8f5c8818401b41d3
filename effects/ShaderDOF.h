#pragma once
// "ShaderDOF": depth of field. Its update captures the source into "_1" (1024 x 1024) and
// runs four stages of the "fragment_dof" program through the 512 x 512 pair "_4", "_5":
// each tap offset is scaled per pixel by the scene's depth-information target (red: 0 in
// focus, 1 fully blurred), so only what lies off the focal plane blurs. Its render shows
// "_5" (the capture when "DoBlur" is off) NumAdditivePasses times, added over the capture
// when "DoGlow" is on; with 0 passes and no glow it draws nothing.
//
// The render targets belong to the type: every ShaderDOF shares them and every
// constructor initialises them again under its own name, so two ShaderDOFs must not be
// active in overlapping frames. Without a source neither update nor render does anything.
#include "effects/ImageFilter.h"

class FragmentProgram;
class RenderTarget;

class ShaderDOF : public ImageFilter {
public:
    explicit ShaderDOF(const std::string& instanceName);
    void render(uint32_t t) override;

    BoolVariable doBlur{false};                // "DoBlur"
    BoolVariable doGlow{false};                // "DoGlow"
    FloatVariable blurFactorX{0.5f};           // "BlurFactorX": blur width
    FloatVariable blurFactorY{0.5f};           // "BlurFactorY": blur height
    ChoiceVariable numAdditivePasses{1, 1};    // "NumAdditivePasses": draws of the result, an integer

    // The type's targets, for tests: capture "_1", pair "_4", "_5".
    static RenderTarget& target(int suffix);

protected:
    void updateFromSource(uint32_t t) override;
    bool readsSceneDepth() const override { return true; }

private:
    FragmentProgram* dofProgram;
    RenderTarget* result = nullptr;  // what render shows; set by every update
    bool glowOn = false;
};
