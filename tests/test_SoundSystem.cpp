// The sound module on SDL's real audio path: the disk driver writes exactly what was
// mixed, so output can be compared with the stream decoded independently; the dummy
// driver runs the mixer thread without output; a driver that does not exist means no
// device. Every music file here is made by the test itself.
#include "platform/OggEncoder.h"
#include "platform/OggStream.h"
#include "platform/SoundSystem.h"
#include "platform/SpectrumAnalyser.h"
#include "tests/support/RunProgram.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <SDL.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr uint32_t startMs = 30000;
constexpr int64_t startFrame = int64_t(startMs) * rate / 1000;
constexpr double twoPi = 2.0 * std::numbers::pi;

std::string tempDirectory() {
    static std::string directory = makeTempDirectory("sound");
    return directory;
}

class RemoveTempDirectory : public testing::Environment {
    void TearDown() override { std::filesystem::remove_all(tempDirectory()); }
};
[[maybe_unused]] testing::Environment* const removeTempDirectory =
    testing::AddGlobalTestEnvironment(new RemoveTempDirectory);

// Two channels that never repeat and never sit at zero for long: a sample-exact
// comparison cannot line up by accident at the wrong offset.
std::string sweepFile() {
    static std::string path = [] {
        const int64_t frames = int64_t(31.5 * rate);
        std::vector<float> samples(size_t(frames) * 2);
        for (int64_t i = 0; i < frames; ++i) {
            double t = double(i) / rate;
            samples[2 * i] = float(0.4 * std::sin(twoPi * (220.0 * t + 5.0 * t * t)));
            samples[2 * i + 1] = float(0.3 * std::sin(twoPi * 330.0 * t + 1.0) + 0.1);
        }
        std::string name = tempDirectory() + "/sweep.ogg";
        EXPECT_TRUE(OggEncoder::writeFile(name.c_str(), samples.data(), frames, 2, rate, 0.1f));
        return name;
    }();
    return path;
}

std::string toneFile(double hertz, int channels, int fileRate, double seconds) {
    const int64_t frames = int64_t(seconds * fileRate);
    std::vector<float> samples(size_t(frames) * channels);
    for (int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            samples[i * channels + c] = float(0.5 * std::sin(twoPi * hertz * double(i) / fileRate));
        }
    }
    std::string name = tempDirectory() + "/tone" + std::to_string(int(hertz)) + "_" + std::to_string(channels) +
                       "_" + std::to_string(fileRate) + ".ogg";
    EXPECT_TRUE(OggEncoder::writeFile(name.c_str(), samples.data(), frames, channels, fileRate, 0.3f));
    return name;
}

// Decoded straight from libvorbisfile, counting frames from the start: the reference
// the module's seek and mixing must reproduce.
std::vector<float> decodeStereo(const std::string& path, int64_t skipFrames, int64_t frames) {
    OggVorbis_File file;
    std::vector<float> out;
    if (ov_fopen(path.c_str(), &file) != 0) {
        return out;
    }
    int64_t position = 0;
    while (int64_t(out.size()) < frames * 2) {
        float** pcm = nullptr;
        int link = 0;
        long got = ov_read_float(&file, &pcm, 4096, &link);
        if (got <= 0) {
            break;
        }
        for (long i = 0; i < got && int64_t(out.size()) < frames * 2; ++i, ++position) {
            if (position >= skipFrames) {
                out.push_back(pcm[0][i]);
                out.push_back(pcm[1][i]);
            }
        }
    }
    ov_clear(&file);
    return out;
}

std::vector<float> readFloats(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> floats(bytes.size() / sizeof(float));
    std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
    return floats;
}

void useDriver(const char* driver, const std::string& diskFile = "") {
    setenv("SDL_AUDIODRIVER", driver, 1);
    if (!diskFile.empty()) {
        setenv("SDL_DISKAUDIOFILE", diskFile.c_str(), 1);
    }
}

// Waits (bounded) until the mixer has produced `count` more blocks.
bool waitBlocks(const SoundSystem& sound, uint64_t count) {
    uint64_t target = sound.blocksMixed() + count;
    for (int i = 0; i < 2000 && sound.blocksMixed() < target; ++i) {
        SDL_Delay(5);
    }
    return sound.blocksMixed() >= target;
}

