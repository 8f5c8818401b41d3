#pragma once
// Puts the GL stacks back where a frame found them, after a fatal report ended that frame
// half way (watch mode goes on with another timeline; the next frame must not inherit
// what the broken one pushed).
//
// Made before the frame: records the depths of the modelview, projection and attribute
// stacks and of the render-target bindings. unwind(): pops each back to its depth,
// returns to the frame buffer that was bound then, and leaves the modelview matrix
// selected, as a finished frame does. Main thread, GL context current.
#include <cstddef>

class FrameStateUnwind {
public:
    FrameStateUnwind();
    void unwind() const;

private:
    int modelviewDepth = 1;
    int projectionDepth = 1;
    int attribDepth = 0;
    int clientAttribDepth = 0;
    size_t targetDepth = 0;
};
