#include "platform/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

void putLittle(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[i] = uint8_t(value >> (8 * i));
    }
}

// The canonical 44-byte header; dataBytes is patched in by finish().
void makeHeader(uint8_t (&header)[44], int sampleRate, uint32_t dataBytes) {
    const int blockAlign = WavWriter::channels * 2;
    std::copy_n("RIFF", 4, header);
    putLittle(header + 4, 36 + dataBytes, 4);
    std::copy_n("WAVEfmt ", 8, header + 8);
    putLittle(header + 16, 16, 4);
    putLittle(header + 20, 1, 2);  // PCM
    putLittle(header + 22, WavWriter::channels, 2);
    putLittle(header + 24, uint32_t(sampleRate), 4);
    putLittle(header + 28, uint32_t(sampleRate * blockAlign), 4);
    putLittle(header + 32, uint32_t(blockAlign), 2);
    putLittle(header + 34, 16, 2);
    std::copy_n("data", 4, header + 36);
    putLittle(header + 40, dataBytes, 4);
}

}  // namespace

WavWriter::~WavWriter() {
    if (file) {
        std::fclose(file);
    }
}

int16_t WavWriter::toPcm16(float sample) {
    float clamped = std::clamp(sample, -1.0f, 1.0f);
    return int16_t(std::lrint(clamped * 32767.0f));
}

bool WavWriter::open(const std::string& path, int sampleRate) {
    file = std::fopen(path.c_str(), "wb");
    frames = 0;
    failed = file == nullptr;
    if (!file) {
        return false;
    }
    rate = sampleRate;
    uint8_t header[44];
    makeHeader(header, sampleRate, 0);
    failed = std::fwrite(header, 1, sizeof header, file) != sizeof header;
    return !failed;
}

bool WavWriter::write(const float* samples, size_t frameCount) {
    if (!file || failed) {
        return false;
    }
    std::vector<uint8_t> bytes(frameCount * channels * 2);
    for (size_t i = 0; i < frameCount * channels; ++i) {
        putLittle(&bytes[2 * i], uint16_t(toPcm16(samples[i])), 2);
    }
    failed = std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size();
    frames += frameCount;
    return !failed;
}

bool WavWriter::finish() {
    if (!file) {
        return false;
    }
    uint64_t dataBytes = frames * channels * 2;
    // A RIFF file cannot say more than 4 GiB.
    failed = failed || dataBytes > 0xFFFFFFFFull - 36;
    if (!failed) {
        uint8_t header[44];
        makeHeader(header, rate, uint32_t(dataBytes));
        failed = std::fseek(file, 0, SEEK_SET) != 0 || std::fwrite(header, 1, sizeof header, file) != sizeof header;
    }
    failed = (std::fclose(file) != 0) || failed;
    file = nullptr;
    return !failed;
}
