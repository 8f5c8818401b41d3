#pragma once
// "Clear": clears the frame's colour, depth and stencil buffers, each behind its switch,
// with a keyframed clear colour. The frame loop clears nothing itself; a Clear at the
// bottom of the stack starts each frame.
#include "demoSystem/Effect.h"
#include "effects/TintVariables.h"

class Clear : public Effect {
public:
    explicit Clear(const std::string& instanceName);
    void render(uint32_t t) override;

    TintVariables tint{0.0f, 0.0f, 0.0f, 1.0f};  // the clear colour: opaque black
    BoolVariable clearColor{true};    // "ClearColor"
    BoolVariable clearDepth{true};    // "ClearDepth"
    BoolVariable clearStencil{true};  // "ClearStencil"
};
