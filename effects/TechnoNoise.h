#pragma once
// "TechnoNoise": scan lines over the source effect's picture. Each frame the picture is
// captured, then multiplied by a texture of horizontal lines (odd rows opaque white, even
// rows transparent black) into a second target. The render draws the capture tinted by
// the colour variables with the effect blend, and adds the lined copy over it, scaled by
// (ScaleSizeX, ScaleSizeY) about (ScaleOffsetX, ScaleOffsetY) in colour ScaleAlpha.
// Drawn smaller than 512 rows, the lines average to half the picture's brightness.
// Without a source nothing is drawn.
//
// The render leaves the scale on the modelview matrix: every effect sets its own.
//
// Shared by every TechnoNoise: the line texture "technonoisetexture" (512 x 512,
// nearest) and the targets "<instance>_1" (512 x 512, RGBA with depth, clamped: the
// capture) and "<instance>_2" (512 x 512, RGB with depth, repeating: capture x lines),
// which each constructor makes afresh under its own name.
#include "effects/ImageFilter.h"
#include "effects/TintVariables.h"

class RenderTarget;
class Texture;

class TechnoNoise : public ImageFilter {
public:
    explicit TechnoNoise(const std::string& instanceName);
    void render(uint32_t t) override;

    static RenderTarget& captureTarget();
    static RenderTarget& linesTarget();

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};
    FloatVariable scaleSizeX{1.5f};    // "ScaleSizeX"
    FloatVariable scaleSizeY{1.5f};    // "ScaleSizeY"
    FloatVariable scaleOffsetX{0.5f};  // "ScaleOffsetX": fixed point of the scale
    FloatVariable scaleOffsetY{0.5f};  // "ScaleOffsetY"
    FloatVariable scaleAlpha{1.0f};    // "ScaleAlpha": colour of the lined copy

    Texture* lines = nullptr;  // "technonoisetexture"; the cache owns it

protected:
    void updateFromSource(uint32_t t) override;

private:
    void drawLinedCopy();
};