size_t firstSoundingSample(const std::vector<float>& samples) {
    auto it = std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0.0f; });
    return size_t(it - samples.begin()) & ~size_t(1);
}

// --- Output on the disk driver ---------------------------------------------------------

TEST(SoundSystemOutput, PlaysTheStreamSampleForSampleFromTheTimeSet) {
    std::string output = tempDirectory() + "/play.raw";
    useDriver("disk", output);
    SoundSystem sound;
    ASSERT_TRUE(sound.init());
    ASSERT_TRUE(sound.openStream(sweepFile().c_str()));
    ASSERT_TRUE(sound.setStreamTime(startMs));
    EXPECT_EQ(sound.streamPositionMilliseconds(), startMs);
    int channel = sound.playStream();
    ASSERT_EQ(channel, 0);
    EXPECT_TRUE(sound.isPaused(channel));
    ASSERT_TRUE(waitBlocks(sound, 3));
    EXPECT_EQ(sound.streamPositionMilliseconds(), startMs) << "a channel starts paused";
    ASSERT_TRUE(sound.setPaused(channel, false));
    ASSERT_TRUE(waitBlocks(sound, 12));
    EXPECT_GT(sound.streamPositionMilliseconds(), startMs + 200);
    sound.close();

    std::vector<float> written = readFloats(output);
    size_t first = firstSoundingSample(written);
    ASSERT_GT(written.size(), first + 8 * 2048);
    const int64_t compared = 8 * 1024;
    std::vector<float> reference = decodeStereo(sweepFile(), startFrame, compared);
    ASSERT_EQ(reference.size(), size_t(compared * 2));
    for (size_t i = 0; i < reference.size(); ++i) {
        ASSERT_EQ(written[first + i], reference[i]) << "sample " << i << " after the start";
    }
}

TEST(SoundSystemOutput, PauseHoldsTheStreamAndResumeGoesOnFromThere) {
    std::string output = tempDirectory() + "/pause.raw";
    useDriver("disk", output);
    SoundSystem sound;
    ASSERT_TRUE(sound.init());
    ASSERT_TRUE(sound.openStream(sweepFile().c_str()));
    sound.setStreamTime(startMs);
    int channel = sound.playStream();
    sound.setPaused(channel, false);
    ASSERT_TRUE(waitBlocks(sound, 5));
    ASSERT_TRUE(sound.setPaused(channel, true));
    uint32_t pausedAt = sound.streamPositionMilliseconds();
    ASSERT_TRUE(waitBlocks(sound, 6));
    EXPECT_EQ(sound.streamPositionMilliseconds(), pausedAt);
    sound.setPaused(channel, false);
    ASSERT_TRUE(waitBlocks(sound, 5));
    sound.close();

    std::vector<float> written = readFloats(output);
    size_t first = firstSoundingSample(written);
    // The pause shows as a run of silent frames inside the music...
    size_t longestSilence = 0;
    for (size_t i = first, run = 0; i + 1 < written.size(); i += 2) {
        run = (written[i] == 0.0f && written[i + 1] == 0.0f) ? run + 1 : 0;
        longestSilence = std::max(longestSilence, run);
    }
    EXPECT_GE(longestSilence, size_t(4 * 1024));
    // ...and without it the output is the stream, unbroken.
    std::vector<float> sounding;
    for (size_t i = first; i + 1 < written.size(); i += 2) {
        if (written[i] != 0.0f || written[i + 1] != 0.0f) {
            sounding.push_back(written[i]);
            sounding.push_back(written[i + 1]);
        }
    }
    ASSERT_GE(sounding.size(), size_t(2 * 8 * 1024));
    std::vector<float> reference = decodeStereo(sweepFile(), startFrame, int64_t(sounding.size() / 2));
    ASSERT_EQ(reference.size(), sounding.size());
    EXPECT_TRUE(reference == sounding);
}

