#include "platform/SoundSystem.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

// Holds the device lock for a scope; the mixer holds the same lock while it runs.
class MixerLock {
public:
    explicit MixerLock(SDL_AudioDeviceID device) : device(device) {
        if (device != 0) {
            SDL_LockAudioDevice(device);
        }
    }
    ~MixerLock() {
        if (device != 0) {
            SDL_UnlockAudioDevice(device);
        }
    }
    MixerLock(const MixerLock&) = delete;
    MixerLock& operator=(const MixerLock&) = delete;

private:
    SDL_AudioDeviceID device;
};

// Shared by every sound system: see hasDsp.
std::atomic<int> nextDspHandle{1};

}  // namespace

SoundSystem::SoundSystem()
    : block(size_t(blockLength) * 2, 0.0f),
      history(SpectrumAnalyser::windowSize, 0.0f),
      spectrumInput(SpectrumAnalyser::windowSize, 0.0f) {
    dspUnits.reserve(maxDspUnits);
}

SoundSystem::~SoundSystem() {
    close();
}

bool SoundSystem::init() {
    if (device != 0) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    resetMixer();

    SDL_AudioSpec wanted{};
    wanted.freq = mixRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = blockLength;
    wanted.callback = audioCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts for the hardware, so the mixer always works in
    // whole float stereo blocks at 44.1 kHz whatever the device does.
    SDL_AudioDeviceID opened = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (opened == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    deviceFrames = obtained.samples;
    device = opened;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void SoundSystem::resetMixer() {
    std::fill(block.begin(), block.end(), 0.0f);
    std::fill(history.begin(), history.end(), 0.0f);
    blockOffset = blockLength;
    historyWrite = 0;
    blockStreamStart = 0;
    blockStreamFrames = 0;
    mixedBlocks.store(0, std::memory_order_relaxed);
    publishClock(0, false);
}

bool SoundSystem::initWithoutDevice() {
    if (isInited()) {
        return true;
    }
    resetMixer();
    mixerFrames = 0;
    mixingWithoutDevice = true;
    return true;
}

void SoundSystem::mixUntil(uint32_t milliseconds) {
    if (!mixingWithoutDevice) {
        return;
    }
    const uint64_t target = uint64_t(milliseconds) * mixRate / 1000;
    while (mixerFrames + blockLength <= target) {
        const uint64_t due = (target - mixerFrames) / blockLength;
        bool audible = stream && channelActive && !channelPaused;
        if (!audible && due > uint64_t(blocksInTotal)) {
            mixerFrames += (due - blocksInTotal) * blockLength;
            continue;
        }
        mixBlock();
        mixerFrames += blockLength;
    }
}

void SoundSystem::close() {
    if (device != 0) {
        // Joins the audio thread: nothing of the mixer runs after this.
        SDL_CloseAudioDevice(device);
        device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    mixingWithoutDevice = false;
    closeStream();
    dspUnits.clear();
    spectrumActive.store(false, std::memory_order_relaxed);
}

bool SoundSystem::openStream(const char* fileName) {
    if (!isInited()) {
        return false;
    }
    // The file is opened and its headers read outside the lock, so the mixer does not
    // wait on the disk; only the hand-over is locked.
    auto opened = std::make_unique<OggStream>();
    if (!opened->open(fileName)) {
        return false;
    }
    {
        MixerLock lock(device);
        std::swap(stream, opened);
        channelActive = false;
        channelPaused = true;
        positionFrames.store(0, std::memory_order_relaxed);
        blockStreamStart = 0;
        blockStreamFrames = 0;
        publishClock(0, false);
        mixerFrames = 0;
    }
    return true;
}

void SoundSystem::closeStream() {
    std::unique_ptr<OggStream> closing;
    {
        MixerLock lock(device);
        std::swap(stream, closing);
        channelActive = false;
        channelPaused = true;
    }
}

bool SoundSystem::setStreamTime(uint32_t milliseconds) {
    MixerLock lock(device);
    if (!stream || !stream->seekMilliseconds(milliseconds)) {
        return false;
    }
    uint64_t frames = uint64_t(milliseconds) * mixRate / 1000;
    positionFrames.store(frames, std::memory_order_relaxed);
    // What is left of the current block came from before the seek and is not the stream.
    blockStreamStart = frames;
    blockStreamFrames = 0;
    publishClock(frames, false);
    mixerFrames = frames;
    return true;
}

int SoundSystem::playStream() {
    MixerLock lock(device);
    if (!isInited() || !stream) {
        return -1;
    }
    channelActive = true;
    channelPaused = true;
    return 0;
}

bool SoundSystem::setPaused(int channel, bool paused) {
    MixerLock lock(device);
    if (!isInited() || channel != 0 || !channelActive) {
        return false;
    }
    channelPaused = paused;
    return true;
}

bool SoundSystem::isPaused(int channel) const {
    MixerLock lock(device);
    return channel != 0 || !channelActive || channelPaused;
}

uint32_t SoundSystem::streamPositionMilliseconds() const {
    return uint32_t(positionFrames.load(std::memory_order_relaxed) * 1000 / mixRate);
}

void SoundSystem::publishClock(uint64_t frames, bool advancing) {
    uint32_t sequence = clockSequence.load(std::memory_order_relaxed);
    clockSequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    clockFrames.store(frames, std::memory_order_relaxed);
    clockCounter.store(SDL_GetPerformanceCounter(), std::memory_order_relaxed);
    clockAdvancing.store(advancing, std::memory_order_relaxed);
    clockSequence.store(sequence + 2, std::memory_order_release);
}

StreamClockReading SoundSystem::streamClockReading() const {
    StreamClockReading reading;
    for (;;) {
        uint32_t before = clockSequence.load(std::memory_order_acquire);
        reading.frames = clockFrames.load(std::memory_order_relaxed);
        reading.counter = clockCounter.load(std::memory_order_relaxed);
        reading.advancing = clockAdvancing.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && clockSequence.load(std::memory_order_relaxed) == before) {
            return reading;
        }
    }
}

double SoundSystem::streamClockMilliseconds() const {
    return streamClockMilliseconds(streamClockReading(), SDL_GetPerformanceCounter(), SDL_GetPerformanceFrequency());
}

double SoundSystem::streamClockMilliseconds(const StreamClockReading& reading, uint64_t counterNow,
                                            uint64_t counterFrequency) {
    double milliseconds = double(reading.frames) * 1000.0 / mixRate;
    if (reading.advancing && counterNow > reading.counter && counterFrequency > 0) {
        double since = double(counterNow - reading.counter) * 1000.0 / double(counterFrequency);
        milliseconds += std::min(since, blockLength * 1000.0 / mixRate);
    }
    return milliseconds;
}

const float* SoundSystem::spectrum() {
    if (!isInited() || !isSpectrumActive()) {
        return nullptr;
    }
    {
        MixerLock lock(device);
        int oldest = historyWrite;
        std::copy(history.begin() + oldest, history.end(), spectrumInput.begin());
        std::copy(history.begin(), history.begin() + oldest, spectrumInput.begin() + (history.size() - oldest));
    }
    return analyser.analyse(spectrumInput.data());
}

int SoundSystem::addDsp(DspCallback callback, int priority, void* userData) {
    if (!isInited() || callback == nullptr) {
        return 0;
    }
    MixerLock lock(device);
    if (int(dspUnits.size()) >= maxDspUnits) {
        return 0;
    }
    DspUnit unit{nextDspHandle.fetch_add(1, std::memory_order_relaxed), priority, callback, userData};
    // After every unit of lower or equal priority: equal priorities run in the order added.
    auto place = std::upper_bound(dspUnits.begin(), dspUnits.end(), priority,
                                  [](int p, const DspUnit& u) { return p < u.priority; });
    dspUnits.insert(place, unit);
    return unit.handle;
}

void SoundSystem::removeDsp(int handle) {
    MixerLock lock(device);
    std::erase_if(dspUnits, [handle](const DspUnit& u) { return u.handle == handle; });
}

bool SoundSystem::hasDsp(int handle) const {
    MixerLock lock(device);
    return std::any_of(dspUnits.begin(), dspUnits.end(), [handle](const DspUnit& u) { return u.handle == handle; });
}

double SoundSystem::outputLatencyMilliseconds() const {
    return device == 0 ? 0.0 : deviceFrames * 1000.0 / mixRate;
}

void SoundSystem::audioCallback(void* userData, uint8_t* stream, int length) {
    auto* self = static_cast<SoundSystem*>(userData);
    self->fillOutput(reinterpret_cast<float*>(stream), length / int(2 * sizeof(float)));
}

// SDL asks for device-sized pieces; taps and the spectrum see whole blocks, so the output
// is served from the current block and a new one is mixed whenever it runs out.
void SoundSystem::fillOutput(float* out, int frames) {
    while (frames > 0) {
        if (blockOffset == blockLength) {
            mixBlock();
            blockOffset = 0;
        }
        int count = std::min(frames, blockLength - blockOffset);
        std::memcpy(out, block.data() + 2 * blockOffset, size_t(count) * 2 * sizeof(float));
        out += 2 * count;
        frames -= count;
        blockOffset += count;
    }
    // The stream frames the device now holds, as of this moment.
    bool advancing = stream && channelActive && !channelPaused;
    publishClock(blockStreamStart + uint64_t(std::min(blockOffset, blockStreamFrames)), advancing);
}

void SoundSystem::mixBlock() {
    float* samples = block.data();
    int got = 0;
    blockStreamStart = positionFrames.load(std::memory_order_relaxed);
    if (stream && channelActive && !channelPaused) {
        got = stream->readFrames(samples, blockLength);
        positionFrames.fetch_add(uint64_t(got), std::memory_order_relaxed);
        if (got < blockLength) {
            // The end of the stream frees its channel, as a finished sound does.
            channelActive = false;
        }
    }
    blockStreamFrames = got;
    std::fill(samples + 2 * got, samples + 2 * blockLength, 0.0f);

    DspBlock mixed{samples, blockLength, blockLength, totalLength, mixedBlocks.load(std::memory_order_relaxed)};
    for (const DspUnit& unit : dspUnits) {
        unit.callback(mixed, unit.userData);
    }

    const int historySize = int(history.size());
    for (int i = 0; i < blockLength; ++i) {
        history[historyWrite] = (samples[2 * i] + samples[2 * i + 1]) * 0.5f;
        historyWrite = historyWrite + 1 == historySize ? 0 : historyWrite + 1;
    }
    mixedBlocks.fetch_add(1, std::memory_order_relaxed);
}
