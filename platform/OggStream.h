#pragma once
// One Ogg Vorbis file, decoded on demand into 44.1 kHz stereo float frames.
//
// The sound system (platform/SoundSystem) owns the stream and pulls frames from it on its
// mixer thread; tests use it on its own as the reference decoder. A stream is not
// thread-safe: its owner serialises every call.
//
// Files are untrusted. Opening checks what libvorbisfile reports (channels 1..8, a rate
// SDL can convert) and fails cleanly otherwise; a damaged page while decoding is skipped,
// a broken link ends the stream. Files that are not 44.1 kHz stereo are converted through
// an SDL audio stream; 44.1 kHz stereo files pass through untouched, sample for sample.
#include <cstdint>
#include <vector>

struct OggVorbis_File;
struct _SDL_AudioStream;

class OggStream {
public:
    static constexpr int outputRate = 44100;
    static constexpr int outputChannels = 2;

    OggStream();
    ~OggStream();
    OggStream(const OggStream&) = delete;
    OggStream& operator=(const OggStream&) = delete;

    bool open(const char* fileName);  // false when missing, unreadable or not Ogg Vorbis
    void close();
    bool isOpen() const { return file != nullptr; }

    // Positions the stream at a time in milliseconds, counted at the file's own rate;
    // a time past the end leaves the stream at its end. False when the file cannot seek.
    bool seekMilliseconds(uint32_t milliseconds);

    // Fills up to frameCount interleaved stereo frames; returns how many were written
    // (fewer only at the end of the stream).
    int readFrames(float* frames, int frameCount);

    int fileRate() const { return rate; }
    int fileChannels() const { return channels; }

private:
    int decodeInto(float* frames, int frameCount);  // file rate and channels, as stereo
    int convertInto(float* frames, int frameCount);

    OggVorbis_File* file = nullptr;
    _SDL_AudioStream* converter = nullptr;
    std::vector<float> decodeBuffer;
    int rate = 0;
    int channels = 0;
    bool ended = false;
};
