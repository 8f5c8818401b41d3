#include "launcher/LumoraLauncher.h"

#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "base/LumoraConfig.h"
#include "base/lvp.h"
#include "demoSystem/LumoraMusic.h"
#include "launcher/AuthorOverlay.h"
#include "launcher/FixedStepClock.h"
#include "launcher/FrameBench.h"
#include "launcher/FrameCapture.h"
#include "launcher/FramePacer.h"
#include "launcher/LiveReload.h"
#include "launcher/MusicClock.h"
#include "launcher/PlaybackKeys.h"
#include "launcher/SoundtrackSection.h"
#include "launcher/SwapControl.h"
#include "launcher/TimelineHost.h"
#include "launcher/VideoEncoder.h"
#include "platform/SoundSystem.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>

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

MusicClock musicClock;

// The live run's playback keys, while one plays.
PlaybackKeys* livePlayback = nullptr;

}  // namespace

void usePlaybackKeys(PlaybackKeys* keys) {
    livePlayback = keys;
}

uint32_t liveDemoTime() {
    SoundSystem* sound = LumoraMusic::soundSystem();
    if (launchOptions.clock == LaunchOptions::Clock::Music && LumoraMusic::isPlaying() && sound) {
        uint64_t now = SDL_GetPerformanceCounter();
        uint64_t frequency = SDL_GetPerformanceFrequency();
        StreamClockReading reading = sound->streamClockReading();
        double streamMs = SoundSystem::streamClockMilliseconds(reading, now, frequency);
        double t = musicClock.step(streamMs, reading.advancing, double(now) * 1000.0 / double(frequency));
        return uint32_t(int64_t(std::max(0.0, t)));
    }
    return uint32_t(demoClock.now());
}

void restartLiveTime(uint32_t t) {
    if (musicEnabled) {
        LumoraMusic::setTime(t);
        if (!LumoraMusic::isPlaying()) {
            LumoraMusic::play();
        }
    }
    demoClock.start(t);
    musicClock.reset();
}

void pauseLiveTime(uint32_t t) {
    if (musicEnabled) {
        LumoraMusic::pause();
        LumoraMusic::setTime(t);
    }
}

void positionMusic(uint32_t t) {
    if (musicEnabled) {
        LumoraMusic::setTime(t);
    }
}

uint32_t liveEndTime() {
    return launchOptions.captureToGiven ? std::min(launchOptions.captureTo, demoEnd) : demoEnd;
}

