#pragma once
// The base of image-filter effects: effects that work on the picture of another effect,
// their source (set by event 2). Each frame the filter's update draws the source into a
// render target of its own (captureSource) and runs its off-screen passes; its render
// then draws the filtered result into the frame.
//
// What the base does, so that a filter writes only its passes:
// - start(t): the base start, then start(t) on the source, so that the source's animated
//   time begins with its consumer's.
// - update(t): the base update; without a source nothing more (the targets keep what
//   they hold, and render decides what an unfed filter shows). With a source it keeps
//   the viewport and calls updateFromSource(t), then puts the viewport back.
//
// Render targets of filters are made in their constructors and live for the program.
#include "demoSystem/Effect.h"

#include <cstdint>

class RenderTarget;

class ImageFilter : public Effect {
public:
    explicit ImageFilter(const std::string& instanceName) : Effect(instanceName) {}
    void start(uint32_t t) override;
    void update(uint32_t t) override;

protected:
    // The capture and the off-screen passes; called only with a source, inside a kept
    // viewport.
    virtual void updateFromSource(uint32_t t) = 0;
    // Binds the target, sets identity projection and modelview and a viewport of the
    // target's size, clears it to (0, 0, 0, 0) with depth and stencil, runs update(t) and
    // render(t) of the source, and unbinds.
    void captureSource(RenderTarget& target, uint32_t t);
    // Whether the passes read the scene's depth information ("scenedepth"): a scene
    // captured by a filter that does not skips its depth pass.
    virtual bool readsSceneDepth() const { return false; }
};

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
