// Music timing figures: the output latency of the sound device, how far the music stream
// and the demo time drift apart while the demo plays, and what decoding and the spectrum
// cost. Two demo clocks are compared side by side: the free one (the counter alone,
// started together with the stream: --clock free) and the music clock that follows the
// stream's reading (the default), so the drift over a run is what a viewer would notice.
//
//   bench_Music [seconds] [file.ogg]
//
// Plays for 60 s by default on SDL's dummy driver (set SDL_AUDIODRIVER to use another),
// from 30 s into a generated soundtrack or into the given file, starting the stream and
// the clock the way the launcher does, and prints the stream position against the clock.
#include "demoSystem/LumoraMusic.h"
#include "launcher/DemoClock.h"
#include "launcher/MusicClock.h"
#include "platform/OggEncoder.h"
#include "platform/OggStream.h"
#include "platform/SoundSystem.h"

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr uint32_t startMs = 30000;

std::string makeSoundtrack(double seconds) {
    const int rate = SoundSystem::mixRate;
    const int64_t frames = int64_t(seconds * rate);
    std::vector<float> samples(size_t(frames) * 2);
    for (int64_t i = 0; i < frames; ++i) {
        double t = double(i) / rate;
        samples[2 * i] = float(0.3 * std::sin(2.0 * std::numbers::pi * (110.0 + 3.0 * t) * t));
        samples[2 * i + 1] = float(0.3 * std::sin(2.0 * std::numbers::pi * 165.0 * t));
    }
    std::string path = (std::filesystem::temp_directory_path() / "lumora-bench-music.ogg").string();
    if (!OggEncoder::writeFile(path.c_str(), samples.data(), frames, 2, rate, 0.3f)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

double decodeSpeed(const std::string& path) {
    OggStream stream;
    stream.open(path.c_str());
    std::vector<float> frames(size_t(SoundSystem::blockLength) * 2);
    int64_t total = 0;
    auto begin = std::chrono::steady_clock::now();
    for (int got; (got = stream.readFrames(frames.data(), SoundSystem::blockLength)) > 0;) {
        total += got;
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return seconds > 0.0 ? double(total) / SoundSystem::mixRate / seconds : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    int playSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    if (playSeconds <= 0) {
        playSeconds = 60;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string generated;
    std::string path = argc > 2 ? argv[2] : (generated = makeSoundtrack(startMs / 1000.0 + playSeconds + 5.0));

    std::printf("decoding: %.0f x real time (%s)\n", decodeSpeed(path), path.c_str());

    if (!LumoraMusic::init()) {
        std::printf("no sound device on driver %s: nothing to measure\n", std::getenv("SDL_AUDIODRIVER"));
        return 0;
    }
    SoundSystem* sound = LumoraMusic::soundSystem();
    std::printf("driver %s, output latency: %.1f ms (%d frames per block at %d Hz)\n", SDL_GetCurrentAudioDriver(),
                sound->outputLatencyMilliseconds(), sound->bufferLength(), SoundSystem::mixRate);
    if (!LumoraMusic::open(path.c_str())) {
        std::printf("could not open %s\n", path.c_str());
        return 1;
    }

    sound->setSpectrumActive(true);
    const int spectrumCalls = 2000;
    auto spectrumBegin = std::chrono::steady_clock::now();
    for (int i = 0; i < spectrumCalls; ++i) {
        sound->spectrum();
    }
    double spectrumUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - spectrumBegin)
                            .count() / spectrumCalls;
    std::printf("spectrum: %.1f us per call\n", spectrumUs);

    // As the launcher starts the demo: the stream at the start time, then the clocks.
    DemoClock clock;
    MusicClock musicClock;
    const double frequency = double(SDL_GetPerformanceFrequency());
    auto musicTime = [&] {
        uint64_t now = SDL_GetPerformanceCounter();
        StreamClockReading reading = sound->streamClockReading();
        double streamMs = SoundSystem::streamClockMilliseconds(reading, now, uint64_t(frequency));
        return std::make_pair(streamMs, musicClock.step(streamMs, reading.advancing, double(now) * 1000.0 / frequency));
    };
    LumoraMusic::setTime(startMs);
    LumoraMusic::play();
    clock.start(startMs);
    musicTime();
    std::printf("%8s %12s %12s %14s %14s\n", "played s", "free ms", "stream ms", "stream-free", "stream-music");
    double freeDifference = 0.0, musicDifference = 0.0, worstMusic = 0.0;
    for (int second = 5; second <= playSeconds; second += 5) {
        // The music clock is read about once a frame, as the frame loop reads it.
        while (clock.now() < int64_t(startMs) + second * 1000) {
            auto [streamMs, demoMs] = musicTime();
            worstMusic = std::max(worstMusic, std::fabs(streamMs - demoMs));
            SDL_Delay(16);
        }
        auto [streamMs, demoMs] = musicTime();
        int64_t freeMs = clock.now();
        freeDifference = streamMs - double(freeMs);
        musicDifference = streamMs - demoMs;
        std::printf("%8d %12lld %12.1f %+11.1f ms %+11.1f ms\n", second, (long long)freeMs, streamMs, freeDifference,
                    musicDifference);
        std::fflush(stdout);
    }
    // The dummy driver paces blocks with sleeps, so its drift follows the scheduler (a busy
    // machine oversleeps and the stream falls behind); a sound card paces by its own crystal.
    std::printf("after %d s on the %s driver: stream position - demo time = %+.1f ms (free clock), %+.1f ms "
                "(music clock; worst %.1f ms)\n",
                playSeconds, SDL_GetCurrentAudioDriver(), freeDifference, musicDifference, worstMusic);
    LumoraMusic::shutdown();
    if (!generated.empty()) {
        std::filesystem::remove(generated);
    }
    return 0;
}
