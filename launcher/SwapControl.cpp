#include "launcher/SwapControl.h"

#include <SDL.h>

bool SwapControl::wanted(LaunchOptions::Vsync request, bool windowShown, bool fixedStep) {
    switch (request) {
        case LaunchOptions::Vsync::On: return true;
        case LaunchOptions::Vsync::Off: return false;
        case LaunchOptions::Vsync::Default: break;
    }
    return windowShown && !fixedStep;
}

std::vector<int> SwapControl::intervalsToTry(bool vsync) {
    return vsync ? std::vector<int>{-1, 1} : std::vector<int>{0};
}

int SwapControl::apply(bool vsync) {
    for (int interval : intervalsToTry(vsync)) {
        if (SDL_GL_SetSwapInterval(interval) == 0) {
            return interval;
        }
    }
    return 0;
}
