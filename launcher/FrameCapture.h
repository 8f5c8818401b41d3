#pragma once
// Offscreen rendering of a demo into frames on a fixed-step clock: frame i shows demo
// time from + i * 1000 / fps, whatever the real time. The frames go either into a folder
// as PNG files (--capture) or into a video encoder (--video).
//
// The main thread starts each frame's read-back (FrameReadback) and, a frame later, hands
// the finished copy to a worker (CaptureWriter) that converts, encodes and writes it while
// the next frame renders; a bounded queue keeps memory flat.
// PNG frames are written with a compression chosen for speed. Progress goes to stderr:
// one line rewritten twice a second on a terminal, a line every 5 s otherwise; the
// summary at the end gives frames, frames per second and the size of what was written.
#include "launcher/CaptureWriter.h"
#include "launcher/FixedStepClock.h"
#include "launcher/FrameReadback.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VideoEncoder;

class FrameCapture {
public:
    static constexpr size_t queueDepth = 3;
    // Frames whose read-back is still in the driver's hands.
    static constexpr size_t readbackRing = 2;

    FrameCapture();
    ~FrameCapture();

    // PNG frames into the directory, made if needed; false (with a message in error)
    // when it cannot be.
    bool begin(const std::string& directory, int fps, uint32_t from, uint32_t to, std::string& error);
    // Frames into a started encoder; `output` names the file in the summary.
    void beginVideo(VideoEncoder& encoder, const std::string& output, int fps, uint32_t from, uint32_t to);

    uint32_t frameTime() const { return clock.time(); }
    uint32_t endTime() const { return clock.lastTime(); }
    void advance() { clock.advance(); }
    // Starts reading the back buffer of the current frame and queues the one read before.
    // False once writing failed.
    bool writeFrame(int width, int height);
    // Counts a file written beside the frames (the soundtrack) into the summary's size.
    void addOutputBytes(uint64_t bytes) { outputBytes += bytes; }
    // Queues the frames still being read back and waits for all of them. False when a
    // frame could not be read back or written.
    bool finishFrames();
    // The summary line; call after finishFrames (and after the video file is complete).
    void printSummary(uint64_t extraBytes = 0);

    static std::string frameFileName(uint32_t index);
    // Number of frames from..to inclusive at fps.
    static uint64_t frameCount(uint32_t from, uint32_t to, int fps);

private:
    void startClock(int fps, uint32_t from, uint32_t to);
    // The oldest frame being read back, to the worker.
    bool handOverOldest();
    // Worker only: the frame as read, as RGB rows top first in `topFirst`.
    void toRgb(const std::vector<uint8_t>& pixels);
    void progress();

    FixedStepClock clock{0, 0, 30};
    std::string destination;
    FrameReadback readback{readbackRing};
    std::unique_ptr<CaptureWriter> writer;
    uint64_t submitted = 0;
    uint64_t startCounter = 0;
    uint64_t finishedCounter = 0;
    uint64_t lastProgressCounter = 0;
    bool progressOnTerminal = false;
    std::atomic<uint64_t> outputBytes{0};  // added to by the worker
    // Worker only: the frame as RGB rows top first, for the PNG file or the encoder.
    std::vector<uint8_t> topFirst;
    // Set before the first frame reaches the worker, which then reads them.
    int frameWidth = 0;
    int frameHeight = 0;
    FrameReadback::Order frameOrder = FrameReadback::Order::Rgba;
};