// A tap that halves the signal runs before one that records: the recorder must see the
// halved blocks, every one of them, in order, and the device must play what it saw.
struct Recorder {
    std::vector<float> samples = std::vector<float>(size_t(64) * 2048);
    std::vector<uint64_t> sequences = std::vector<uint64_t>(64);
    size_t blocks = 0;
    bool wrongShape = false;
};

void halve(DspBlock& block, void*) {
    for (int i = 0; i < block.frames * 2; ++i) {
        block.samples[i] *= 0.5f;
    }
}

void record(DspBlock& block, void* userData) {
    auto* recorder = static_cast<Recorder*>(userData);
    recorder->wrongShape |= block.frames != SoundSystem::blockLength || block.blockLength != block.frames ||
                            block.totalLength % block.blockLength != 0 || block.totalLength < 2 * block.blockLength;
    if (recorder->blocks < recorder->sequences.size()) {
        recorder->sequences[recorder->blocks] = block.sequence;
        std::copy(block.samples, block.samples + 2 * block.frames, recorder->samples.begin() + recorder->blocks * 2048);
        ++recorder->blocks;
    }
}

TEST(SoundSystemOutput, TapsSeeEveryMixedBlockInOrderAndByPriority) {
    std::string output = tempDirectory() + "/taps.raw";
    useDriver("disk", output);
    SoundSystem sound;
    ASSERT_TRUE(sound.init());
    EXPECT_EQ(sound.mixerFormat(), MixerFormat::Float32Stereo);
    ASSERT_TRUE(sound.openStream(sweepFile().c_str()));
    sound.setStreamTime(startMs);
    int channel = sound.playStream();
    sound.setPaused(channel, false);
    Recorder recorder;
    int recording = sound.addDsp(record, 300, &recorder);
    int halving = sound.addDsp(halve, 100, nullptr);
    ASSERT_GT(recording, 0);
    ASSERT_GT(halving, 0);
    EXPECT_NE(recording, halving);
    ASSERT_TRUE(waitBlocks(sound, 20));
    sound.removeDsp(recording);
    sound.removeDsp(halving);
    size_t seen = recorder.blocks;  // safe: removeDsp waits out a running block
    ASSERT_TRUE(waitBlocks(sound, 3));
    EXPECT_EQ(recorder.blocks, seen) << "a removed tap is not called again";
    sound.close();

    EXPECT_FALSE(recorder.wrongShape);
    ASSERT_GE(seen, size_t(10));
    for (size_t b = 1; b < seen; ++b) {
        ASSERT_EQ(recorder.sequences[b], recorder.sequences[b - 1] + 1) << "block " << b;
    }
    // The device buffer is one block, so block n is played at frame n × blockLength,
    // after whatever silence the driver wrote before the mixer was started.
    std::vector<float> written = readFloats(output);
    auto playedAsSeen = [&](size_t leadBlocks) {
        for (size_t b = 0; b < seen; ++b) {
            size_t offset = (size_t(recorder.sequences[b]) + leadBlocks) * 2048;
            if (offset + 2048 > written.size() ||
                !std::equal(written.begin() + offset, written.begin() + offset + 2048,
                            recorder.samples.begin() + b * 2048)) {
                return false;
            }
        }
        return true;
    };
    bool found = false;
    for (size_t lead = 0; lead < 16 && !found; ++lead) {
        found = playedAsSeen(lead);
    }
    EXPECT_TRUE(found) << "the blocks as played differ from the tap's copies";
    // Halved before recording: the loudest recorded sample is at most half full scale.
    float peak = 0.0f;
    for (size_t i = 0; i < seen * 2048; ++i) {
        peak = std::max(peak, std::fabs(recorder.samples[i]));
    }
    EXPECT_GT(peak, 0.1f);
    EXPECT_LE(peak, 0.26f);
}

// --- Spectrum --------------------------------------------------------------------------

