// From capture to video: the soundtrack section beside captured frames (audio.wav), the
// WAV writer, ffmpeg's command line, and real --video runs checked with ffprobe and by
// comparing the encoded sound with the soundtrack.
#include "launcher/FixedStepClock.h"
#include "launcher/SoundtrackSection.h"
#include "launcher/VideoEncoder.h"
#include "platform/OggEncoder.h"
#include "platform/OggStream.h"
#include "platform/WavWriter.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;

const std::string soundtrack = std::string(LUMORA_BINARY_DIR) + "/lv_cv05-02.ogg";

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t little(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | b[at + size_t(i)];
    }
    return value;
}

// Interleaved 16-bit samples of a WAV written by WavWriter (44-byte header).
std::vector<int16_t> wavSamples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples((bytes.size() - 44) / 2);
    std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
    return samples;
}

// The soundtrack decoded on its own from `fromMs`, as the WAV's 16-bit samples.
std::vector<int16_t> soundtrackAt(const std::string& music, uint32_t fromMs, size_t frames) {
    OggStream stream;
    EXPECT_TRUE(stream.open(music.c_str()));
    EXPECT_TRUE(stream.seekMilliseconds(fromMs));
    std::vector<float> decoded(frames * 2, 0.0f);
    stream.readFrames(decoded.data(), int(frames));
    std::vector<int16_t> samples;
    for (float s : decoded) {
        samples.push_back(WavWriter::toPcm16(s));
    }
    return samples;
}

TEST(WavWriter, CanonicalHeaderClampingAndRounding) {
    std::string dir = makeTempDirectory("wav");
    WavWriter wav;
    ASSERT_TRUE(wav.open(dir + "/a.wav", 44100));
    const float frames[] = {0.0f, 1.0f, -1.0f, 2.0f, -3.0f, 0.5f, 1e-6f, -0.25f};
    ASSERT_TRUE(wav.write(frames, 4));
    ASSERT_TRUE(wav.finish());
    std::vector<uint8_t> b = readBytes(dir + "/a.wav");
    ASSERT_EQ(b.size(), 44u + 16u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(little(b, 4, 4), 36u + 16u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(little(b, 20, 2), 1u);       // PCM
    EXPECT_EQ(little(b, 22, 2), 2u);       // stereo
    EXPECT_EQ(little(b, 24, 4), 44100u);
    EXPECT_EQ(little(b, 28, 4), 44100u * 4);
    EXPECT_EQ(little(b, 32, 2), 4u);
    EXPECT_EQ(little(b, 34, 2), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(little(b, 40, 4), 16u);
    EXPECT_EQ(wavSamples(b), (std::vector<int16_t>{0, 32767, -32767, 32767, -32767, 16384, 0, -8192}));
    EXPECT_FALSE(WavWriter().open(dir + "/no/such/dir/a.wav", 44100));
    fs::remove_all(dir);
}

TEST(SoundtrackSection, LengthInSamplesOfTheCapturedFrames) {
    EXPECT_EQ(SoundtrackSection::sampleFrames(121, 30), 177870u);   // 4.0333 s
    EXPECT_EQ(SoundtrackSection::sampleFrames(1, 30), 1470u);
    EXPECT_EQ(SoundtrackSection::sampleFrames(7, 60), 5145u);
    EXPECT_EQ(SoundtrackSection::sampleFrames(1, 7), 6300u);
    EXPECT_EQ(SoundtrackSection::sampleFrames(5, 0), 0u);
}

TEST(SoundtrackSection, TheSectionIsTheMusicFromItsStartAndSilencePastTheEnd) {
    std::string dir = makeTempDirectory("section");
    // Two seconds that never repeat, so a wrong offset cannot match.
    const int frames = 2 * 44100;
    std::vector<float> samples(size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        samples[2 * size_t(i)] = float(0.4 * std::sin(0.001 * i * (1.0 + i * 1e-5)));
        samples[2 * size_t(i) + 1] = float(0.3 * std::cos(0.002 * i));
    }
    std::string music = dir + "/m.ogg";
    ASSERT_TRUE(OggEncoder::writeFile(music.c_str(), samples.data(), frames, 2, 44100, 0.3f));
    std::string error;
    ASSERT_TRUE(SoundtrackSection::writeWav(music, dir + "/s.wav", 1500, 44100, error)) << error;
    std::vector<int16_t> written = wavSamples(readBytes(dir + "/s.wav"));
    ASSERT_EQ(written.size(), 44100u * 2);
    std::vector<int16_t> reference = soundtrackAt(music, 1500, 22050);
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), written.begin())) << "the music from 1.5 s";
    EXPECT_TRUE(std::all_of(written.begin() + 22050 * 2 + 4096, written.end(), [](int16_t s) { return s == 0; }))
        << "silence after the music's end";

    EXPECT_FALSE(SoundtrackSection::writeWav(dir + "/none.ogg", dir + "/t.wav", 0, 10, error));
    EXPECT_NE(error.find("none.ogg"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir + "/t.wav"));
    fs::remove_all(dir);
}

