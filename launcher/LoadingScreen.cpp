// Placeholder until pictures land: the loading picture is a cleared frame.
#include "launcher/LumoraLauncher.h"

#include <epoxy/gl.h>

void showLoadingScreen(LumoraWindow& window) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    window.swapBuffers();
}
