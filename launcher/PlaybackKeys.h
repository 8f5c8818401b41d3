#pragma once
// The author's playback keys in a live run, and the demo time they steer:
//   Space       pause / resume            Home       to the demo start
//   Left/Right  one beat back / forward   Up/Down    one bar (4 beats) forward / back
//   PgUp/PgDn   10 s back / forward       L          loop start, loop end, loop off
//   Tab         the author overlay on / off
// A beat is the script's beat length. Every jump and pause moves the music with the
// clock (the stream is seeked, and paused and resumed at the same time as the clock), so
// picture and sound stay in step. A jump backwards rewinds the event queue: the next
// frame delivers again every event due by the new time, in order, as a fresh start there
// would. With a loop set, the time returns to the loop start once it passes the loop end.
//
// The launcher's window procedure hands it every key press while a live run plays
// (pushed SDL events reach it the same way); the frame loop reads time() once per
// reading. Main thread.
#include <SDL.h>

#include <cstdint>
#include <functional>

class PlaybackKeys {
public:
    static constexpr uint32_t beatsPerBar = 4;
    static constexpr uint32_t pageMilliseconds = 10000;

    // endTime: the last time a jump may reach (the run ends after it).
    explicit PlaybackKeys(std::function<uint32_t()> endTime);

    // True when the key is one of the playback keys (and was acted on).
    bool handleKey(SDL_Keycode key);

    // The demo time now.
    uint32_t time();
    // Demo time, clock and music to t (bounded to 0..end).
    void seekTo(int64_t t);
    void togglePause();
    // Successive calls: loop start at the time now, loop end, loop cleared.
    void markLoop();

    bool paused() const { return isPaused; }
    bool looping() const { return loopState == 2; }
    bool loopStartSet() const { return loopState >= 1; }
    uint32_t loopStart() const { return loopFrom; }
    uint32_t loopEnd() const { return loopTo; }
    bool overlayShown() const { return overlay; }
    void setOverlayShown(bool shown) { overlay = shown; }
    // One beat of the current script, in ms (at least 1).
    static uint32_t beat();

private:
    std::function<uint32_t()> end;
    bool isPaused = false;
    uint32_t pausedAt = 0;
    int loopState = 0;  // 0 none, 1 start set, 2 looping
    uint32_t loopFrom = 0;
    uint32_t loopTo = 0;
    bool overlay = false;
};
