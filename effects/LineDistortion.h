#pragma once
// "LineDistortion": the source effect's picture cut into 512 horizontal strips, each
// shifted sideways by a noisy sine wave that moves every frame. Strip i's texture
// coordinates move by pow(r, Magic3) x MaxAmplitude / 2, where r mixes a little random noise (shortRandom)
// with sin((i + phase) x Magic1 x (Magic4 + spectrum level) x 6.28 / 512). The picture is
// tinted by the colour variables and drawn with the effect blend; a fragment program
// given by event 36 runs over it with Factor0..3 as its "factors". Without a source
// nothing is drawn.
//
// Shared by every LineDistortion, as the wave is one wave: the phase, which each render
// of any instance advances by that instance's Magic2, the strip arrays (built at the
// first render, kept until exit) and the capture target "<instance>_1" (512 x 512, RGBA
// with depth, clamped at the edges), which each constructor makes afresh under its own
// name.
//
// A shift that is not a number (a negative r to a fractional power) counts as 0: the
// strip stays where it is instead of sampling at undefined texture coordinates.
#include "effects/ImageFilter.h"
#include "effects/TintVariables.h"

class RenderTarget;

class LineDistortion : public ImageFilter {
public:
    static constexpr int stripCount = 512;

    explicit LineDistortion(const std::string& instanceName);
    void render(uint32_t t) override;

    static RenderTarget& captureTarget();
    static float phase();
    static void setPhase(float value);
    // Texture coordinates of the strips as last drawn (8 floats a strip: x, y of its four
    // corners); null before the first render.
    static const float* stripTexCoords();

    // The shift of one strip: p = strip + phase, F = Magic1, G = Magic4 + spectrum level,
    // E = Magic3, A = MaxAmplitude, noise a value of shortRandom() (0..32767).
    static float stripShift(float p, float F, float G, float E, float A, int noise);

    FloatVariable maxAmplitude{0.05f};  // "MaxAmplitude"
    FloatVariable magic1{20.0f};        // "Magic1": wave frequency
    FloatVariable magic2{1.0f};         // "Magic2": phase advance per render
    FloatVariable magic3{5.0f};         // "Magic3": exponent of the wave
    FloatVariable magic4{0.2f};         // "Magic4": second frequency factor
    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};

protected:
    void updateFromSource(uint32_t t) override;
};
