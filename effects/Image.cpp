#include "effects/Image.h"

#include "base/ErrorReport.h"
#include "effects/Drawing2D.h"
#include "effects/EffectBlend.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

namespace {
Vector3 valuesOf(const DemoEvent& event) {
    return Vector3{event.values[0], event.values[1], event.values[2]};
}

Texture* loadPicture(const std::string& fileName) {
    return TextureCache::instance().get(fileName, "", GL_TEXTURE_2D, false);
}
}  // namespace

Image::Image(const std::string& instanceName) : Effect(instanceName) {
    tint.registerWith(*this);
    registerVariable(datafile, "Datafile", listKindNames0, typeKindChoice);
}

void Image::resetPlacement() {
    position = Vector3{};
    rotation = Vector3{};
    scale = Vector3{1, 1, 1};
    scroll = Vector3{};
    spin = Vector3{};
    growth = Vector3{};
    grow = true;
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
    glTranslatef(position.x, position.y, position.z);
    // Rotation and scale act about the quad's centre.
    glTranslatef(0.5f, 0.5f, 0);
    glRotatef(spin.x * T + rotation.x, 1, 0, 0);
    glRotatef(spin.y * T + rotation.y, 0, 1, 0);
    glRotatef(spin.z * T + rotation.z, 0, 0, 1);
    if (grow) {
        glScalef(scale.x + T * growth.x, scale.y + T * growth.y, scale.z + T * growth.z);
    } else {
        glScalef(scale.x - T * growth.x, scale.y - T * growth.y, scale.z - T * growth.z);
    }
    glTranslatef(-0.5f, -0.5f, 0);
    drawTexturedQuadTex(texture, QuadRect{0, 0, 1, 1}, QuadRect{scroll.x * T, scroll.y * T, 1, 1});

    endOverlay();
}

void Image::handleEvent(const DemoEvent& event) {
    Effect::handleEvent(event);
    switch (event.id) {
        case eventSpectrum: alphaOffset = alphaFactor * event.value; break;
        case eventImagePosition: position = valuesOf(event); break;
        case eventImageRotation: rotation = valuesOf(event); break;
        case eventImageScale: scale = valuesOf(event); break;
        case eventImageScroll: scroll = valuesOf(event); break;
        case eventImageSpin: spin = valuesOf(event); break;
        case eventImageGrowth: growth = valuesOf(event); break;
        case eventImageGrow: grow = true; break;
        case eventImageShrink: grow = false; break;
        case eventImageFile: texture = loadPicture(event.text); break;
        case eventImageAlphaFactor: alphaFactor = event.value; break;
        case eventImageAlpha: tint.alpha.current = event.value; break;
        default: break;
    }
}
