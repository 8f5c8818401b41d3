#pragma once
// Drawing an effect in a test the way the timeline draws a layer, and reading render
// targets back, so that each GL test states only what it checks.
#include "base/RenderTarget.h"
#include "demoSystem/Effect.h"

#include <cstdint>
#include <vector>

namespace testgl {
// update(t), then render(t) between pushed projection and modelview matrices: an effect
// that leaves its matrices changed does not disturb the next draw.
void updateAndRender(Effect& effect, uint32_t t);

// The red channel of one row of a render target, 0 at the bottom; and one pixel of it.
std::vector<int> redRow(RenderTarget& target, int row);
int redAt(RenderTarget& target, int x, int y);

// Clears a render target to (red, 0, 0, 1).
void fill(RenderTarget& target, float red);
}  // namespace testgl
