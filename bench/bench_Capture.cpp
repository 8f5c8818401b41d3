// Capture speed, the way it was and the way it is, side by side in one run: the same
// demo section rendered at 640x480 offscreen and written as PNG frames
//   before: read back, flip and write each frame on the main thread at zlib level 3 with
//           libpng's per-row filter choice (the first capture's path);
//   after:  FrameCapture: read back, then a worker flips and writes at level 1 with one
//           cheap filter while the next frame renders.
// The two alternate (before, after, before, after) so that a change in the machine's load
// falls on both. Frames go to a scratch folder that is removed at the end.
//
//   bench_Capture [FROM_MS] [TO_MS] [FPS]   (default 20000 26000 10: 61 frames)
#include "base/DemoNames.h"
#include "base/Globals.h"
#include "base/LumoraWindow.h"
#include "base/PngWriter.h"
#include "base/lvp.h"
#include "launcher/FixedStepClock.h"
#include "launcher/FrameCapture.h"
#include "launcher/LumoraLauncher.h"
#include "launcher/TimelineHost.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

double seconds(uint64_t from) {
    return double(SDL_GetPerformanceCounter() - from) / double(SDL_GetPerformanceFrequency());
}

double captureBefore(const std::string& dir, uint32_t from, uint32_t to, int fps) {
    fs::create_directories(dir);
    FixedStepClock clock(from, to, fps);
    std::vector<uint8_t> pixels(size_t(screenWidth) * screenHeight * 3), flipped(pixels.size());
    size_t row = size_t(screenWidth) * 3;
    uint64_t start = SDL_GetPerformanceCounter();
    for (uint64_t i = 0; i < clock.frameCount(); ++i, clock.advance()) {
        renderFrame(clock.time());
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, screenWidth, screenHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        for (int y = 0; y < screenHeight; ++y) {
            std::memcpy(&flipped[size_t(y) * row], &pixels[size_t(screenHeight - 1 - y) * row], row);
        }
        writePng(dir + "/" + FrameCapture::frameFileName(uint32_t(i)), screenWidth, screenHeight, 3, flipped.data());
        demoWindow.swapBuffers();
    }
    return double(clock.frameCount()) / seconds(start);
}

double captureAfter(const std::string& dir, uint32_t from, uint32_t to, int fps) {
    FrameCapture capture;
    std::string error;
    capture.begin(dir, fps, from, to, error);
    uint64_t frames = FixedStepClock::frameCount(from, to, fps);
    uint64_t start = SDL_GetPerformanceCounter();
    double render = 0, handOver = 0;
    for (uint64_t i = 0; i < frames; ++i, capture.advance()) {
        uint64_t begin = SDL_GetPerformanceCounter();
        renderFrame(capture.frameTime());
        glFinish();
        render += seconds(begin);
        begin = SDL_GetPerformanceCounter();
        capture.writeFrame(screenWidth, screenHeight);
        handOver += seconds(begin);
        demoWindow.swapBuffers();
    }
    // What is left on the main thread: a frame cannot come faster than this.
    std::printf("after: render %.1f ms, read-back and hand-over %.1f ms per frame\n", render * 1000 / double(frames),
                handOver * 1000 / double(frames));
    capture.finishFrames();
    return double(frames) / seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t from = argc > 1 ? uint32_t(std::atoi(argv[1])) : 20000;
    uint32_t to = argc > 2 ? uint32_t(std::atoi(argv[2])) : 26000;
    int fps = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    std::string error;
    if (!initVideo(true, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    screenWidth = 640;
    screenHeight = 480;
    if (!demoWindow.create(demoTitle, screenWidth, screenHeight, 32, false, nullptr, 0, nullptr)) {
        return 1;
    }
    fs::path program = fs::path(LUMORA_EXECUTABLE).parent_path();
    if (!fs::exists(program / packFileName)) {
        std::printf("no %s beside lumora: build the demo's data first\n", packFileName);
        return 0;
    }
    DataPack::usePack((program / packFileName).c_str(), packPassword);
    createTimeline();
    loadTimelineScript(demoScriptName);
    fs::path scratch = fs::temp_directory_path() / "lumora-bench-capture";
    std::printf("capture of %u..%u ms at %d frames per second, 640x480 (%llu frames)\n", from, to, fps,
                (unsigned long long)FixedStepClock::frameCount(from, to, fps));
    double before = 0, after = 0;
    for (int round = 0; round < 2; ++round) {
        double b = captureBefore((scratch / "before").string(), from, to, fps);
        double a = captureAfter((scratch / "after").string(), from, to, fps);
        std::printf("round %d: before %.1f frames/s, after %.1f frames/s\n", round + 1, b, a);
        before += b / 2;
        after += a / 2;
    }
    uint64_t beforeBytes = 0, afterBytes = 0;
    for (const auto& entry : fs::directory_iterator(scratch / "before")) beforeBytes += entry.file_size();
    for (const auto& entry : fs::directory_iterator(scratch / "after")) afterBytes += entry.file_size();
    std::printf("mean: before %.1f frames/s, after %.1f frames/s (x%.2f); frames %.1f MB before, %.1f MB after\n",
                before, after, before > 0 ? after / before : 0.0, double(beforeBytes) / 1e6, double(afterBytes) / 1e6);
    fs::remove_all(scratch);
    demoWindow.destroy();
    return 0;
}
