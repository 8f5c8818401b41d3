#pragma once
// The arrangement of "lv_cv05-02", the demo's soundtrack: 96 bars at 125 beats per minute
// in A minor over the chords Am - F - C - G, then a two-second tail.
//
//   bars  0-7   intro      pads, a quiet arpeggio and hats from bar 4
//   bars  8-15  build      kick, bass and crash at bar 8, claps from bar 12
//   bars 16-31  groove     full drums, bright arpeggio; sixteenth hats and the tune an
//                          octave down from bar 24; a snare fill closes bar 31
//   bars 32-39  breakdown  no kick; a soft lead, the arpeggio's filter closed
//   bars 40-47  drive      drums back with a rolling sixteenth bass, crash at 40 and 44
//   bars 48-55  halftime   kick on beats 1 and 3-and, snare on 3, the tune in full
//   bars 56-59  rise       snare roll and riser, the arpeggio's filter opening
//   bars 60-75  peak       everything, the tune four times, crashes every four bars
//   bars 76-83  peak B     the tune with a harmony a third below; a fill closes bar 83
//   bars 84-91  ending     drums out, pads and long bass notes, the tune remembered
//   bars 92-95  final      one hit and the A minor chord dying away
//
// The demo script's section defines name the same bars (one bar is 1920 ms);
// `synth --sections` prints this table, and the demo data tests hold the script to it.
// Called by main.cpp; the result is deterministic: no clock, no random seed.
#include "StereoBuffer.h"

namespace Song {

struct Section {
    const char* name;  // as the script's DEFINE names it
    int firstBar;
};

constexpr Section sections[] = {
    {"INTRO", 0},     {"BUILD", 8}, {"GROOVE", 16}, {"BREAK", 32},  {"DRIVE", 40}, {"HALFTIME", 48},
    {"RISE", 56},     {"PEAK", 60}, {"PEAK_B", 76}, {"OUTRO", 84}, {"FINAL", 92},
};

// Renders the whole piece, its peak normalised to about -2.4 dBFS.
StereoBuffer render();
}  // namespace Song
