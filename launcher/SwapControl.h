#pragma once
// Swap control of the demo window: whether presenting waits for the display's refresh.
//
// Default: on when a window is shown, off offscreen (nothing refreshes there) and on the
// fixed-step clock (a capture or a benchmark renders as fast as it can); --vsync and
// --no-vsync decide otherwise. On asks for adaptive sync first (a late frame is shown at
// once instead of waiting a whole refresh) and for plain sync where the driver has none.
#include "launcher/LaunchOptions.h"

#include <vector>

namespace SwapControl {
bool wanted(LaunchOptions::Vsync request, bool windowShown, bool fixedStep);
// The intervals to ask SDL_GL_SetSwapInterval for, in order, until one is granted.
std::vector<int> intervalsToTry(bool vsync);
// Asks the current context; returns the interval in effect (0 when sync is off or no
// request was granted).
int apply(bool vsync);
}  // namespace SwapControl
