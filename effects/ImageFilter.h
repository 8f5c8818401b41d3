#pragma once
// What image-filter effects share: drawing their source effect into a render target
// during their update, and starting the source's clock together with their own.
//
// An image filter's update runs the base update; without a source it does nothing more.
// Otherwise it keeps the viewport (SavedViewport), captures the source with
// captureSource, does its own passes and lets the viewport return.
#include <cstdint>

class Effect;
class RenderTarget;

// Binds the target, sets identity projection and modelview and a viewport of the target's
// size, clears it to (0, 0, 0, 0) with depth and stencil, runs update(t) and render(t) of
// effect.source, and unbinds. The caller makes sure that source is set.
void captureSource(Effect& effect, RenderTarget& target, uint32_t t);

// For a filter's start override: the base start at t, then the source's start at t, so
// that the source's animated time begins with its consumer's.
void startWithSource(Effect& effect, uint32_t t);

// The viewport at construction, set again at destruction.
class SavedViewport {
public:
    SavedViewport();
    ~SavedViewport();
    SavedViewport(const SavedViewport&) = delete;
    SavedViewport& operator=(const SavedViewport&) = delete;

private:
    int32_t viewport[4];
};
