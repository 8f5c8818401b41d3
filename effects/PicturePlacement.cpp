#include "effects/PicturePlacement.h"

#include "demoSystem/DemoEvent.h"

#include <epoxy/gl.h>

namespace {
Vec3 valuesOf(const DemoEvent& event) {
    return Vec3{event.values[0], event.values[1], event.values[2]};
}
}  // namespace

void PicturePlacement::reset() {
    *this = PicturePlacement{};
}

void PicturePlacement::apply(float T) const {
    glTranslatef(position.x, position.y, position.z);
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
}

bool PicturePlacement::handleEvent(const DemoEvent& event) {
    switch (event.id) {
        case eventImagePosition: position = valuesOf(event); return true;
        case eventImageRotation: rotation = valuesOf(event); return true;
        case eventImageScale: scale = valuesOf(event); return true;
        case eventImageScroll: scroll = valuesOf(event); return true;
        case eventImageSpin: spin = valuesOf(event); return true;
        case eventImageGrowth: growth = valuesOf(event); return true;
        case eventImageGrow: grow = true; return true;
        case eventImageShrink: grow = false; return true;
        default: return false;
    }
}
