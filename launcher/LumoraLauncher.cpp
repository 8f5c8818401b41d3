#include "launcher/LumoraLauncher.h"

#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "base/LumoraConfig.h"
#include "base/lvp.h"
#include "demoSystem/LumoraMusic.h"
#include "launcher/FrameCapture.h"
#include "launcher/TimelineHost.h"

#include <epoxy/gl.h>

#include <cstdlib>
#include <cstring>

LaunchOptions launchOptions;
DemoClock demoClock;
LumoraWindow demoWindow;

const char* const requiredExtensions[9] = {
    "WGL_ARB_pbuffer", "WGL_ARB_render_texture", "ARB_multitexture", "ARB_shadow", "ARB_depth_texture",
    "EXT_framebuffer_object", "ARB_fragment_program", "ARB_vertex_program", "ARB_texture_compression",
};

namespace {

// Pbuffers and render-to-texture exist only in WGL; render targets here are framebuffer
// objects, so those two names count as present.
bool extensionPresent(const char* name) {
    if (std::strncmp(name, "WGL_", 4) == 0) {
        return true;
    }
    return epoxy_has_gl_extension((std::string("GL_") + name).c_str());
}

void shutdownMusicAtExit() {
    LumoraMusic::shutdown();
}

}  // namespace

std::string programDirectory() {
    char* base = SDL_GetBasePath();
    std::string directory = base ? base : "./";
    SDL_free(base);
    return directory;
}

void useDemoData(const std::string& dataDirectory) {
    if (dataDirectory.empty()) {
        DataPack::usePack((programDirectory() + packFileName).c_str(), packPassword);
    } else {
        DataPack::usePlainDirectory(dataDirectory.c_str());
    }
}

void windowProcedure(const SDL_Event& event) {
    if (!inputEnabled) {
        return;
    }
    switch (event.type) {
        case SDL_QUIT:
            quitRequested = true;
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                quitRequested = true;
            }
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE) {
                quitRequested = true;
            }
            break;
        default:
            break;
    }
}

void checkExtensions() {
    for (const char* name : requiredExtensions) {
        if (!extensionPresent(name)) {
            reportErrorText(LUMORA_HERE, "Extension not supported", name, true);
        }
    }
    if (maxTextureUnits < 3) {
        reportError(LUMORA_HERE, "Minimum 3 texture units are required", true);
    }
}

void runFrameLoop(const std::function<uint32_t()>& readClock, const std::function<void(uint32_t)>& present,
                  uint32_t endTime) {
    while (!quitRequested) {
        SDL_Event event;
        if (SDL_PollEvent(&event)) {
            bool quitEvent = event.type == SDL_QUIT;
            windowProcedure(event);
            if (quitEvent && quitRequested) {
                continue;
            }
        }
        uint32_t t = readClock();
        renderFrame(t);
        if (readClock() > endTime) {
            break;
        }
        present(t);
    }
}

void loadDemo(const char* scriptName) {
    if (musicEnabled) {
        LumoraMusic::pause();
    }
    loadTimelineScript(scriptName);
    if (musicEnabled && LumoraMusic::init()) {
        std::string musicPath = programDirectory() + musicFileName;
        if (LumoraMusic::open(musicPath.c_str())) {
            LumoraMusic::setTime(demoStart);
            LumoraMusic::play();
        }
    }
    demoClock.start(demoStart);
}

void runDemo(int width, int height, bool music, bool fullscreen, int fsaaSamples) {
    SDL_Event pending;
    SDL_PollEvent(&pending);

    musicEnabled = music;
    screenWidth = width;
    screenHeight = height;
    fullscreenEnabled = fullscreen;

    if (!demoWindow.create(demoTitle, width, height, 32, fullscreen, windowProcedure, fsaaSamples, nullptr)) {
        reportError(LUMORA_HERE, "Window creation failed", true);
    }
    // A fullscreen request may give another size than asked: draw at the size we got.
    if (demoWindow.drawableWidth() > 0 && demoWindow.drawableHeight() > 0) {
        screenWidth = demoWindow.drawableWidth();
        screenHeight = demoWindow.drawableHeight();
    }
    if (!glLoaderInitialised) {
        reportError(LUMORA_HERE, "Could not init GLee", true);
    }
    LumoraConfig::query();
    checkExtensions();
    if (recordedFsaaMode > 0 && epoxy_has_gl_extension("GL_ARB_multisample")) {
        // The 3D scenes turn multisampling on where they want it.
        glDisable(GL_MULTISAMPLE_ARB);
    }
    if (fullscreenEnabled) {
        SDL_ShowCursor(SDL_DISABLE);
    }

    useDemoData(launchOptions.dataDirectory);
    showLoadingScreen(demoWindow);

    createTimeline();
    std::atexit(shutdownMusicAtExit);
    loadDemo(demoScriptName);

    inputEnabled = true;
    if (launchOptions.capture) {
        FrameCapture capture;
        uint32_t from = launchOptions.captureFromGiven ? launchOptions.captureFrom : demoStart;
        uint32_t to = launchOptions.captureToGiven ? std::min(launchOptions.captureTo, demoEnd) : demoEnd;
        std::string error;
        if (!capture.begin(launchOptions.captureDirectory, launchOptions.captureFps, from, to, error)) {
            reportError(LUMORA_HERE, error.c_str(), true);
        }
        runFrameLoop([&] { return capture.frameTime(); },
                     [&](uint32_t) {
                         if (!capture.writeFrame(screenWidth, screenHeight)) {
                             reportError(LUMORA_HERE, "capture: could not write a frame", true);
                         }
                         demoWindow.swapBuffers();
                         capture.advance();
                     },
                     to);
        capture.finish();
    } else {
        runFrameLoop([] { return uint32_t(demoClock.now()); }, [](uint32_t) { demoWindow.swapBuffers(); }, demoEnd);
    }

    demoWindow.destroy();
    SDL_ShowCursor(SDL_ENABLE);
    releaseTimeline();
}
