#pragma once
// Paces a live run that nothing else paces (offscreen, or without vsync) to at most a
// given number of frames per second, so that it does not spin a core rendering frames
// nobody sees. Frames are due one budget apart; a frame that comes late is not made up
// for by a burst: after more than a budget behind, the schedule starts again from now.
#include <cstdint>

class FramePacer {
public:
    // 0 frames per second: no pacing.
    explicit FramePacer(int maxFps);
    // Sleeps until the next frame is due.
    void waitForNextFrame();

    // The arithmetic alone, in counter ticks: the next due time after `due`, given now.
    static uint64_t nextDue(uint64_t due, uint64_t now, uint64_t budget);

private:
    uint64_t budget = 0;  // counter ticks per frame; 0 = unlimited
    uint64_t due = 0;
};
