#pragma once
// The arrangement of "lv_cv05-02", the demo's soundtrack: 50 bars at 125 beats per minute
// in A minor over the chords Am - F - C - G, then a two-second tail.
//
//   bars  0-7   intro      pads, a quiet arpeggio from bar 4, hats from bar 4
//   bars  8-15  build      kick, bass and crash at bar 8, claps from bar 12
//   bars 16-23  groove     full drums, bright arpeggio
//   bars 24-31  breakdown  no kick; a soft lead; from bar 28 a snare roll and a riser
//   bars 32-43  peak       everything, the lead melody three times, crashes at 32/36/40
//   bars 44-47  ending     drums out, pads and long bass notes
//   bars 48-49  final      one hit and the A minor chord dying away
//
// The demo script's sections use the same bar numbers (one bar is 1920 ms).
// Called by main.cpp; the result is deterministic: no clock, no random seed.
#include "StereoBuffer.h"

namespace Song {
// Renders the whole piece, its peak normalised to about -1.5 dBFS.
StereoBuffer render();
}
