#pragma once
// The soundtrack's clock: sample rate, tempo and the bar grid. The demo script's DEMO_BEAT
// (480 ms) and its bar defines come from these numbers, so the pictures land on the beat.
// Used by every part of the synthesiser.
#include <cstddef>

namespace Tempo {
constexpr int sampleRate = 44100;
constexpr int beatsPerMinute = 125;
// 125 beats per minute is exactly 480 ms, 21168 frames, per beat: no drift between
// the music and a millisecond timeline over the whole piece.
constexpr int beatMilliseconds = 60000 / beatsPerMinute;
constexpr size_t beatFrames = size_t(sampleRate) * 60 / beatsPerMinute;
constexpr size_t sixteenthFrames = beatFrames / 4;
constexpr size_t barFrames = beatFrames * 4;
constexpr int barCount = 96;        // 184.32 s of music
constexpr double tailSeconds = 2.0; // the last chord's reverb dies away after the grid
constexpr size_t totalFrames = barFrames * barCount + size_t(tailSeconds * sampleRate);

static_assert(beatFrames * beatsPerMinute == size_t(sampleRate) * 60, "the beat must be whole frames");
static_assert(beatMilliseconds * beatsPerMinute == 60000, "the beat must be whole milliseconds");

constexpr size_t barStart(int bar) { return size_t(bar) * barFrames; }
constexpr size_t stepStart(int bar, int sixteenth) { return barStart(bar) + size_t(sixteenth) * sixteenthFrames; }
}  // namespace Tempo
