#include "base/LumoraWindow.h"

#include "base/ErrorReport.h"

#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>

FsaaMode fsaaModes[4] = {{2, false, -1}, {4, false, -1}, {6, false, -1}, {8, false, -1}};
int recordedFsaaMode = 0;
bool glLoaderInitialised = false;

namespace {

bool realDisplay = false;

bool isOffscreenDriver(const char* name) {
    return name && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

void setPixelFormatAttributes(int colorBits, int samples) {
    int channelBits = colorBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, samples);
}

// The extension loader resolves lazily; what can fail is a context without usable GL.
void initExtensionLoader() {
    if (glLoaderInitialised) {
        return;
    }
    if (epoxy_gl_version() < 13) {
        reportError(LUMORA_HERE, "Could not init GLee", true);
    }
    glLoaderInitialised = true;
}

bool askYesNo(const char* question, const char* caption) {
    if (!realDisplay) {
        // Nobody can answer offscreen: take the answer that keeps the demo running.
        std::fprintf(stderr, "%s yes (offscreen)\n", question);
        return true;
    }
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
    };
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_WARNING;
    data.title = caption;
    data.message = question;
    data.numbuttons = 2;
    data.buttons = buttons;
    int chosen = 0;
    if (SDL_ShowMessageBox(&data, &chosen) != 0) {
        return false;
    }
    return chosen == 1;
}

void showPlainBox(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    if (realDisplay) {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "error", text, nullptr);
    }
}

}  // namespace

bool initVideo(bool headless, std::string& error) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    bool noDisplay = (!display || !*display) && (!wayland || !*wayland);
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    bool offscreenRequested = headless || noDisplay || isOffscreenDriver(requested);
    if (headless || noDisplay) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("could not start video: ") + SDL_GetError();
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (isOffscreenDriver(driver) && !offscreenRequested) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        error = std::string("could not open the display '") + (display ? display : "") +
                "' (SDL fell back to its " + driver + " driver); use --headless to render offscreen";
        return false;
    }
    realDisplay = !isOffscreenDriver(driver);
    return true;
}

bool displayInUse() {
    return realDisplay;
}

bool LumoraWindow::makeContext(const char* title, int w, int h, Uint32 windowFlags, int samples) {
    setPixelFormatAttributes(colorBits, samples);
    window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                              windowFlags | SDL_WINDOW_OPENGL);
    if (!window) {
        return false;
    }
    glContext = SDL_GL_CreateContext(window);
    return glContext != nullptr;
}

void LumoraWindow::destroyAndReport(const char* message) {
    destroy();
    reportError(LUMORA_HERE, message, true);
}

bool LumoraWindow::probe(int w, int h, int bits, WindowProcedure procedure) {
    className = "LumoraConfigWindow";
    colorBits = bits;
    width = w;
    windowProcedure = procedure;
    if (!makeContext(className.c_str(), w, h, SDL_WINDOW_HIDDEN, 0)) {
        if (!window) {
            destroy();
            showPlainBox("window creation error");
            return false;
        }
        destroyAndReport("DemoEngine: Could not create GL context");
    }
    if (SDL_GL_MakeCurrent(window, glContext) != 0) {
        destroyAndReport("DemoEngine: Could not activate GL context");
    }
    initExtensionLoader();
    destroy();

    // Each sample count gets its own hidden window: a config either exists for it or not.
    for (FsaaMode& mode : fsaaModes) {
        className = "LumoraConfigWindow";
        bool madeIt = makeContext(className.c_str(), w, h, SDL_WINDOW_HIDDEN, mode.samples);
        int gotSamples = 0;
        if (madeIt && SDL_GL_MakeCurrent(window, glContext) == 0) {
            glGetIntegerv(GL_SAMPLES, &gotSamples);
        }
        mode.supported = madeIt && gotSamples >= mode.samples;
        mode.format = mode.supported ? gotSamples : -1;
        destroy();
    }
    SDL_GL_ResetAttributes();
    return true;
}

bool LumoraWindow::create(const char* title, int w, int h, int bits, bool wantFullscreen,
                          WindowProcedure procedure, int fsaaMode, SDL_Window* /*parent*/) {
    className = title;
    colorBits = bits;
    width = w;
    windowProcedure = procedure;
    recordedFsaaMode = fsaaMode;

    Uint32 flags = 0;
    bool switchDisplay = false;
    if (wantFullscreen) {
        SDL_DisplayMode wanted{SDL_PIXELFORMAT_UNKNOWN, w, h, 0, nullptr};
        SDL_DisplayMode closest{};
        bool available = SDL_GetClosestDisplayMode(0, &wanted, &closest) && closest.w == w && closest.h == h;
        if (available) {
            switchDisplay = true;
            flags |= SDL_WINDOW_FULLSCREEN;
        } else if (!askYesNo("requested fullscreen mode not supported, run windowed?", "Error")) {
            return false;
        } else {
            flags |= SDL_WINDOW_BORDERLESS;
        }
    }

    int samples = 0;
    switch (fsaaMode) {
        case 0: break;
        case 2: case 4: case 6: case 8: {
            const FsaaMode& mode = fsaaModes[fsaaMode / 2 - 1];
            samples = mode.supported ? fsaaMode : 0;  // no probed config: plain format
            break;
        }
        default: reportError(LUMORA_HERE, "Unsupported FSAA mode", true);
    }

    bool made = makeContext(title, w, h, flags, samples);
    if (!made && window && samples > 0) {
        // The driver refused the multisample config: fall back to the plain one.
        destroy();
        className = title;
        samples = 0;
        made = makeContext(title, w, h, flags, samples);
    }
    if (!made) {
        if (!window) {
            destroy();
            showPlainBox("window creation error");
            return false;
        }
        destroyAndReport("DemoEngine: Could not create GL context");
    }
    if (switchDisplay) {
        SDL_DisplayMode mode{SDL_PIXELFORMAT_UNKNOWN, w, h, 0, nullptr};
        SDL_DisplayMode closest{};
        if (SDL_GetClosestDisplayMode(0, &mode, &closest)) {
            SDL_SetWindowDisplayMode(window, &closest);
        }
    }
    if (SDL_GL_MakeCurrent(window, glContext) != 0) {
        destroyAndReport("DemoEngine: Could not activate GL context");
    }
    initExtensionLoader();
    fullscreen = switchDisplay;
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    return true;
}

void LumoraWindow::destroy() {
    if (fullscreen && window) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_ShowCursor(SDL_ENABLE);
        fullscreen = false;
    }
    if (glContext) {
        if (SDL_GL_MakeCurrent(window, nullptr) != 0) {
            reportError(LUMORA_HERE, "DemoEngine: could not reset device context", true);
        }
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (window) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    className.clear();
}

void LumoraWindow::swapBuffers() {
    if (window) {
        SDL_GL_SwapWindow(window);
    }
}

bool LumoraWindow::makeCurrent() {
    return window && glContext && SDL_GL_MakeCurrent(window, glContext) == 0;
}

int LumoraWindow::drawableWidth() const {
    int w = 0, h = 0;
    if (window) {
        SDL_GL_GetDrawableSize(window, &w, &h);
    }
    return w;
}

int LumoraWindow::drawableHeight() const {
    int w = 0, h = 0;
    if (window) {
        SDL_GL_GetDrawableSize(window, &w, &h);
    }
    return h;
}