TEST(SoundSystemSpectrum, PureTonesPeakInTheirBins) {
    SpectrumAnalyser analyser;
    std::vector<float> samples(SpectrumAnalyser::windowSize);
    for (double hertz : {1000.0, 5000.0, 10000.0}) {
        for (int i = 0; i < SpectrumAnalyser::windowSize; ++i) {
            samples[i] = float(0.5 * std::sin(twoPi * hertz * i / rate));
        }
        const float* bins = analyser.analyse(samples.data());
        int peak = int(std::max_element(bins, bins + SpectrumAnalyser::binCount) - bins);
        EXPECT_EQ(peak, int(std::lround(hertz * SpectrumAnalyser::windowSize / rate))) << hertz << " Hz";
        EXPECT_NEAR(bins[peak], 0.5f, 0.15f) << hertz << " Hz";
    }
    std::fill(samples.begin(), samples.end(), 0.0f);
    const float* silent = analyser.analyse(samples.data());
    EXPECT_TRUE(std::all_of(silent, silent + SpectrumAnalyser::binCount, [](float m) { return m == 0.0f; }));
}

TEST(SoundSystemSpectrum, PlayedToneShowsInTheSpectrumOnlyWhileTheUnitIsOn) {
    std::string tone = toneFile(1000.0, 2, rate, 3.0);
    useDriver("dummy");
    SoundSystem sound;
    ASSERT_TRUE(sound.init());
    EXPECT_EQ(sound.spectrum(), nullptr) << "the unit starts off";
    ASSERT_TRUE(sound.openStream(tone.c_str()));
    sound.setPaused(sound.playStream(), false);
    sound.setSpectrumActive(true);
    ASSERT_TRUE(waitBlocks(sound, 3));
    const float* bins = sound.spectrum();
    ASSERT_NE(bins, nullptr);
    int peak = int(std::max_element(bins, bins + SoundSystem::spectrumSize) - bins);
    EXPECT_EQ(peak, 23);  // 1000 Hz × 1024 / 44100
    sound.setSpectrumActive(false);
    EXPECT_EQ(sound.spectrum(), nullptr);
    sound.close();
    sound.setSpectrumActive(true);
    EXPECT_EQ(sound.spectrum(), nullptr) << "no spectrum without a device";
}

// --- Devices and files -----------------------------------------------------------------

TEST(SoundSystemDevice, DummyDriverRunsTheMixerWithOneBlockOfLatency) {
    useDriver("dummy");
    SoundSystem sound;
    ASSERT_TRUE(sound.init());
    EXPECT_TRUE(sound.init()) << "a second init keeps the device";
    EXPECT_NEAR(sound.outputLatencyMilliseconds(), 1024 * 1000.0 / rate, 0.01);
    EXPECT_TRUE(waitBlocks(sound, 2)) << "the mixer runs before anything plays";
    EXPECT_EQ(sound.playStream(), -1) << "no stream, no channel";
    EXPECT_FALSE(sound.setPaused(0, false));
    ASSERT_TRUE(sound.openStream(sweepFile().c_str()));
    sound.setPaused(sound.playStream(), false);
    EXPECT_TRUE(waitBlocks(sound, 4));
    EXPECT_GT(sound.streamPositionMilliseconds(), 0u);
    sound.close();
    EXPECT_FALSE(sound.isInited());
    EXPECT_FALSE(sound.hasStream());
    EXPECT_TRUE(sound.init()) << "the device opens again after close";
}

TEST(SoundSystemDevice, NoUsableDriverMeansNoDeviceAndNothingElse) {
    useDriver("nonexistent");
    testing::internal::CaptureStderr();
    SoundSystem sound;
    EXPECT_FALSE(sound.init());
    EXPECT_FALSE(sound.isInited());
    EXPECT_FALSE(sound.openStream(sweepFile().c_str()));
    EXPECT_EQ(sound.playStream(), -1);
    EXPECT_FALSE(sound.setStreamTime(startMs));
    sound.setSpectrumActive(true);
    EXPECT_EQ(sound.spectrum(), nullptr);
    EXPECT_EQ(sound.addDsp(halve, 0, nullptr), 0);
    EXPECT_EQ(sound.outputLatencyMilliseconds(), 0.0);
    sound.close();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SoundSystemDevice, TheStreamEndsInSilenceAndTheChannelIsFreed) {
    std::string shortTone = toneFile(440.0, 2, rate, 0.2);
    useDriver("dummy");
    SoundSystem sound;
    ASSERT_TRUE(sound.init());
    ASSERT_TRUE(sound.openStream(shortTone.c_str()));
    int channel = sound.playStream();
    sound.setPaused(channel, false);
    ASSERT_TRUE(waitBlocks(sound, 15));
    EXPECT_NEAR(double(sound.streamPositionMilliseconds()), 200.0, 2.0);
    EXPECT_TRUE(sound.isPaused(channel)) << "a finished stream plays no more";
    EXPECT_TRUE(sound.setStreamTime(0));
    EXPECT_EQ(sound.playStream(), 0) << "and plays again once restarted";
}

