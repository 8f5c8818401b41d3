#pragma once
// The frames an animation is sampled at: frame k at k / framesPerSecond seconds, the last
// one at the animation's end exactly, so the final pose is always written. frameStep is
// what the scene file's header says one frame lasts; the header's lastFrame is
// (frameCount - 1) × frameStep, so the engine's frame count equals frameCount.
#include <cstdint>

struct FrameGrid {
    int32_t frameCount = 1;
    int32_t frameStep = 1;
    double framesPerSecond = 25;
    double durationSeconds = 0;

    double secondsAt(int32_t frame) const;
    int32_t lastFrame() const { return (frameCount - 1) * frameStep; }
};

// False when the animation is too long for the header's 32-bit frame numbers.
bool makeFrameGrid(double durationSeconds, double framesPerSecond, int32_t frameStep, FrameGrid& grid);
