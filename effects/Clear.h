#pragma once
// "Clear": clears the frame's colour, depth and stencil buffers, each behind its switch,
// with a keyframed clear colour. The frame loop clears nothing itself; a Clear at the
// bottom of the stack starts each frame.
#include "demoSystem/Effect.h"

class Clear : public Effect {
public:
    Clear(const std::string& instanceName, float red, float green, float blue, float alpha);
    void render(uint32_t t) override;

    FloatVariable red;     // "Red", "Green", "Blue", "Alpha": the clear colour
    FloatVariable green;
    FloatVariable blue;
    FloatVariable alpha;
    BoolVariable clearColor{true};    // "ClearColor"
    BoolVariable clearDepth{true};    // "ClearDepth"
    BoolVariable clearStencil{true};  // "ClearStencil"
};
