#pragma once
// The sound output: one SDL audio device at 44.1 kHz stereo, one music stream on one
// channel, a spectrum of what was just played, and taps on the mixed output.
//
// Callers: LumoraMusic (demoSystem/) owns the one instance of the program and drives the
// stream; the spectrum and oscilloscope effects reach it through LumoraMusic::soundSystem().
//
// Threads. SDL calls the mixer on its own audio thread, one block of `blockLength` frames
// at a time, with the device lock held. Every member function below is for the main
// thread; those that touch mixer state take the same lock, so a change (seek, pause, a
// removed tap) is in effect from the next mixed block on. Positions and counters are
// atomics and may be read at any time without waiting for the mixer.
//
// Use:
//   init()                 open the device; false when there is none (no message: the
//                          caller runs silently). The mixer runs from here on, silent
//                          while nothing plays.
//   openStream(name)       an Ogg Vorbis file by name (OggStream); false when unusable.
//   setStreamTime(ms)      position the stream.
//   playStream()           put the stream on its channel, paused; returns the channel
//                          (-1 without a stream). setPaused(channel, false) starts it.
//   setPaused(ch, paused)  a paused channel outputs silence and its stream stays put.
//   streamClock()          where the stream is now, for a clock that follows the music:
//                          the stream frames handed to the device by the last mixer
//                          callback, plus the counter time since that callback (at most
//                          one block, so a stalled mixer stops the reading instead of
//                          letting it run ahead of the sound).
//   setSpectrumActive(on)  switch the spectrum on; spectrum() then gives 512 magnitudes
//                          of the last 1024 output frames (SpectrumAnalyser), or null
//                          while the unit is off or the device is closed. The pointer
//                          stays valid until the next call.
//   addDsp(fn, prio, user) a tap: fn runs on the audio thread for every mixed block, in
//                          order, after the mix; units run by ascending priority. The
//                          block may be changed in place; what the last unit leaves is
//                          what is heard and analysed. removeDsp(handle) waits for a
//                          running block, so after it returns fn is never called again
//                          and the tap's buffers may be freed. Handles are unique across
//                          every sound system of the program, so a handle kept past a
//                          close never names another system's unit; hasDsp(handle) says
//                          whether it still runs here.
//   close()                stop the device, close the stream, forget every tap.
//
// Captures, where nothing is played:
//   initWithoutDevice()    the same mixer with no device and no audio thread; everything
//                          above works as with a device, but blocks are mixed only when
//                          asked, on the calling thread. Always succeeds.
//   mixUntil(ms)           mixes every block that ends by that time on the mixer's clock
//                          (the stream time last set, plus the blocks mixed since), through
//                          the taps and into the spectrum, so that they hold what a
//                          listener has heard by then. Silence longer than the taps and the
//                          spectrum keep is skipped rather than mixed. Does nothing with a
//                          device: there the audio thread mixes.
//
// A tap that keeps samples for the main thread (the oscilloscope's ring) must make that
// sharing race-free itself: elements as std::atomic<int16_t> written and read relaxed
// are enough, and a picture showing a block that is half refilled is acceptable.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/OggStream.h"
#include "platform/SpectrumAnalyser.h"

// Sample layout of the mixed blocks handed to taps.
enum class MixerFormat { Int16Stereo, Int32Stereo, Float32Stereo };

// What the last mixer callback left: the stream position it handed to the device, the
// performance counter at that moment, and whether the stream goes on from there (playing,
// not paused, not at its end).
struct StreamClockReading {
    uint64_t frames = 0;
    uint64_t counter = 0;
    bool advancing = false;
};

// One mixed block as a tap sees it.
struct DspBlock {
    float* samples;     // interleaved left/right, `frames` frames; may be changed in place
    int frames;         // always SoundSystem::blockLength
    int blockLength;    // frames per block
    int totalLength;    // frames of recent output a tap keeps (a whole number of blocks)
    uint64_t sequence;  // 0 for the first block after init, +1 per block, no gaps
};
using DspCallback = void (*)(DspBlock& block, void* userData);

