#pragma once
// Where an effect's picture quad sits and how it moves: the transform controls of
// "Image", shared by the effects that carry the same controls ("TypeWriter").
// Events 7 to 12 set a position, a rotation in degrees, a scale, and the per-unit-of-T
// scroll, spin and growth; 23 and 24 make the growth add to or subtract from the scale.
// apply() multiplies the current modelview matrix: rotation and scale act about the
// centre of the unit square.
#include "engine/Math3D.h"

struct DemoEvent;

struct PicturePlacement {
    Vec3 position;
    Vec3 rotation;            // degrees
    Vec3 scale{1, 1, 1};
    Vec3 scroll;              // texture coordinates per unit of animated time
    Vec3 spin;                // degrees per unit of animated time
    Vec3 growth;              // scale per unit of animated time
    bool grow = true;

    // Everything back to rest: no offset, no motion, scale 1, growth adding.
    void reset();
    // Translate, rotate about x, y, z, scale, for animated time T.
    void apply(float animatedTime) const;
    // Answers ids 7-12, 23 and 24; false for any other id.
    bool handleEvent(const DemoEvent& event);
};
