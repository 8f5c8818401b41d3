#include "engine/SceneDepthTarget.h"

#include "base/RenderTarget.h"

namespace {
int openCaptures = 0;
int capturesReadingDepth = 0;
}  // namespace

RenderTarget& sceneDepthTarget() {
    static RenderTarget target;
    if (!target.isInited()) {
        target.init("scenedepth", sceneDepthTargetSide, sceneDepthTargetSide, RenderTarget::withDepth);
    }
    return target;
}

bool sceneDepthWanted() {
    return openCaptures == 0 || capturesReadingDepth > 0;
}

SceneDepthUse::SceneDepthUse(bool readsDepth) : reads(readsDepth) {
    ++openCaptures;
    if (reads) ++capturesReadingDepth;
}

SceneDepthUse::~SceneDepthUse() {
    --openCaptures;
    if (reads) --capturesReadingDepth;
}
