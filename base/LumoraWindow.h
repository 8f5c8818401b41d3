#pragma once
// The demo's window and its OpenGL context, on SDL2.
//
// Used twice per run: a hidden probe window, made before the settings dialog, finds out
// which multisample (FSAA) modes the driver offers; then the demo window itself. Contexts
// use the compatibility profile (the engine draws with fixed-function GL and ARB/EXT
// extensions); libepoxy resolves the entry points, so "initialising the extension loader"
// is a check that a usable GL came up. destroy() tears down in a fixed order and is safe
// on a partly made window.
//
// Video selection: initVideo() picks SDL's offscreen driver (an EGL pbuffer on Mesa) when
// the run is headless or no display exists, and refuses SDL's silent fall-back to the
// offscreen or dummy driver when a display was expected.
#include <SDL.h>

#include <string>

// One entry per sample count 2, 4, 6 and 8; filled by probe().
struct FsaaMode {
    int samples;
    bool supported;
    int format;  // the sample count of the config the probe got; -1 when none
};
extern FsaaMode fsaaModes[4];
// The FSAA mode the last create() was asked for (0 when none); read by the launcher.
extern int recordedFsaaMode;
// Set once a GL context has come up and the extension loader answered.
extern bool glLoaderInitialised;

// Receives the events the frame loop takes from the queue, one per frame.
using WindowProcedure = void (*)(const SDL_Event& event);

// Starts SDL's video subsystem with the right driver. headless forces the offscreen
// driver; without DISPLAY and WAYLAND_DISPLAY the run is headless as well. On failure
// returns false with a message for the user in error.
bool initVideo(bool headless, std::string& error);
// True after initVideo chose a real display (not offscreen, not dummy).
bool displayInUse();

class LumoraWindow {
public:
    bool probe(int width, int height, int colorBits, WindowProcedure procedure);
    bool create(const char* title, int width, int height, int colorBits, bool fullscreen,
                WindowProcedure procedure, int fsaaMode, SDL_Window* parent);
    void destroy();
    void swapBuffers();
    // Makes this window's context current again (after another window took it).
    bool makeCurrent();

    SDL_Window* sdlWindow() const { return window; }
    WindowProcedure procedure() const { return windowProcedure; }
    // The size of the drawable the system really gave (fullscreen may differ).
    int drawableWidth() const;
    int drawableHeight() const;

private:
    bool makeContext(const char* title, int width, int height, Uint32 windowFlags, int samples);
    void destroyAndReport(const char* message);

    std::string className;
    bool fullscreen = false;
    SDL_GLContext glContext = nullptr;
    SDL_Window* window = nullptr;
    int colorBits = 0;
    int width = 0;
    WindowProcedure windowProcedure = nullptr;
};
