#pragma once
// "Mosaic": a photo-mosaic of the source effect's picture. A 64 x 64 copy of the picture
// is drawn zooming in about the centre (or the corner) with its texels as blocks, then
// brightened, and every block is multiplied by one small copy of the whole picture, taken
// at 256 x 256 and brightened by 4. The blocks grow with the animated time T, from the
// whole picture in one block at T = 0 (d = 1/64 of the low-resolution copy on the screen)
// to 0.97 of it; "Saturation" gives the brightening of the blocks, 2 to the power
// 1 + floor(log2(trunc(Saturation x 10))) (2 below 0.2).
//
// Each instance owns its targets "<instance>_hires" (256 x 256) and "<instance>_lowres"
// (64 x 64), RGB with depth, linear when minified and nearest when magnified. Without a
// source the last captured picture is drawn (black before the first). The tint and
// "PreSaturation" are registered and have no effect on the picture.
#include "effects/ImageFilter.h"
#include "effects/TintVariables.h"
#include "base/RenderTarget.h"

class Mosaic : public ImageFilter {
public:
    static constexpr int mosaicSize = 64;  // N: blocks across the low-resolution copy

    explicit Mosaic(const std::string& instanceName);
    void render(uint32_t t) override;

    // The zoom d of the low-resolution copy at animated time T.
    static float zoomAt(float T);
    // Multiplies the bound frame buffer's colour by 2 to the power 1 + floor(log2 n)
    // (by 2 for n < 2) with full-screen quads; leaves the depth test as it found it.
    static void brighten(int n);

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};
    FloatVariable saturation{0.4f};      // "Saturation"
    FloatVariable preSaturation{0.0f};   // "PreSaturation"
    BoolVariable zoomCenter{true};       // "ZoomCenter": zoom about the centre

    RenderTarget hires;
    RenderTarget lowres;

protected:
    void updateFromSource(uint32_t t) override;
};
