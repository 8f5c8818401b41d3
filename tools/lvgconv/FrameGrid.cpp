#include "tools/lvgconv/FrameGrid.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

double FrameGrid::secondsAt(int32_t frame) const {
    return std::min(frame / framesPerSecond, durationSeconds);
}

bool makeFrameGrid(double durationSeconds, double framesPerSecond, int32_t frameStep, FrameGrid& grid) {
    grid = FrameGrid{};
    grid.frameStep = frameStep;
    grid.framesPerSecond = framesPerSecond;
    if (!(durationSeconds > 0) || !std::isfinite(durationSeconds)) return true;
    grid.durationSeconds = durationSeconds;
    // A duration that is a whole number of frames up to rounding noise gets no extra frame.
    const double intervals = std::ceil(durationSeconds * framesPerSecond - 1e-6);
    if (intervals + 1 > double(INT32_MAX) / frameStep) return false;
    grid.frameCount = int32_t(intervals) + 1;
    return true;
}
