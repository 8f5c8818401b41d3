#include "Song.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "Instruments.h"
#include "PingPongDelay.h"
#include "Reverb.h"
#include "Tempo.h"

namespace {

using Tempo::barStart;
using Tempo::stepStart;

struct Chord {
    float bass;      // root for the bass line
    float tones[3];  // pad voicing, close position around middle C
};

// Am - F - C - G, one chord per bar, voiced so that the pads move by small steps.
const Chord progression[4] = {
    {45, {57, 60, 64}},  // A minor
    {41, {57, 60, 65}},  // F major (A C F)
    {48, {55, 60, 64}},  // C major (G C E)
    {43, {55, 59, 62}},  // G major
};

const Chord& chordOf(int bar) { return progression[bar % 4]; }

bool inRange(int bar, int first, int last) { return bar >= first && bar <= last; }

// The lead melody over the four chords: start and length in sixteenths from the phrase
// start, and the note.
struct MelodyNote {
    int step;
    int length;
    float note;
};
const MelodyNote melody[] = {
    {0, 4, 76}, {4, 2, 74}, {6, 2, 72}, {8, 4, 76}, {12, 4, 81},   // Am
    {16, 4, 81}, {20, 2, 79}, {22, 2, 77}, {24, 8, 72},            // F
    {32, 4, 79}, {36, 2, 76}, {38, 2, 79}, {40, 4, 84}, {44, 4, 83},  // C
    {48, 6, 79}, {54, 2, 81}, {56, 4, 83}, {60, 4, 76},            // G
};

// Where the four-on-the-floor kick plays.
bool fullDrums(int bar) { return inRange(bar, 8, 31) || inRange(bar, 40, 47) || inRange(bar, 60, 83); }

// A snare fill over the last two beats of a bar: eighths, then sixteenths.
void snareFill(StereoBuffer& drums, int bar) {
    for (int step = 8; step < 16; step += step < 12 ? 2 : 1) {
        Instruments::snare(drums, stepStart(bar, step), 0.25f + 0.02f * float(step), step % 2 ? 0.3f : -0.3f);
    }
}

void writeDrums(StereoBuffer& drums, StereoBuffer& kicks) {
    for (int bar = 0; bar < Tempo::barCount; ++bar) {
        for (int beat = 0; beat < 4; ++beat) {
            if (fullDrums(bar)) {
                Instruments::kick(kicks, stepStart(bar, beat * 4), 0.8f);
            }
            const bool claps = inRange(bar, 12, 31) || inRange(bar, 40, 47) || inRange(bar, 60, 83);
            if (claps && (beat == 1 || beat == 3) && !(bar == 31 || bar == 83)) {
                Instruments::snare(drums, stepStart(bar, beat * 4), 0.5f);
            }
        }
        // Half time: kick on beat 1 and after beat 3, one snare on beat 3.
        if (inRange(bar, 48, 55)) {
            Instruments::kick(kicks, stepStart(bar, 0), 0.85f);
            Instruments::kick(kicks, stepStart(bar, 10), 0.6f);
            Instruments::snare(drums, stepStart(bar, 8), 0.55f);
        }
        // Hats: off-beat eighths, sixteenths with open off-beats where the music drives.
        const bool sixteenths = inRange(bar, 24, 31) || inRange(bar, 40, 55) || inRange(bar, 60, 83);
        if (sixteenths) {
            for (int step = 0; step < 16; ++step) {
                const bool offBeat = step % 4 == 2;
                Instruments::hat(drums, stepStart(bar, step), offBeat ? 0.16f : 0.1f, offBeat, step % 2 ? -0.35f : 0.35f);
            }
        } else if (inRange(bar, 4, 23) || inRange(bar, 84, 86)) {
            const float gain = bar < 8 ? 0.12f + 0.02f * float(bar - 4) : (bar >= 84 ? 0.16f - 0.04f * float(bar - 84) : 0.2f);
            for (int beat = 0; beat < 4; ++beat) {
                Instruments::hat(drums, stepStart(bar, beat * 4 + 2), gain, false, 0.3f);
            }
        }
        // The snare roll before the peak: eighths, then sixteenths, growing louder.
        if (inRange(bar, 56, 59)) {
            const int stepSize = bar < 58 ? 2 : 1;
            for (int step = 0; step < 16; step += stepSize) {
                const float progress = (float(bar - 56) * 16.0f + float(step)) / 64.0f;
                Instruments::snare(drums, stepStart(bar, step), 0.12f + 0.38f * progress, step % 2 ? 0.25f : -0.25f);
            }
        }
    }
    snareFill(drums, 31);
    snareFill(drums, 83);
    for (int bar : {8, 16, 24, 40, 44, 48, 60, 64, 68, 72, 76, 80}) {
        Instruments::crash(drums, barStart(bar), 0.3f);
    }
    Instruments::riser(drums, barStart(56), Tempo::barFrames * 4, 0.5f);
    Instruments::riser(drums, barStart(38), Tempo::barFrames * 2, 0.25f);
    // The final hit.
    Instruments::kick(kicks, barStart(92), 1.0f);
    Instruments::crash(drums, barStart(92), 0.35f);
}

void writeBass(StereoBuffer& bass) {
    for (int bar = 0; bar < 92; ++bar) {
        const float root = chordOf(bar).bass;
        if (inRange(bar, 40, 47)) {
            // Rolling sixteenths between the kicks, the middle one an octave up.
            for (int beat = 0; beat < 4; ++beat) {
                for (int step = 1; step < 4; ++step) {
                    Instruments::bass(bass, stepStart(bar, beat * 4 + step), Tempo::sixteenthFrames - 500,
                                      step == 2 ? root + 12.0f : root, 0.45f);
                }
            }
        } else if (inRange(bar, 48, 55)) {
            Instruments::bass(bass, barStart(bar), Tempo::beatFrames * 2 - 600, root, 0.5f);
            Instruments::bass(bass, stepStart(bar, 10), Tempo::beatFrames + Tempo::sixteenthFrames * 2 - 600, root, 0.45f);
        } else if (fullDrums(bar)) {
            for (int beat = 0; beat < 4; ++beat) {
                Instruments::bass(bass, stepStart(bar, beat * 4 + 2), Tempo::sixteenthFrames * 2 - 400, root, 0.55f);
            }
        } else if (inRange(bar, 84, 91)) {
            Instruments::bass(bass, barStart(bar), Tempo::barFrames - 2000, root - 12.0f, 0.45f - 0.03f * float(bar - 84));
        }
    }
    Instruments::bass(bass, barStart(92), Tempo::barFrames * 2, 33.0f, 0.5f);
}

void writePads(StereoBuffer& pads) {
    for (int bar = 0; bar < 92; ++bar) {
        float gain = 0.2f;
        float brightness = 0.35f;
        if (bar < 8) {
            gain = 0.22f + 0.01f * float(bar);
            brightness = 0.2f + 0.03f * float(bar);
        } else if (inRange(bar, 32, 39) || inRange(bar, 56, 59)) {
            gain = 0.26f;
            brightness = 0.55f;
        } else if (inRange(bar, 60, 83)) {
            brightness = 0.6f;
        } else if (bar >= 84) {
            gain = 0.24f;
            brightness = 0.45f - 0.02f * float(bar - 84);
        }
        for (float tone : chordOf(bar).tones) {
            Instruments::pad(pads, barStart(bar), Tempo::barFrames - 1000, tone, gain, brightness);
        }
    }
    for (float tone : {57.0f, 60.0f, 64.0f, 69.0f}) {
        Instruments::pad(pads, barStart(92), Tempo::barFrames * 4 - Tempo::beatFrames * 4, tone, 0.24f, 0.45f);
    }
}

// The arpeggio's filter opens over the piece: the main sweep the listener follows.
float arpeggioCutoff(int bar, int step) {
    const float position = float(bar) + float(step) / 16.0f;
    if (bar < 8) return 500.0f + 150.0f * (position - 4.0f);
    if (bar < 16) return 1100.0f + 250.0f * (position - 8.0f);
    if (bar < 32) return 3200.0f;
    if (bar < 38) return 900.0f;
    if (bar < 40) return 900.0f + 1100.0f * (position - 38.0f);
    if (bar < 48) return 3600.0f;
    if (bar < 56) return 2000.0f;
    if (bar < 60) return 900.0f + 800.0f * (position - 56.0f);
    if (bar < 84) return 4200.0f;
    return 2400.0f - 250.0f * (position - 84.0f);
}

float arpeggioGain(int bar) {
    if (bar < 8) return 0.1f + 0.02f * float(bar - 4);
    if (inRange(bar, 32, 37)) return 0.1f;
    if (inRange(bar, 48, 55)) return 0.12f;
    if (bar >= 84) return 0.14f - 0.014f * float(bar - 84);
    return 0.16f;
}

void writeArpeggio(StereoBuffer& arpeggio) {
    static const int order[8] = {0, 1, 2, 3, 2, 1, 3, 0};
    for (int bar = 4; bar < 92; ++bar) {
        const Chord& chord = chordOf(bar);
        for (int step = 0; step < 16; ++step) {
            const int index = order[step % 8];
            const float note = index == 3 ? chord.tones[0] + 24.0f : chord.tones[index] + 12.0f;
            Instruments::pluck(arpeggio, stepStart(bar, step), note, arpeggioGain(bar), arpeggioCutoff(bar, step),
                               step % 2 ? 0.4f : -0.4f);
        }
    }
}

// The diatonic third below a note of A minor: a minor third under C, D, F and G, a major
// third under E, A and B.
float thirdBelow(float note) {
    const int pitchClass = int(note) % 12;
    return note - (pitchClass == 4 || pitchClass == 9 || pitchClass == 11 ? 4.0f : 3.0f);
}

void writeLead(StereoBuffer& lead) {
    auto phrase = [&lead](int firstBar, float gain, float transpose, bool harmony) {
        for (const MelodyNote& note : melody) {
            const size_t length = size_t(note.length) * Tempo::sixteenthFrames - 600;
            const size_t start = barStart(firstBar) + size_t(note.step) * Tempo::sixteenthFrames;
            Instruments::lead(lead, start, length, note.note + transpose, gain);
            if (harmony) {
                Instruments::lead(lead, start, length, thirdBelow(note.note + transpose), gain * 0.7f);
            }
        }
    };
    phrase(28, 0.06f, -12.0f, false);  // the groove hints at the tune an octave down
    phrase(32, 0.07f, -12.0f, false);  // and so does the breakdown
    phrase(48, 0.11f, 0.0f, false);
    phrase(52, 0.11f, 0.0f, false);
    for (int bar : {60, 64, 68, 72}) {
        phrase(bar, bar == 72 ? 0.15f : 0.13f, 0.0f, false);
    }
    phrase(76, 0.12f, 0.0f, true);
    phrase(80, 0.13f, 0.0f, true);
    phrase(84, 0.06f, -12.0f, false);  // the ending remembers it
}

// Ducks pads, bass and arpeggio under every kick: the pumping that makes the beat clear.
std::vector<float> kickDucking(const StereoBuffer& kicks) {
    std::vector<float> gain(kicks.frames(), 1.0f);
    float envelope = 0.0f;
    const float release = std::exp(-1.0f / (0.12f * float(Tempo::sampleRate)));
    for (size_t i = 0; i < kicks.frames(); ++i) {
        const float level = std::fabs(kicks.left[i]);
        envelope = level > envelope ? level : envelope * release;
        gain[i] = 1.0f - 0.55f * std::fmin(envelope, 1.0f);
    }
    return gain;
}

}  // namespace

