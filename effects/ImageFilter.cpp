#include "effects/ImageFilter.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "demoSystem/Effect.h"

#include <epoxy/gl.h>

void captureSource(Effect& effect, RenderTarget& target, uint32_t t) {
    checkNotNull(effect.source, LUMORA_HERE);
    target.bind();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, target.width(), target.height());
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    effect.source->update(t);
    effect.source->render(t);
    target.unbind();
}

void startWithSource(Effect& effect, uint32_t t) {
    effect.Effect::start(t);
    if (effect.source) effect.source->start(t);
}

SavedViewport::SavedViewport() {
    glGetIntegerv(GL_VIEWPORT, viewport);
}

SavedViewport::~SavedViewport() {
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
