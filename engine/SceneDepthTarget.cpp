#include "engine/SceneDepthTarget.h"

#include "base/RenderTarget.h"

RenderTarget& sceneDepthTarget() {
    static RenderTarget target;
    if (!target.isInited()) {
        target.init("scenedepth", sceneDepthTargetSide, sceneDepthTargetSide, RenderTarget::withDepth);
    }
    return target;
}
