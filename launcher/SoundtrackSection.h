#pragma once
// The soundtrack of a captured section as a WAV file: the music decoded (OggStream, on
// its own, apart from the sound device) from the first frame's time for frames / fps
// seconds, 44.1 kHz 16-bit stereo, so that frames and sound line up sample for sample.
// Past the end of the music the section goes on in silence, so the length always fits
// the frames.
#include <cstdint>
#include <string>

namespace SoundtrackSection {
// Sample frames in `frames` video frames at fps, rounded to the nearest sample.
uint64_t sampleFrames(uint64_t frames, int fps);
// False with a message in error when the music cannot be read or the WAV not written
// (a partial WAV is removed).
bool writeWav(const std::string& musicPath, const std::string& wavPath, uint32_t fromMs, uint64_t sampleFrames,
              std::string& error);
}  // namespace SoundtrackSection
