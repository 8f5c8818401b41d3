#pragma once
// Offscreen rendering of a demo into PNG frames on a fixed-step clock: frame i shows
// demo time from + i * 1000 / fps, whatever the real time. Progress goes to stderr.
#include <cstdint>
#include <string>
#include <vector>

class FrameCapture {
public:
    // Creates the directory if needed; false (with a message in error) when it cannot.
    bool begin(const std::string& directory, int fps, uint32_t from, uint32_t to, std::string& error);
    uint32_t frameTime() const;
    uint32_t endTime() const { return to; }
    // Reads the back buffer of the current frame and writes the next frame file.
    bool writeFrame(int width, int height);
    void advance() { ++frameIndex; }
    void finish();

    static std::string frameFileName(uint32_t index);
    // Number of frames from..to inclusive at fps.
    static uint64_t frameCount(uint32_t from, uint32_t to, int fps);

private:
    std::string directory;
    int fps = 30;
    uint32_t from = 0;
    uint32_t to = 0;
    uint64_t frameIndex = 0;
    uint64_t written = 0;
    uint64_t startCounter = 0;
    uint64_t lastProgressCounter = 0;
    bool progressOnTerminal = false;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> flipped;
};