TEST(OggStreamFiles, OtherRatesAndMonoAreConvertedToStereoAt44100) {
    std::string mono = toneFile(1000.0, 1, 22050, 1.0);
    OggStream stream;
    ASSERT_TRUE(stream.open(mono.c_str()));
    EXPECT_EQ(stream.fileRate(), 22050);
    EXPECT_EQ(stream.fileChannels(), 1);
    std::vector<float> frames(2 * 4096);
    int64_t total = 0;
    bool sameSides = true;
    for (int got; (got = stream.readFrames(frames.data(), 4096)) > 0;) {
        total += got;
        for (int i = 0; i < got; ++i) {
            sameSides &= frames[2 * i] == frames[2 * i + 1];
        }
    }
    EXPECT_TRUE(sameSides);
    EXPECT_NEAR(double(total), 44100.0, 200.0);
    // A 1 kHz tone stays a 1 kHz tone after the rate change.
    ASSERT_TRUE(stream.seekMilliseconds(300));
    ASSERT_EQ(stream.readFrames(frames.data(), SpectrumAnalyser::windowSize), SpectrumAnalyser::windowSize);
    std::vector<float> left(SpectrumAnalyser::windowSize);
    for (int i = 0; i < SpectrumAnalyser::windowSize; ++i) {
        left[i] = frames[2 * i];
    }
    SpectrumAnalyser analyser;
    const float* bins = analyser.analyse(left.data());
    EXPECT_EQ(std::max_element(bins, bins + SpectrumAnalyser::binCount) - bins, 23);
}

TEST(OggStreamFiles, SeekingPastTheEndLeavesTheStreamAtItsEnd) {
    OggStream stream;
    ASSERT_TRUE(stream.open(sweepFile().c_str()));
    EXPECT_TRUE(stream.seekMilliseconds(4000000000u));
    float frames[64];
    EXPECT_EQ(stream.readFrames(frames, 32), 0);
    EXPECT_TRUE(stream.seekMilliseconds(31000));
    EXPECT_GT(stream.readFrames(frames, 32), 0);
}

TEST(OggStreamFiles, BrokenFilesFailToOpenOrEndCleanly) {
    OggStream stream;
    EXPECT_FALSE(stream.open((tempDirectory() + "/missing.ogg").c_str()));
    EXPECT_FALSE(stream.open(tempDirectory().c_str())) << "a directory";
    EXPECT_FALSE(stream.open(nullptr));
    std::string text = tempDirectory() + "/text.ogg";
    std::ofstream(text) << "not a music file at all\n";
    EXPECT_FALSE(stream.open(text.c_str()));

    std::ifstream in(sweepFile(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Cut short, and scribbled over in the middle: whatever opens must decode to an end.
    std::string damaged = bytes.substr(0, bytes.size() / 3);
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 4000; i += 7) {
        damaged[i] = char(damaged[i] ^ 0x5a);
    }
    std::string damagedPath = tempDirectory() + "/damaged.ogg";
    std::ofstream(damagedPath, std::ios::binary) << damaged;
    if (stream.open(damagedPath.c_str())) {
        std::vector<float> frames(2 * 4096);
        int64_t total = 0;
        for (int got, rounds = 0; rounds < 1000 && (got = stream.readFrames(frames.data(), 4096)) > 0; ++rounds) {
            total += got;
        }
        EXPECT_LT(total, int64_t(31.5 * rate));
        EXPECT_EQ(stream.readFrames(frames.data(), 4096), 0);
    }
}

}  // namespace
