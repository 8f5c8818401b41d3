// The loading picture: drawn once over the whole window right after the data pack is
// selected, and left up (no event handling) until the first demo frame replaces it.
#include "launcher/LumoraLauncher.h"

#include "effects/Drawing2D.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

void showLoadingScreen(LumoraWindow& window) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    // Without the picture the same rectangle is drawn untextured, in the current colour.
    Texture* picture = TextureCache::instance().get(loadingPictureName, "", GL_TEXTURE_2D, false);
    setOrthoUnit();
    drawTexturedQuad(picture, QuadRect{0, 0, 1, 1});
    window.swapBuffers();
}
