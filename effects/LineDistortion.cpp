#include "effects/LineDistortion.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "effects/EffectProgramScope.h"
#include "effects/ShortRandom.h"

#include <epoxy/gl.h>

#include <cmath>
#include <memory>
#include <new>

namespace {

constexpr int floatsPerStrip = 8;  // four corners of two floats
constexpr int stripFloats = LineDistortion::stripCount * floatsPerStrip;

struct SharedWave {
    float phase = 0.0f;
    std::unique_ptr<float[]> vertices;
    std::unique_ptr<float[]> texCoords;
};

SharedWave& wave() {
    static SharedWave shared;
    return shared;
}

void buildStrips(SharedWave& shared) {
    shared.vertices.reset(new (std::nothrow) float[stripFloats]);
    shared.texCoords.reset(new (std::nothrow) float[stripFloats]);
    if (!shared.vertices || !shared.texCoords) {
        reportError(LUMORA_HERE, "out of mem!", true);
        return;
    }
    for (int i = 0; i < LineDistortion::stripCount; ++i) {
        const float a = float(i) / LineDistortion::stripCount;
        const float b = float(i + 1) / LineDistortion::stripCount;
        const float corners[floatsPerStrip] = {0, 1 - a, 0, 1 - b, 1, 1 - b, 1, 1 - a};
        const float coords[floatsPerStrip] = {0, a, 0, b, 1, b, 1, a};
        for (int k = 0; k < floatsPerStrip; ++k) {
            shared.vertices[i * floatsPerStrip + k] = corners[k];
            shared.texCoords[i * floatsPerStrip + k] = coords[k];
        }
    }
}

}  // namespace

RenderTarget& LineDistortion::captureTarget() {
    static RenderTarget shared;
    return shared;
}

float LineDistortion::phase() {
    return wave().phase;
}

void LineDistortion::setPhase(float value) {
    wave().phase = value;
}

const float* LineDistortion::stripTexCoords() {
    return wave().texCoords.get();
}

LineDistortion::LineDistortion(const std::string& instanceName) : ImageFilter(instanceName) {
    registerVariable(maxAmplitude, "MaxAmplitude", listKindPlain, typeKindFloat);
    registerVariable(magic1, "Magic1", listKindPlain, typeKindFloat);
    registerVariable(magic2, "Magic2", listKindPlain, typeKindFloat);
    registerVariable(magic3, "Magic3", listKindPlain, typeKindFloat);
    registerVariable(magic4, "Magic4", listKindPlain, typeKindFloat);
    tint.registerWith(*this);
    RenderTarget& target = captureTarget();
    target.init(instanceName + "_1", 512, 512, RenderTarget::withDepth | RenderTarget::rgbaColor);
    target.setTextureParameter(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    target.setTextureParameter(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void LineDistortion::updateFromSource(uint32_t t) {
    captureSource(captureTarget(), t);
}

float LineDistortion::stripShift(float p, float F, float G, float E, float A, int noise) {
    // The wave's sine is taken in extended precision; 0.8 enters as a float.
    const long double angle = static_cast<long double>(p) * F * 0.001953125L * G * static_cast<long double>(6.28);
    const double r = noise * 3.0518509e-05 * 0.2 + static_cast<double>(std::sin(angle)) * double(0.8f);
    const float shift = float(std::pow(r, double(E)) * A * 0.5);
    return std::isfinite(shift) ? shift : 0.0f;
}

void LineDistortion::render(uint32_t t) {
    if (!source) return;
    glEnable(GL_BLEND);
    EffectBlendScope blend(*this, LUMORA_HERE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    setOrthoUnitFlipped();
    tint.apply(t);
    glBindTexture(GL_TEXTURE_2D, captureTarget().colorTextureName());
    EffectProgramScope shading(*this, t, EffectProgramScope::withFactors);

    SharedWave& shared = wave();
    if (!shared.vertices || !shared.texCoords) buildStrips(shared);

    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const float A = maxAmplitude.valueAt(t);
    const float F = magic1.valueAt(t);
    shared.phase += magic2.valueAt(t);
    const float E = magic3.valueAt(t);
    const float G = magic4.valueAt(t) + spectrumLevel();
    for (int i = 0; i < stripCount; ++i) {
        const float s = stripShift(float(i) + shared.phase, F, G, E, A, shortRandom());
        float* coords = &shared.texCoords[i * floatsPerStrip];
        coords[0] = s;
        coords[2] = s;
        coords[4] = s + 1;
        coords[6] = s + 1;
    }
    glVertexPointer(2, GL_FLOAT, 0, shared.vertices.get());
    glTexCoordPointer(2, GL_FLOAT, 0, shared.texCoords.get());
    glDrawArrays(GL_QUADS, 0, stripCount * 4);

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColor4f(1, 1, 1, 1);
}
