#include "tests/support/EffectFrame.h"

#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>

namespace testgl {

void updateAndRender(Effect& effect, uint32_t t) {
    effect.update(t);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    effect.render(t);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

std::vector<int> redRow(RenderTarget& target, int row) {
    target.bind();
    std::vector<uint8_t> rgba = readRgba(0, row, target.width(), 1);
    target.unbind();
    std::vector<int> red;
    red.reserve(rgba.size() / 4);
    for (size_t i = 0; i < rgba.size(); i += 4) red.push_back(rgba[i]);
    return red;
}

int redAt(RenderTarget& target, int x, int y) {
    return redRow(target, y)[size_t(x)];
}

void fill(RenderTarget& target, float red) {
    target.bind();
    glClearColor(red, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    target.unbind();
}

}  // namespace testgl