namespace Song {

StereoBuffer render() {
    const size_t frames = Tempo::totalFrames;
    StereoBuffer kicks(frames), drums(frames), bass(frames), pads(frames), arpeggio(frames), lead(frames);
    writeDrums(drums, kicks);
    writeBass(bass);
    writePads(pads);
    writeArpeggio(arpeggio);
    writeLead(lead);

    PingPongDelay{Tempo::sixteenthFrames * 3, 0.4f, 0.3f, 0.45f}.process(arpeggio);
    PingPongDelay{Tempo::sixteenthFrames * 3, 0.3f, 0.25f, 0.5f}.process(lead);
    Reverb{0.35f, 0.84f, 0.35f}.process(pads);
    Reverb{0.25f, 0.8f, 0.4f}.process(lead);

    const std::vector<float> duck = kickDucking(kicks);
    StereoBuffer master(frames);
    for (size_t i = 0; i < frames; ++i) {
        const float d = duck[i];
        master.left[i] = kicks.left[i] + drums.left[i] + lead.left[i] +
                         d * (bass.left[i] + pads.left[i] + arpeggio.left[i]);
        master.right[i] = kicks.right[i] + drums.right[i] + lead.right[i] +
                          d * (bass.right[i] + pads.right[i] + arpeggio.right[i]);
    }

    // Normalise the peak, then round the loudest peaks (the kicks) off with a soft
    // saturation so that the quiet sections are not pushed down by them.
    float peak = 1e-6f;
    for (size_t i = 0; i < frames; ++i) {
        peak = std::fmax(peak, std::fmax(std::fabs(master.left[i]), std::fabs(master.right[i])));
    }
    const float drive = 1.8f;
    const float scale = drive / peak;
    // About -2.4 dBFS: the encoder overshoots the sharpest hits (the end of the snare roll)
    // by a fifth.
    const float outputGain = 0.76f / std::tanh(drive);
    for (size_t i = 0; i < frames; ++i) {
        master.left[i] = std::tanh(master.left[i] * scale) * outputGain;
        master.right[i] = std::tanh(master.right[i] * scale) * outputGain;
    }
    return master;
}

}  // namespace Song
