#include "tests/support/GLTestContext.h"

#include "base/LumoraConfig.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace testgl {

LumoraWindow& context() {
    static LumoraWindow window;
    static bool made = false;
    if (!made) {
        std::string error;
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        if (!initVideo(true, error)) {
            ADD_FAILURE() << error;
        }
        made = window.create("lumora test", contextWidth, contextHeight, 32, false, nullptr, 0, nullptr);
        if (!made) {
            ADD_FAILURE() << "no offscreen GL context: " << SDL_GetError();
        }
        LumoraConfig::query();
    }
    window.makeCurrent();
    glViewport(0, 0, contextWidth, contextHeight);
    return window;
}

Rgba readPixel(int x, int y) {
    Rgba pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

std::vector<uint8_t> readRgba(int x, int y, int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

}  // namespace testgl
