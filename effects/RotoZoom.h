#pragma once
// "RotoZoom": the source effect's picture turned and zoomed through the texture matrix.
// The zoom z = 5 + 5 sin(T / 10 - pi/2) (at least 1e-7) pulses between 0 and 10 with the
// animated time T, and the picture turns by RotSpeed x T x 20 degrees about the screen's
// centre. At T = 0 the zoom is 1e-7, so the first frame shows the colour at the picture's
// centre over the whole screen. The picture is tinted by the colour variables and
// replaces what is under it.
//
// Each instance owns its capture target, named as the instance (512 x 512, RGB with
// depth, linear when minified, nearest when magnified, repeating). Without a source the
// last captured picture is drawn (black before the first).
#include "effects/ImageFilter.h"
#include "effects/TintVariables.h"
#include "base/RenderTarget.h"

class RotoZoom : public ImageFilter {
public:
    explicit RotoZoom(const std::string& instanceName);
    void render(uint32_t t) override;

    // The zoom z at animated time T.
    static float zoomAt(float T);

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};
    FloatVariable rotationSpeed{0.5f};  // "RotSpeed"

    RenderTarget target;

protected:
    void updateFromSource(uint32_t t) override;
};
