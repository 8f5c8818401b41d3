#include "platform/OggStream.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <SDL.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

namespace {

// Decoding and conversion work in chunks of this many frames.
constexpr int chunkFrames = 1024;
constexpr int maxChannels = 8;
// Outside this range a rate is a damaged header rather than music.
constexpr long minRate = 1000;
constexpr long maxRate = 384000;
// A run of damaged pages this long means the rest of the file is junk.
constexpr int maxHolesInARow = 64;

}  // namespace

OggStream::OggStream() = default;

OggStream::~OggStream() {
    close();
}

bool OggStream::open(const char* fileName) {
    close();
    if (fileName == nullptr) {
        return false;
    }
    auto* candidate = new OggVorbis_File;
    // On failure ov_fopen closes the file and clears the structure itself.
    if (ov_fopen(fileName, candidate) != 0) {
        delete candidate;
        return false;
    }
    vorbis_info* info = ov_info(candidate, -1);
    bool usable = info != nullptr && info->channels >= 1 && info->channels <= maxChannels &&
                  info->rate >= minRate && info->rate <= maxRate;
    SDL_AudioStream* newConverter = nullptr;
    if (usable && !(info->rate == outputRate && info->channels <= 2)) {
        newConverter = SDL_NewAudioStream(AUDIO_F32SYS, Uint8(info->channels), int(info->rate), AUDIO_F32SYS,
                                          outputChannels, outputRate);
        usable = newConverter != nullptr;
    }
    if (!usable) {
        ov_clear(candidate);
        delete candidate;
        return false;
    }
    file = candidate;
    converter = newConverter;
    rate = int(info->rate);
    channels = info->channels;
    decodeBuffer.assign(size_t(chunkFrames) * size_t(std::max(channels, outputChannels)), 0.0f);
    ended = false;
    return true;
}

void OggStream::close() {
    if (converter != nullptr) {
        SDL_FreeAudioStream(converter);
        converter = nullptr;
    }
    if (file != nullptr) {
        ov_clear(file);
        delete file;
        file = nullptr;
    }
    rate = 0;
    channels = 0;
    ended = false;
}

bool OggStream::seekMilliseconds(uint32_t milliseconds) {
    if (file == nullptr || !ov_seekable(file)) {
        return false;
    }
    // Integer arithmetic so that a time lands on the same frame as a decoder counting
    // frames from the start.
    ogg_int64_t target = ogg_int64_t(milliseconds) * rate / 1000;
    ogg_int64_t total = ov_pcm_total(file, -1);
    if (converter != nullptr) {
        SDL_AudioStreamClear(converter);
    }
    if (total >= 0 && target >= total) {
        ended = true;
        return true;
    }
    if (ov_pcm_seek(file, target) != 0) {
        ended = true;
        return false;
    }
    ended = false;
    return true;
}

int OggStream::decodeInto(float* frames, int frameCount) {
    if (file == nullptr || ended) {
        return 0;
    }
    int holes = 0;
    while (true) {
        float** pcm = nullptr;
        int link = 0;
        long got = ov_read_float(file, &pcm, frameCount, &link);
        if (got == OV_HOLE && ++holes < maxHolesInARow) {
            continue;
        }
        vorbis_info* info = got > 0 ? ov_info(file, link) : nullptr;
        // A chained file whose next link changes the layout is not one piece of music:
        // stop there rather than play it at the wrong rate or read past its channels.
        if (got <= 0 || info == nullptr || info->channels != channels || info->rate != rate) {
            ended = true;
            return 0;
        }
        int count = int(std::min<long>(got, frameCount));
        if (converter == nullptr) {
            const float* left = pcm[0];
            const float* right = channels > 1 ? pcm[1] : pcm[0];
            for (int i = 0; i < count; ++i) {
                frames[2 * i] = left[i];
                frames[2 * i + 1] = right[i];
            }
        } else {
            for (int i = 0; i < count; ++i) {
                for (int c = 0; c < channels; ++c) {
                    frames[i * channels + c] = pcm[c][i];
                }
            }
        }
        return count;
    }
}

int OggStream::convertInto(float* frames, int frameCount) {
    const int wantedBytes = frameCount * outputChannels * int(sizeof(float));
    while (SDL_AudioStreamAvailable(converter) < wantedBytes && !ended) {
        int got = decodeInto(decodeBuffer.data(), chunkFrames);
        if (got > 0) {
            SDL_AudioStreamPut(converter, decodeBuffer.data(), got * channels * int(sizeof(float)));
        } else {
            SDL_AudioStreamFlush(converter);
        }
    }
    int gotBytes = SDL_AudioStreamGet(converter, frames, wantedBytes);
    return gotBytes > 0 ? gotBytes / (outputChannels * int(sizeof(float))) : 0;
}

int OggStream::readFrames(float* frames, int frameCount) {
    if (file == nullptr || frameCount <= 0) {
        return 0;
    }
    if (converter != nullptr) {
        return convertInto(frames, frameCount);
    }
    int written = 0;
    while (written < frameCount) {
        int got = decodeInto(frames + 2 * written, frameCount - written);
        if (got <= 0) {
            break;
        }
        written += got;
    }
    return written;
}
