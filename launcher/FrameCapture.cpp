#include "launcher/FrameCapture.h"

#include "base/PngWriter.h"
#include "launcher/FixedStepClock.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

double secondsSince(uint64_t counter) {
    return double(SDL_GetPerformanceCounter() - counter) / double(SDL_GetPerformanceFrequency());
}

}  // namespace

std::string FrameCapture::frameFileName(uint32_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06u.png", index);
    return name;
}

uint64_t FrameCapture::frameCount(uint32_t first, uint32_t last, int framesPerSecond) {
    return FixedStepClock::frameCount(first, last, framesPerSecond);
}

bool FrameCapture::begin(const std::string& dir, int framesPerSecond, uint32_t first, uint32_t last, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(dir, code);
    if (code || !std::filesystem::is_directory(dir)) {
        error = "cannot create the capture directory '" + dir + "'";
        return false;
    }
    directory = dir;
    fps = framesPerSecond;
    from = first;
    to = last;
    frameIndex = 0;
    written = 0;
    startCounter = SDL_GetPerformanceCounter();
    lastProgressCounter = 0;
    progressOnTerminal = isatty(fileno(stderr)) != 0;
    return true;
}

uint32_t FrameCapture::frameTime() const {
    uint64_t time = uint64_t(from) + frameIndex * 1000 / uint64_t(fps);
    return time > UINT32_MAX ? UINT32_MAX : uint32_t(time);
}

bool FrameCapture::writeFrame(int width, int height) {
    size_t rowBytes = size_t(width) * 3;
    pixels.resize(rowBytes * size_t(height));
    flipped.resize(pixels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // GL rows run bottom up; PNG rows top down.
    for (int y = 0; y < height; ++y) {
        std::memcpy(&flipped[size_t(y) * rowBytes], &pixels[size_t(height - 1 - y) * rowBytes], rowBytes);
    }
    std::string path = directory + "/" + frameFileName(uint32_t(written));
    if (!writePng(path, width, height, 3, flipped.data())) {
        std::fprintf(stderr, "\ncapture: could not write %s\n", path.c_str());
        return false;
    }
    ++written;
    uint64_t total = frameCount(from, to, fps);
    // A terminal gets one line rewritten twice a second; a log gets a line every 5 s.
    uint64_t now = SDL_GetPerformanceCounter();
    uint64_t interval = progressOnTerminal ? SDL_GetPerformanceFrequency() / 2 : SDL_GetPerformanceFrequency() * 5;
    if (now - lastProgressCounter < interval && written < total) {
        return true;
    }
    lastProgressCounter = now;
    double elapsed = secondsSince(startCounter);
    double rate = elapsed > 0 ? double(written) / elapsed : 0.0;
    double left = rate > 0 && total > written ? double(total - written) / rate : 0.0;
    std::fprintf(stderr, "%scapture: frame %llu/%llu at %u ms, %.1f frames/s, %.0f s left%s",
                 progressOnTerminal ? "\r" : "", (unsigned long long)written, (unsigned long long)total,
                 frameTime(), rate, left,
                 progressOnTerminal ? "  " : "\n");
    std::fflush(stderr);
    return true;
}

void FrameCapture::finish() {
    double elapsed = secondsSince(startCounter);
    std::fprintf(stderr, "%scapture: %llu frames in %.1f s (%.1f frames/s) written to %s\n",
                 progressOnTerminal ? "\r" : "", (unsigned long long)written, elapsed,
                 elapsed > 0 ? double(written) / elapsed : 0.0,
                 directory.c_str());
}
