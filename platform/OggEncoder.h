#pragma once
// Writes interleaved float samples to an Ogg Vorbis file (libvorbisenc, VBR by quality).
//
// For the programs that make sound files — the soundtrack synthesiser and the sound
// tests, which build their own music files — not for the demo itself.
#include <cstdint>

class OggEncoder {
public:
    // frames × channels samples, interleaved, nominally within -1..1. quality is
    // libvorbisenc's VBR quality (-0.1 .. 1). False when the file cannot be written or
    // the encoder refuses the settings. The stream's serial number is fixed, so the
    // same samples always give the same bytes; title and artist go into the comment
    // header when given.
    static bool writeFile(const char* fileName, const float* samples, int64_t frames, int channels, int rate,
                          float quality, const char* title = nullptr, const char* artist = nullptr);
};
