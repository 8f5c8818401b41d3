#pragma once
// Demo time that follows the music. A clock of its own and the sound card's clock drift
// apart (and a stalled mixer leaves a lasting offset), so while the music plays the demo
// time is taken from the stream position the sound module reports, smoothed:
//
// - each reading predicts the time from the last one plus the counter time since, and
//   moves the prediction a part of the way (elapsed / smoothing, at most all of it)
//   towards the reported position;
// - it never runs backwards (a correction takes back at most the elapsed time: during a
//   stalled mixer the demo time stands still) and never moves more than one frame's
//   worth beyond the elapsed time;
// - a report further than seekThreshold from the prediction is a real seek (or a stall
//   long enough to count as one): the time jumps to it;
// - while the stream does not advance (not started yet, paused, ended), the time runs on
//   the counter alone, so a demo longer than its music still reaches its end.
//
// step() is the pure core, fed with both clocks in milliseconds; the launcher reads the
// sound module and the performance counter into it once per clock reading.
class MusicClock {
public:
    static constexpr double smoothingMs = 50.0;
    static constexpr double frameBudgetMs = 1000.0 / 60.0;
    static constexpr double seekThresholdMs = 1000.0;

    // The next demo time (ms). streamMs: the position reported now; counterMs: the
    // performance counter now, in ms on any origin.
    double step(double streamMs, bool streamAdvancing, double counterMs);
    // Forgets the past: the next step takes the stream's position as it is.
    void reset() { started = false; }

private:
    bool started = false;
    double lastTime = 0.0;
    double lastCounter = 0.0;
};
