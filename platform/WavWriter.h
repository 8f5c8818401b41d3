#pragma once
// Writes 16-bit PCM stereo WAV files from float frames (the capture's soundtrack beside
// its frames, the audio a video is made with). Samples are clamped to -1..1 and rounded
// to the nearest 16-bit value (toPcm16). The sizes in the header are filled in by
// finish(); a file that was not finished is not a valid WAV.
#include <cstdint>
#include <cstdio>
#include <string>

class WavWriter {
public:
    static constexpr int channels = 2;

    WavWriter() = default;
    ~WavWriter();  // closes without finishing
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool open(const std::string& path, int sampleRate);
    // Interleaved stereo frames.
    bool write(const float* frames, size_t frameCount);
    // Patches the header's sizes and closes; false when anything failed since open.
    bool finish();
    uint64_t framesWritten() const { return frames; }

    static int16_t toPcm16(float sample);

private:
    FILE* file = nullptr;
    uint64_t frames = 0;
    int rate = 0;
    bool failed = false;
};