TEST(VideoEncoderCommand, CodecsByExtensionRawFramesOnStdinExtraOptionsBeforeTheOutput) {
    auto joined = [](const std::vector<std::string>& words) {
        std::string line;
        for (const std::string& w : words) line += w + " ";
        return line;
    };
    std::string mp4 = joined(VideoEncoder::arguments("o.mp4.part", ".mp4", "-tune film", 640, 480, 30, "a.wav"));
    EXPECT_NE(mp4.find("-f rawvideo -pix_fmt rgb24 -s 640x480 -framerate 30 -i pipe:0 -i a.wav "), std::string::npos) << mp4;
    EXPECT_NE(mp4.find("-c:v libx264 -pix_fmt yuv420p"), std::string::npos) << mp4;
    EXPECT_NE(mp4.find("-c:a aac"), std::string::npos) << mp4;
    EXPECT_NE(mp4.find("-tune film -f mp4 o.mp4.part "), std::string::npos) << mp4;
    std::string webm = joined(VideoEncoder::arguments("o.webm.part", ".webm", "", 64, 48, 25, ""));
    EXPECT_NE(webm.find("-c:v libvpx-vp9"), std::string::npos) << webm;
    EXPECT_EQ(webm.find("-c:a"), std::string::npos) << "no sound, no audio codec: " << webm;
    EXPECT_EQ(webm.find("-map"), std::string::npos) << webm;
    EXPECT_NE(joined(VideoEncoder::arguments("x", ".webm", "", 64, 48, 25, "a.wav")).find("-c:a libopus"),
              std::string::npos);
    EXPECT_EQ(VideoEncoder::splitWords("  -crf 20 -metadata 'title=A B' \"x y\""),
              (std::vector<std::string>{"-crf", "20", "-metadata", "title=A B", "x y"}));
    EXPECT_TRUE(VideoEncoder::splitWords("   ").empty());
    EXPECT_EQ(VideoEncoder::findOnPath("no-such-program-lumora"), "");
}

// Runs of the real program on a small data folder; the soundtrack is the build's own.
class VideoRun : public testing::Test {
protected:
    void SetUp() override {
        root = makeTempDirectory("video");
        fs::create_directories(root + "/data/data/scripts");
        std::ofstream(root + "/data/data/scripts/cvdemo.script")
            << "__HEADER__\nDEMO_START 0\nDEMO_END 40000\n__SETUP__\nINSERT_EFFECT back AS Clear\n"
               "__TIMELINE__\n0 b back\n";
    }
    void TearDown() override { fs::remove_all(root); }

    ProgramResult lumora(std::vector<std::string> arguments, std::vector<std::string> environment = {}) {
        arguments.insert(arguments.end(), {"--headless", "--data", root + "/data"});
        environment.push_back("SDL_AUDIODRIVER=dummy");
        return runProgram(LUMORA_EXECUTABLE, arguments, environment);
    }

    static bool haveSoundtrack() { return fs::exists(soundtrack); }
    static bool haveFfmpeg() { return !VideoEncoder::findOnPath("ffmpeg").empty() && !VideoEncoder::findOnPath("ffprobe").empty(); }

    std::string root;
};

