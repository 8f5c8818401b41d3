#pragma once
// The soundtrack's instruments. Each function renders one note or hit, whole, into a bus
// at a start frame; the song (Song.cpp) calls them from its arrangement. Gains are
// linear; pans run from -1 (left) to 1 (right); pitches are MIDI note numbers.
#include <cstddef>

#include "StereoBuffer.h"

namespace Instruments {
// Sine body with a falling pitch and a short click: the four-on-the-floor kick.
void kick(StereoBuffer& bus, size_t start, float gain);
// Tuned body plus band-passed noise: the back-beat clap/snare.
void snare(StereoBuffer& bus, size_t start, float gain, float pan = 0.0f);
// High-passed noise; open hats ring longer.
void hat(StereoBuffer& bus, size_t start, float gain, bool open, float pan);
// Long bright noise wash that marks section starts.
void crash(StereoBuffer& bus, size_t start, float gain);
// Filtered noise rising in pitch over its length: the build-up before the peak.
void riser(StereoBuffer& bus, size_t start, size_t length, float gain);
// Saw plus sub sine through a plucked low-pass: the off-beat bass.
void bass(StereoBuffer& bus, size_t start, size_t length, float note, float gain);
// Three detuned saws per side, slow attack and release: the chord pads.
void pad(StereoBuffer& bus, size_t start, size_t length, float note, float gain, float brightness);
// Short pulse pluck whose filter opening the arrangement sweeps.
void pluck(StereoBuffer& bus, size_t start, float note, float gain, float cutoff, float pan);
// Saw and pulse lead with delayed vibrato.
void lead(StereoBuffer& bus, size_t start, size_t length, float note, float gain);
}  // namespace Instruments
