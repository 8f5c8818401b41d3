#include "effects/Image.h"

#include "base/ErrorReport.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

namespace {
Texture* loadPicture(const std::string& fileName) {
    return TextureCache::instance().get(fileName, "", GL_TEXTURE_2D, false);
}
}  // namespace

Image::Image(const std::string& instanceName) : Effect(instanceName) {
    tint.registerWith(*this);
    registerVariable(datafile, "Datafile", listKindNames0, typeKindChoice);
}

void Image::resetPlacement() {
    placement.reset();
    alphaOffset = 0;
    alphaFactor = 0;
}

void Image::start(uint32_t t) {
    Effect::start(t);
    resetPlacement();
}

void Image::onListEntryAdded(int32_t listKind, const std::string& text, uint32_t newCount) {
    if (listKind != listKindNames0) return;
    texture = loadPicture(text);
    datafile.count = newCount;
}

void Image::render(uint32_t t) {
    const float T = animatedTime();
    beginOverlay();
    EffectBlendScope blend(*this, LUMORA_HERE);
    glColor4f(tint.red.valueAt(t), tint.green.valueAt(t), tint.blue.valueAt(t), tint.alpha.valueAt(t) + alphaOffset);

    setOrthoUnit();
    placement.apply(T);
    const Vec3& scroll = placement.scroll;
    drawTexturedQuadTex(texture, QuadRect{0, 0, 1, 1}, QuadRect{scroll.x * T, scroll.y * T, 1, 1});

    endOverlay();
}

void Image::handleEvent(const DemoEvent& event) {
    Effect::handleEvent(event);
    if (placement.handleEvent(event)) return;
    switch (event.id) {
        case eventSpectrum: alphaOffset = alphaFactor * event.value; break;
        case eventImageFile: texture = loadPicture(event.text); break;
        case eventImageAlphaFactor: alphaFactor = event.value; break;
        case eventImageAlpha: tint.alpha.current = event.value; break;
        default: break;
    }
}