TEST_F(VideoRun, CaptureWritesTheSoundtrackOfExactlyTheCapturedSection) {
    if (!haveSoundtrack()) GTEST_SKIP() << "the demo's data is not built";
    ProgramResult r = lumora({"--capture", root + "/frames", "--fps", "10", "--from", "30000", "--to", "31000",
                              "--size", "64x48"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    uint64_t frames = FixedStepClock::frameCount(30000, 31000, 10);
    std::vector<int16_t> written = wavSamples(readBytes(root + "/frames/audio.wav"));
    size_t sampleFrames = SoundtrackSection::sampleFrames(frames, 10);
    ASSERT_EQ(sampleFrames, 48510u);
    ASSERT_EQ(written.size(), sampleFrames * 2);
    std::vector<int16_t> reference = soundtrackAt(soundtrack, 30000, sampleFrames);
    size_t differing = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        differing += std::abs(int(reference[i]) - int(written[i])) > 1;
    }
    EXPECT_EQ(differing, 0u) << "the WAV is the soundtrack from 30 s, sample for sample";
    EXPECT_TRUE(std::regex_search(r.err, std::regex("capture: 11 frames in .* written to .*, [0-9.]+ [kM]B\n")))
        << r.err;
}

TEST_F(VideoRun, VideoHoldsExactlyTheFramesAtTheRateAndSoundFromTheFirstFrame) {
    if (!haveSoundtrack() || !haveFfmpeg()) GTEST_SKIP() << "needs the demo's data and ffmpeg";
    std::string video = root + "/out.mp4";
    ProgramResult r = lumora({"--video", video, "--fps", "30", "--from", "10000", "--to", "14000", "--size", "160x120"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(fs::exists(VideoEncoder::temporaryName(video)));
    ProgramResult probe = runProgram(VideoEncoder::findOnPath("ffprobe"),
                                     {"-v", "error", "-count_frames", "-show_entries",
                                      "stream=codec_type,codec_name,nb_read_frames,r_frame_rate", "-of", "compact",
                                      video});
    ASSERT_EQ(probe.exitCode, 0) << probe.err;
    EXPECT_NE(probe.out.find("codec_name=h264|codec_type=video|r_frame_rate=30/1|nb_read_frames=121"),
              std::string::npos) << probe.out;
    EXPECT_NE(probe.out.find("codec_name=aac|codec_type=audio"), std::string::npos) << probe.out;

    // The first second of the video's sound against the soundtrack at 10 s: AAC is lossy,
    // so compare by correlation, and find where the two line up best.
    std::string raw = root + "/sound.f32";
    ProgramResult decode = runProgram(VideoEncoder::findOnPath("ffmpeg"),
                                      {"-v", "error", "-i", video, "-t", "1", "-f", "f32le", "-ac", "2", "-ar",
                                       "44100", raw});
    ASSERT_EQ(decode.exitCode, 0) << decode.err;
    std::vector<uint8_t> bytes = readBytes(raw);
    std::vector<float> encoded(bytes.size() / 4);
    std::memcpy(encoded.data(), bytes.data(), encoded.size() * 4);
    ASSERT_GE(encoded.size(), size_t(44100) * 2 - 64);
    OggStream stream;
    ASSERT_TRUE(stream.open(soundtrack.c_str()));
    ASSERT_TRUE(stream.seekMilliseconds(10000 - 10));
    const int margin = 441;  // 10 ms of lead-in, so lags both ways can be tried
    std::vector<float> reference(size_t(44100 + 2 * margin) * 2);
    stream.readFrames(reference.data(), 44100 + 2 * margin);
    auto correlation = [&](int lag) {
        double dot = 0, a = 0, b = 0;
        for (size_t i = 0; i + 1 < encoded.size() && i < size_t(44100) * 2; ++i) {
            float x = encoded[i];
            float y = reference[i + size_t(2 * (margin + lag))];
            dot += x * y;
            a += x * x;
            b += y * y;
        }
        return a > 0 && b > 0 ? dot / std::sqrt(a * b) : 0.0;
    };
    int bestLag = 0;
    double best = -2;
    for (int lag = -margin; lag <= margin; ++lag) {
        double c = correlation(lag);
        if (c > best) {
            best = c;
            bestLag = lag;
        }
    }
    EXPECT_GT(best, 0.9) << "the sound is the soundtrack's";
    EXPECT_LE(std::abs(bestLag), 2) << "the sound starts with the first frame (lag in samples)";
    EXPECT_NE(r.err.find("capture: 121 frames in"), std::string::npos) << r.err;
}

TEST_F(VideoRun, NoFfmpegAnUnwritablePlaceOrAFailedEncodeExitWithOneAndLeaveNoFile) {
    if (!haveFfmpeg()) GTEST_SKIP() << "needs ffmpeg";
    std::string video = root + "/out.mp4";
    ProgramResult missing = lumora({"--video", video, "--to", "1000", "--size", "64x48"}, {"PATH=/nonexistent"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("ffmpeg"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.err.find("capture: frame"), std::string::npos) << "nothing rendered: " << missing.err;
    EXPECT_FALSE(fs::exists(video));

    ProgramResult unwritable = lumora({"--video", root + "/no/such/dir/out.mp4", "--to", "1000", "--size", "64x48"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write the video file"), std::string::npos) << unwritable.err;

    ProgramResult failed = lumora({"--video", video, "--to", "1000", "--size", "64x48", "--video-args",
                                   "-c:v no_such_encoder"});
    EXPECT_EQ(failed.exitCode, 1) << failed.err;
    EXPECT_NE(failed.err.find("no_such_encoder"), std::string::npos) << "ffmpeg's own error: " << failed.err;
    EXPECT_FALSE(fs::exists(video));
    EXPECT_FALSE(fs::exists(VideoEncoder::temporaryName(video)));
}

TEST_F(VideoRun, WebmCarriesVp9AndOpus) {
    if (!haveSoundtrack() || !haveFfmpeg()) GTEST_SKIP() << "needs the demo's data and ffmpeg";
    std::string video = root + "/out.webm";
    ProgramResult r = lumora({"--video", video, "--fps", "10", "--to", "1000", "--size", "64x48"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ProgramResult probe = runProgram(VideoEncoder::findOnPath("ffprobe"),
                                     {"-v", "error", "-count_frames", "-show_entries",
                                      "stream=codec_name,nb_read_frames", "-of", "compact", video});
    EXPECT_NE(probe.out.find("codec_name=vp9|nb_read_frames=11"), std::string::npos) << probe.out;
    EXPECT_NE(probe.out.find("codec_name=opus"), std::string::npos) << probe.out;
}

}  // namespace
