#include "VorbisWriter.h"

#include "platform/OggEncoder.h"

#include <cstdio>
#include <vector>

namespace VorbisWriter {

bool write(const std::string& path, const StereoBuffer& signal, int sampleRate, float quality, const std::string& title) {
    std::vector<float> interleaved(signal.frames() * 2);
    for (size_t frame = 0; frame < signal.frames(); ++frame) {
        interleaved[2 * frame] = signal.left[frame];
        interleaved[2 * frame + 1] = signal.right[frame];
    }
    if (!OggEncoder::writeFile(path.c_str(), interleaved.data(), int64_t(signal.frames()), 2, sampleRate, quality,
                               title.c_str(), "Lumora Vesk")) {
        std::fprintf(stderr, "synth: could not encode %s (%d Hz, quality %.2f)\n", path.c_str(), sampleRate,
                     double(quality));
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace VorbisWriter
