#pragma once
// "FramebufferScroll": the source effect's picture drawn full-screen with texture
// coordinates that drift with the animated time T, so the picture scrolls endlessly (its
// capture target repeats). The offset is (FactorX x T, FactorY x T). The picture is
// tinted by the colour variables and drawn with the effect blend; a fragment program
// given by event 36 runs over it with Factor0..3 as its "factors"; a texture named by
// event 26 multiplies it on texture unit 1, scrolling with it. Without a source nothing
// is drawn.
//
// The capture target "<instance>_1" (512 x 512, RGBA with depth, repeating) is shared by
// every FramebufferScroll: each constructor makes it afresh under its own name.
#include "effects/ImageFilter.h"
#include "effects/TintVariables.h"

class RenderTarget;
class Texture;

class FramebufferScroll : public ImageFilter {
public:
    explicit FramebufferScroll(const std::string& instanceName);
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;

    // The target all instances capture into.
    static RenderTarget& captureTarget();

    FloatVariable factorX{1.0f};  // "FactorX": horizontal offset per unit of T
    FloatVariable factorY{0.0f};  // "FactorY": vertical offset per unit of T
    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};
    Texture* overlay = nullptr;   // event 26; the cache owns it

protected:
    void updateFromSource(uint32_t t) override;
};
