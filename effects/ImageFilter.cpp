#include "effects/ImageFilter.h"

#include "base/ErrorReport.h"
#include "base/RenderTarget.h"
#include "engine/SceneDepthTarget.h"

#include <epoxy/gl.h>

void ImageFilter::start(uint32_t t) {
    Effect::start(t);
    if (source) source->start(t);
}

void ImageFilter::update(uint32_t t) {
    Effect::update(t);
    if (!source) return;
    SavedViewport keep;
    updateFromSource(t);
}

void ImageFilter::captureSource(RenderTarget& target, uint32_t t) {
    checkNotNull(source, LUMORA_HERE);
    target.bind();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, target.width(), target.height());
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    const SceneDepthUse depthUse(readsSceneDepth());
    source->update(t);
    source->render(t);
    target.unbind();
}

SavedViewport::SavedViewport() {
    glGetIntegerv(GL_VIEWPORT, viewport);
}

SavedViewport::~SavedViewport() {
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
