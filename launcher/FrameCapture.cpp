#include "launcher/FrameCapture.h"

#include "base/PngWriter.h"
#include "launcher/VideoEncoder.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

double secondsBetween(uint64_t from, uint64_t to) {
    return double(to - from) / double(SDL_GetPerformanceFrequency());
}

std::string sizeText(uint64_t bytes) {
    char text[32];
    if (bytes >= 1000 * 1000) {
        std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.1f kB", double(bytes) / 1e3);
    }
    return text;
}

}  // namespace

FrameCapture::FrameCapture() = default;

FrameCapture::~FrameCapture() {
    writer.reset();
}

std::string FrameCapture::frameFileName(uint32_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06u.png", index);
    return name;
}

uint64_t FrameCapture::frameCount(uint32_t first, uint32_t last, int framesPerSecond) {
    return FixedStepClock::frameCount(first, last, framesPerSecond);
}

void FrameCapture::startClock(int fps, uint32_t from, uint32_t to) {
    clock = FixedStepClock(from, to, fps);
    submitted = 0;
    outputBytes = 0;
    startCounter = SDL_GetPerformanceCounter();
    lastProgressCounter = 0;
    progressOnTerminal = isatty(fileno(stderr)) != 0;
}

bool FrameCapture::begin(const std::string& dir, int framesPerSecond, uint32_t first, uint32_t last,
                         std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(dir, code);
    if (code || !std::filesystem::is_directory(dir)) {
        error = "cannot create the capture directory '" + dir + "'";
        return false;
    }
    destination = dir;
    startClock(framesPerSecond, first, last);
    // Rendered frames compress well enough at the fastest settings (and smaller with
    // run lengths after the Sub filter than with zlib's own matching); the time goes to
    // the next frame instead.
    writer = std::make_unique<CaptureWriter>(queueDepth, [this, dir](const std::vector<uint8_t>& pixels,
                                                                      uint64_t index) {
        std::string path = dir + "/" + frameFileName(uint32_t(index));
        PngOptions fast;
        fast.compressionLevel = 1;
        fast.fastFilter = true;
        fast.runLengthOnly = true;
        toRgb(pixels);
        if (!writePng(path, frameWidth, frameHeight, 3, topFirst.data(), fast)) {
            std::fprintf(stderr, "\ncapture: could not write %s\n", path.c_str());
            return false;
        }
        std::error_code sizeError;
        outputBytes += std::filesystem::file_size(path, sizeError);
        return true;
    });
    return true;
}

void FrameCapture::beginVideo(VideoEncoder& encoder, const std::string& output, int framesPerSecond, uint32_t first,
                              uint32_t last) {
    destination = output;
    startClock(framesPerSecond, first, last);
    writer = std::make_unique<CaptureWriter>(queueDepth, [this, &encoder](const std::vector<uint8_t>& pixels,
                                                                           uint64_t) {
        toRgb(pixels);
        if (!encoder.writeFrame(topFirst.data(), topFirst.size())) {
            std::fprintf(stderr, "\ncapture: ffmpeg took no more frames\n");
            return false;
        }
        return true;
    });
}

bool FrameCapture::writeFrame(int width, int height) {
    if (!writer) {
        return false;
    }
    if (submitted == 0) {
        // Read by the worker only after the first submit, which orders these writes.
        frameWidth = width;
        frameHeight = height;
        readback.begin(width, height);
        frameOrder = readback.order();
    } else if (width != frameWidth || height != frameHeight) {
        return false;
    }
    if (readback.full() && !handOverOldest()) {
        return false;
    }
    if (!readback.read()) {
        return false;
    }
    ++submitted;
    progress();
    return true;
}

bool FrameCapture::handOverOldest() {
    std::vector<uint8_t> pixels = writer->freeBuffer(readback.frameBytes());
    if (!readback.take(pixels.data())) {
        std::fprintf(stderr, "\ncapture: could not read a frame back\n");
        return false;
    }
    return writer->submit(std::move(pixels));
}

void FrameCapture::toRgb(const std::vector<uint8_t>& pixels) {
    topFirst.resize(size_t(frameWidth) * size_t(frameHeight) * 3);
    FrameReadback::toRgbTopFirst(pixels.data(), frameOrder, frameWidth, frameHeight, topFirst.data());
}

void FrameCapture::progress() {
    uint64_t total = clock.frameCount();
    // A terminal gets one line rewritten twice a second; a log gets a line every 5 s.
    uint64_t now = SDL_GetPerformanceCounter();
    uint64_t interval = progressOnTerminal ? SDL_GetPerformanceFrequency() / 2 : SDL_GetPerformanceFrequency() * 5;
    if (now - lastProgressCounter < interval && submitted < total) {
        return;
    }
    lastProgressCounter = now;
    double elapsed = secondsBetween(startCounter, now);
    double rate = elapsed > 0 ? double(submitted) / elapsed : 0.0;
    double left = rate > 0 && total > submitted ? double(total - submitted) / rate : 0.0;
    std::fprintf(stderr, "%scapture: frame %llu/%llu at %u ms, %.1f frames/s, %.0f s left%s",
                 progressOnTerminal ? "\r" : "", (unsigned long long)submitted, (unsigned long long)total,
                 clock.time(), rate, left, progressOnTerminal ? "  " : "\n");
    std::fflush(stderr);
}

bool FrameCapture::finishFrames() {
    bool readBack = true;
    while (writer && readBack && readback.pending() > 0) {
        readBack = handOverOldest();
    }
    bool written = writer ? writer->finish() && readBack : false;
    finishedCounter = SDL_GetPerformanceCounter();
    return written;
}

void FrameCapture::printSummary(uint64_t extraBytes) {
    double elapsed = secondsBetween(startCounter, finishedCounter ? finishedCounter : SDL_GetPerformanceCounter());
    std::fprintf(stderr, "%scapture: %llu frames in %.1f s (%.1f frames/s) written to %s, %s\n",
                 progressOnTerminal ? "\r" : "", (unsigned long long)submitted, elapsed,
                 elapsed > 0 ? double(submitted) / elapsed : 0.0, destination.c_str(),
                 sizeText(outputBytes + extraBytes).c_str());
}
