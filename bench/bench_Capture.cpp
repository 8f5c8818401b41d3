// Capture speed, the way it was and the way it is, side by side in one run: the same
// demo section rendered at 640x480 offscreen and written as PNG frames
//   before: read back, flip and write each frame on the main thread at zlib level 3 with
//           libpng's per-row filter choice (the first capture's path);
//   after:  FrameCapture: the read-back goes through pixel buffer objects in the
//           driver's own pixel format and is taken a frame later; a worker converts,
//           flips and writes at level 1 with one cheap filter while the next frame renders.
// The two alternate (before, after, before, after) so that a change in the machine's load
// falls on both; each round also renders the section with nothing captured, the bound
// that no capture can pass. Frames go to a scratch folder that is removed at the end.
//
//   bench_Capture [FROM_MS] [TO_MS] [FPS] [ROUNDS]   (default 20000 26000 10 3: 61 frames,
//                                                    three rounds of each, medians)
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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double seconds(uint64_t from) {
    return double(SDL_GetPerformanceCounter() - from) / double(SDL_GetPerformanceFrequency());
}

double captureBefore(const std::string& dir, uint32_t from, uint32_t to, int fps) {
    fs::create_directories(dir);
    FixedStepClock clock(from, to, fps);
    std::vector<uint8_t> pixels(size_t(screenWidth) * screenHeight * 3), flipped(pixels.size());
    size_t row = size_t(screenWidth) * 3;
    uint64_t start = SDL_GetPerformanceCounter();
    double render = 0, readBack = 0, write = 0;
    for (uint64_t i = 0; i < clock.frameCount(); ++i, clock.advance()) {
        uint64_t begin = SDL_GetPerformanceCounter();
        renderFrame(clock.time());
        // Serial anyway: waiting here only moves the renderer's time out of the read-back's.
        glFinish();
        render += seconds(begin);
        begin = SDL_GetPerformanceCounter();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, screenWidth, screenHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        readBack += seconds(begin);
        begin = SDL_GetPerformanceCounter();
        for (int y = 0; y < screenHeight; ++y) {
            std::memcpy(&flipped[size_t(y) * row], &pixels[size_t(screenHeight - 1 - y) * row], row);
        }
        writePng(dir + "/" + FrameCapture::frameFileName(uint32_t(i)), screenWidth, screenHeight, 3, flipped.data());
        write += seconds(begin);
        demoWindow.swapBuffers();
    }
    double rate = double(clock.frameCount()) / seconds(start);
    double frames = double(clock.frameCount());
    std::printf("before: render %.1f ms, read-back %.1f ms, flip and write %.1f ms per frame\n",
                render * 1000 / frames, readBack * 1000 / frames, write * 1000 / frames);
    return rate;
}

double captureAfter(const std::string& dir, uint32_t from, uint32_t to, int fps) {
    FrameCapture capture;
    std::string error;
    capture.begin(dir, fps, from, to, error);
    uint64_t frames = FixedStepClock::frameCount(from, to, fps);
    uint64_t start = SDL_GetPerformanceCounter();
    double handOver = 0;
    for (uint64_t i = 0; i < frames; ++i, capture.advance()) {
        renderFrame(capture.frameTime());
        uint64_t begin = SDL_GetPerformanceCounter();
        capture.writeFrame(screenWidth, screenHeight);
        handOver += seconds(begin);
        demoWindow.swapBuffers();
    }
    capture.finishFrames();
    double rate = double(frames) / seconds(start);
    // The main thread's share of the capture; nothing waits for the renderer here, so the
    // rendering itself is in the frame rate only.
    std::printf("after: read-back and hand-over %.1f ms per frame on the main thread\n",
                handOver * 1000 / double(frames));
    return rate;
}

// The same frames rendered and shown with nothing captured: no capture can be faster.
double renderOnly(uint32_t from, uint32_t to, int fps) {
    FixedStepClock clock(from, to, fps);
    uint64_t start = SDL_GetPerformanceCounter();
    for (uint64_t i = 0; i < clock.frameCount(); ++i, clock.advance()) {
        renderFrame(clock.time());
        demoWindow.swapBuffers();
    }
    glFinish();
    return double(clock.frameCount()) / seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t from = argc > 1 ? uint32_t(std::atoi(argv[1])) : 20000;
    uint32_t to = argc > 2 ? uint32_t(std::atoi(argv[2])) : 26000;
    int fps = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
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
    std::vector<double> before, after, ratios, ceiling;
    for (int round = 0; round < rounds; ++round) {
        double b = captureBefore((scratch / "before").string(), from, to, fps);
        double a = captureAfter((scratch / "after").string(), from, to, fps);
        double r = renderOnly(from, to, fps);
        std::printf("round %d: before %.1f frames/s, after %.1f frames/s (x%.2f); rendering alone %.1f frames/s "
                    "(x%.2f)\n", round + 1, b, a, a / b, r, r / b);
        before.push_back(b);
        after.push_back(a);
        ratios.push_back(a / b);
        ceiling.push_back(r / b);
    }
    uint64_t beforeBytes = 0, afterBytes = 0;
    for (const auto& entry : fs::directory_iterator(scratch / "before")) beforeBytes += entry.file_size();
    for (const auto& entry : fs::directory_iterator(scratch / "after")) afterBytes += entry.file_size();
    // Medians: one round slowed by another process on the machine does not move them.
    std::printf("median: before %.1f frames/s, after %.1f frames/s, ratio of a round x%.2f (rendering alone x%.2f); "
                "frames %.1f MB before, %.1f MB after\n",
                median(before), median(after), median(ratios), median(ceiling), double(beforeBytes) / 1e6,
                double(afterBytes) / 1e6);
    fs::remove_all(scratch);
    demoWindow.destroy();
    return 0;
}