class SoundSystem {
public:
    static constexpr int mixRate = 44100;
    static constexpr int blockLength = 1024;
    static constexpr int blocksInTotal = 4;
    static constexpr int totalLength = blockLength * blocksInTotal;
    static constexpr int spectrumSize = SpectrumAnalyser::binCount;
    static constexpr int maxDspUnits = 8;

    SoundSystem();
    ~SoundSystem();  // closes
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    bool init();
    bool initWithoutDevice();
    void close();
    bool isInited() const { return device != 0 || mixingWithoutDevice; }
    void mixUntil(uint32_t milliseconds);

    bool openStream(const char* fileName);
    void closeStream();
    bool hasStream() const { return stream != nullptr; }
    bool setStreamTime(uint32_t milliseconds);
    int playStream();
    bool setPaused(int channel, bool paused);
    bool isPaused(int channel) const;
    // Where the stream is: the time last set plus everything mixed from it since.
    uint32_t streamPositionMilliseconds() const;
    // The stream's position in milliseconds now, from the last callback's reading.
    double streamClockMilliseconds() const;
    StreamClockReading streamClockReading() const;
    // The arithmetic alone: the reading's position, plus (when advancing) the counter
    // time from the reading to counterNow, capped at one block.
    static double streamClockMilliseconds(const StreamClockReading& reading, uint64_t counterNow,
                                          uint64_t counterFrequency);

    void setSpectrumActive(bool active) { spectrumActive.store(active, std::memory_order_relaxed); }
    bool isSpectrumActive() const { return spectrumActive.load(std::memory_order_relaxed); }
    const float* spectrum();

    int addDsp(DspCallback callback, int priority, void* userData);  // a handle > 0, or 0
    void removeDsp(int handle);
    bool hasDsp(int handle) const;

    MixerFormat mixerFormat() const { return MixerFormat::Float32Stereo; }
    int bufferLength() const { return blockLength; }
    int bufferLengthTotal() const { return totalLength; }
    // What the device buffers ahead of the speaker, in milliseconds.
    double outputLatencyMilliseconds() const;
    uint64_t blocksMixed() const { return mixedBlocks.load(std::memory_order_relaxed); }

private:
    struct DspUnit {
        int handle;
        int priority;
        DspCallback callback;
        void* userData;
    };

    static void audioCallback(void* userData, uint8_t* stream, int length);
    void resetMixer();  // before the audio thread exists
    void fillOutput(float* out, int frames);
    void mixBlock();
    // Publishes a reading; called by the mixer, or by the main thread under the lock.
    void publishClock(uint64_t frames, bool advancing);

    uint32_t device = 0;  // SDL_AudioDeviceID; 0 while closed
    bool mixingWithoutDevice = false;
    uint64_t mixerFrames = 0;  // without a device: the mixer's clock, in frames
    int deviceFrames = 0;

    // Owned by the mixer; the main thread touches it only under the device lock.
    std::unique_ptr<OggStream> stream;
    bool channelActive = false;
    bool channelPaused = true;
    std::vector<DspUnit> dspUnits;
    std::vector<float> block;
    int blockOffset = blockLength;
    std::vector<float> history;  // mono, a ring of SpectrumAnalyser::windowSize
    int historyWrite = 0;

    std::atomic<uint64_t> positionFrames{0};
    uint64_t blockStreamStart = 0;  // stream frame of the current block's first frame
    int blockStreamFrames = 0;      // frames of the current block that came from the stream

    // The last reading, under a sequence count: odd while a writer is inside.
    std::atomic<uint32_t> clockSequence{0};
    std::atomic<uint64_t> clockFrames{0};
    std::atomic<uint64_t> clockCounter{0};
    std::atomic<bool> clockAdvancing{false};
    std::atomic<uint64_t> mixedBlocks{0};
    std::atomic<bool> spectrumActive{false};

    // Main thread only.
    SpectrumAnalyser analyser;
    std::vector<float> spectrumInput;
};