namespace {

AuthorOverlay::Status overlayStatus(uint32_t t, const PlaybackKeys& playback, const LiveReload* reload) {
    AuthorOverlay::Status status;
    status.time = t;
    status.demoStart = demoStart;
    status.beatLength = beatLength;
    status.paused = playback.paused();
    status.loopStartSet = playback.loopStartSet();
    status.looping = playback.looping();
    status.loopStart = playback.loopStart();
    status.loopEnd = playback.loopEnd();
    if (reload) {
        status.lastLine = reload->lastLine();
        status.lastFailed = reload->lastFailed();
    }
    return status;
}

void runLiveFrames(bool paced) {
    FramePacer pacer(paced ? launchOptions.maxFps : 0);
    uint64_t frames = 0;
    uint64_t startCounter = SDL_GetPerformanceCounter();
    PlaybackKeys playback(liveEndTime);
    usePlaybackKeys(&playback);
    std::unique_ptr<LiveReload> reload;
    if (launchOptions.watch) {
        reload = std::make_unique<LiveReload>();
        reload->poll(SDL_GetTicks64());
        // Tells the author (and scripts driving a run) that saves count from here on.
        std::fprintf(stderr, "watching %zu files under %s\n", reload->watcher().watchedCount(),
                     launchOptions.dataDirectory.c_str());
    }
    if (launchOptions.captureFromGiven) {
        restartLiveTime(launchOptions.captureFrom);
    }
    playback.setOverlayShown(launchOptions.watch);
    AuthorOverlay overlay;
    runFrameLoop([&] { return playback.time(); },
                 [&](uint32_t t) {
                     if (playback.overlayShown()) {
                         overlay.draw(overlayStatus(t, playback, reload.get()), screenWidth, screenHeight);
                     }
                     demoWindow.swapBuffers();
                     overlay.frameDone(SDL_GetPerformanceCounter(), SDL_GetPerformanceFrequency());
                     ++frames;
                     if (reload) {
                         reload->poll(SDL_GetTicks64());
                     }
                     pacer.waitForNextFrame();
                 },
                 liveEndTime, nullptr,
                 // Watch mode: a fault while a frame renders is reported, not the end.
                 reload ? std::function<void(uint32_t)>([&](uint32_t t) { reload->renderFrame(t); })
                        : std::function<void(uint32_t)>());
    usePlaybackKeys(nullptr);
    if (!displayInUse() || launchOptions.headless) {
        // Offscreen nothing shows the run: say what it did.
        double seconds = double(SDL_GetPerformanceCounter() - startCounter) / double(SDL_GetPerformanceFrequency());
        std::fprintf(stderr, "lumora: %llu frames in %.1f s (%.1f frames/s)\n", (unsigned long long)frames, seconds,
                     seconds > 0 ? double(frames) / seconds : 0.0);
    }
}

void runBenchFrames(uint32_t from, uint32_t to) {
    FixedStepClock clock(from, to, fixedStepFps(launchOptions));
    FrameBench bench;
    bench.begin();
    runFrameLoop([&] { return clock.time(); },
                 [&](uint32_t t) {
                     demoWindow.swapBuffers();
                     bench.frameDone(t);
                     clock.advance();
                 },
                 to, &bench.timing());
    FrameBench::Summary summary = bench.summary(*publishedEffectList);
    std::string table = FrameBench::table(summary);
    std::fprintf(stderr, "bench: %dx%d at %d frames per second of demo time, %u..%u ms\n%s", screenWidth,
                 screenHeight, clock.framesPerSecond(), from, to, table.c_str());
    if (launchOptions.benchJson) {
        std::printf("%s\n", FrameBench::json(summary).c_str());
        std::fflush(stdout);
    }
}

// A static object, so that a fatal report (which exits) still stops ffmpeg and removes
// the unfinished file.
VideoEncoder videoEncoder;

// The soundtrack of the section from..to as a WAV file; its size, or 0 (with a one-line
// note) when there is no music to take it from.
uint64_t writeSoundtrack(const std::string& wavPath, uint32_t from, uint64_t frames, int fps) {
    std::string music = programDirectory() + musicFileName;
    if (!std::filesystem::exists(music)) {
        std::fprintf(stderr, "capture: no music file %s, so no soundtrack is written\n", music.c_str());
        return 0;
    }
    std::string error;
    if (!SoundtrackSection::writeWav(music, wavPath, from, SoundtrackSection::sampleFrames(frames, fps), error)) {
        reportError(LUMORA_HERE, ("capture: " + error).c_str(), true);
    }
    std::error_code code;
    uint64_t size = std::filesystem::file_size(wavPath, code);
    return code ? 0 : size;
}

// Renders every frame of the section into the capture (whose worker writes them).
void renderCapturedFrames(FrameCapture& capture, uint32_t to) {
    // Nothing is played, but the soundtrack is mixed up to each frame's time, so that
    // the effects that follow the music show what a viewer hears then.
    if (launchOptions.music) {
        LumoraMusic::startForCapture((programDirectory() + musicFileName).c_str(), demoStart);
    }
    runFrameLoop([&] {
                     LumoraMusic::mixUntil(capture.frameTime());
                     return capture.frameTime();
                 },
                 [&](uint32_t) {
                     if (!capture.writeFrame(screenWidth, screenHeight)) {
                         reportError(LUMORA_HERE, "capture: could not write a frame", true);
                     }
                     demoWindow.swapBuffers();
                     capture.advance();
                 },
                 to);
    if (!capture.finishFrames()) {
        reportError(LUMORA_HERE, "capture: could not write a frame", true);
    }
}

void runCaptureFrames(uint32_t from, uint32_t to) {
    FrameCapture capture;
    std::string error;
    int fps = fixedStepFps(launchOptions);
    if (!capture.begin(launchOptions.captureDirectory, fps, from, to, error)) {
        reportError(LUMORA_HERE, error.c_str(), true);
    }
    uint64_t frames = FixedStepClock::frameCount(from, to, fps);
    uint64_t soundBytes = writeSoundtrack(launchOptions.captureDirectory + "/audio.wav", from, frames, fps);
    renderCapturedFrames(capture, to);
    capture.printSummary(soundBytes);
}

void runVideoFrames(uint32_t from, uint32_t to) {
    int fps = fixedStepFps(launchOptions);
    uint64_t frames = FixedStepClock::frameCount(from, to, fps);
    std::string wav = (std::filesystem::temp_directory_path() /
                       ("lumora-video-" + std::to_string(getpid()) + ".wav")).string();
    bool withSound = writeSoundtrack(wav, from, frames, fps) > 0;
    std::string error;
    if (!videoEncoder.start(launchOptions.videoFile, launchOptions.videoArgs, screenWidth, screenHeight, fps,
                            withSound ? wav : "", error)) {
        std::remove(wav.c_str());
        reportError(LUMORA_HERE, ("video: " + error).c_str(), true);
    }
    FrameCapture capture;
    capture.beginVideo(videoEncoder, launchOptions.videoFile, fps, from, to);
    renderCapturedFrames(capture, to);
    bool encoded = videoEncoder.finish(error);
    std::remove(wav.c_str());
    if (!encoded) {
        reportError(LUMORA_HERE, ("video: " + error).c_str(), true);
    }
    std::error_code code;
    uint64_t size = std::filesystem::file_size(launchOptions.videoFile, code);
    capture.printSummary(code ? 0 : size);
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
            } else if (livePlayback) {
                livePlayback->handleKey(event.key.keysym.sym);
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
                  uint32_t endTime, EffectTiming* timing) {
    runFrameLoop(readClock, present, [endTime] { return endTime; }, timing);
}

void runFrameLoop(const std::function<uint32_t()>& readClock, const std::function<void(uint32_t)>& present,
                  const std::function<uint32_t()>& endTime, EffectTiming* timing,
                  const std::function<void(uint32_t)>& render) {
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
        if (render) {
            render(t);
        } else {
            renderFrame(t, timing);
        }
        if (readClock() > endTime()) {
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
    musicClock.reset();
}

void runDemo(int width, int height, bool music, bool fullscreen, int fsaaSamples) {
    SDL_Event pending;
    SDL_PollEvent(&pending);

    if (!launchOptions.videoFile.empty()) {
        // Before anything renders: a missing ffmpeg or an unwritable place is known now.
        std::string error;
        if (!videoEncoder.check(launchOptions.videoFile, error)) {
            reportError(LUMORA_HERE, ("video: " + error).c_str(), true);
        }
    }

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
    bool windowShown = displayInUse() && !launchOptions.headless;
    int swapInterval = SwapControl::apply(SwapControl::wanted(launchOptions.vsync, windowShown, fixedStepRun(launchOptions)));

    if (launchOptions.watch) {
        LiveReload::recordReads();
    }
    useDemoData(launchOptions.dataDirectory);
    showLoadingScreen(demoWindow);

    createTimeline();
    std::atexit(shutdownMusicAtExit);
    loadDemo(demoScriptName);

    inputEnabled = true;
    uint32_t from = launchOptions.captureFromGiven ? launchOptions.captureFrom : demoStart;
    uint32_t to = launchOptions.captureToGiven ? std::min(launchOptions.captureTo, demoEnd) : demoEnd;
    if (launchOptions.bench) {
        runBenchFrames(from, to);
    } else if (launchOptions.capture) {
        runCaptureFrames(from, to);
    } else if (!launchOptions.videoFile.empty()) {
        runVideoFrames(from, to);
    } else {
        runLiveFrames(swapInterval == 0);
    }

    demoWindow.destroy();
    SDL_ShowCursor(SDL_ENABLE);
    releaseTimeline();
}
