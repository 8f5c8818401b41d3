#include "launcher/SoundtrackSection.h"

#include "platform/OggStream.h"
#include "platform/WavWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

uint64_t SoundtrackSection::sampleFrames(uint64_t frames, int fps) {
    if (fps <= 0) {
        return 0;
    }
    return (frames * uint64_t(OggStream::outputRate) + uint64_t(fps) / 2) / uint64_t(fps);
}

bool SoundtrackSection::writeWav(const std::string& musicPath, const std::string& wavPath, uint32_t fromMs,
                                 uint64_t sampleFrames, std::string& error) {
    OggStream music;
    if (!music.open(musicPath.c_str()) || !music.seekMilliseconds(fromMs)) {
        error = "cannot read the music '" + musicPath + "'";
        return false;
    }
    WavWriter wav;
    if (!wav.open(wavPath, OggStream::outputRate)) {
        error = "cannot write '" + wavPath + "'";
        return false;
    }
    const int blockFrames = 4096;
    std::vector<float> block(size_t(blockFrames) * OggStream::outputChannels);
    bool ok = true;
    for (uint64_t left = sampleFrames; left > 0 && ok;) {
        int wanted = int(std::min<uint64_t>(left, blockFrames));
        int got = music.readFrames(block.data(), wanted);
        std::fill(block.begin() + std::ptrdiff_t(got) * OggStream::outputChannels, block.end(), 0.0f);
        ok = wav.write(block.data(), size_t(wanted));
        left -= uint64_t(wanted);
    }
    ok = wav.finish() && ok;
    if (!ok) {
        std::remove(wavPath.c_str());
        error = "cannot write '" + wavPath + "'";
    }
    return ok;
}
