// Music timing figures: the output latency of the sound device, how far the music stream
// and the demo clock drift apart while the demo plays, and what decoding and the
// spectrum cost. Music and picture are only started together (nothing re-synchronises
// them), so the drift over a run is what a viewer can notice.
//
//   bench_Music [seconds] [file.ogg]
//
// Plays for 60 s by default on SDL's dummy driver (set SDL_AUDIODRIVER to use another),
// from 30 s into a generated soundtrack or into the given file, starting the stream and
// the clock the way the launcher does, and prints the stream position against the clock.
#include "demoSystem/LumoraMusic.h"
#include "launcher/DemoClock.h"
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

    // As the launcher starts the demo: the stream at the start time, then the clock.
    DemoClock clock;
    LumoraMusic::setTime(startMs);
    LumoraMusic::play();
    clock.start(startMs);
    std::printf("%8s %12s %12s %10s\n", "played s", "clock ms", "stream ms", "stream-clock");
    int64_t difference = 0;
    for (int second = 5; second <= playSeconds; second += 5) {
        while (clock.now() < int64_t(startMs) + second * 1000) {
            SDL_Delay(1);
        }
        int64_t clockMs = clock.now();
        int64_t streamMs = sound->streamPositionMilliseconds();
        difference = streamMs - clockMs;
        std::printf("%8d %12lld %12lld %+10lld ms\n", second, (long long)clockMs, (long long)streamMs,
                    (long long)difference);
        std::fflush(stdout);
    }
    // The dummy driver paces blocks with sleeps, so its drift follows the scheduler (a busy
    // machine oversleeps and the stream falls behind); a sound card paces by its own crystal.
    std::printf("after %d s on the %s driver: stream position - demo clock = %+lld ms\n", playSeconds,
                SDL_GetCurrentAudioDriver(), (long long)difference);
    LumoraMusic::shutdown();
    if (!generated.empty()) {
        std::filesystem::remove(generated);
    }
    return 0;
}
