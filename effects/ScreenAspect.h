#pragma once
// The aspect the mesh effects hand to gluPerspective: the screen width divided by its
// height in whole numbers (1 for every landscape mode the demo offers, not the float
// ratio, which the demo's pictures are framed for). A window taller than wide would give
// 0 and a degenerate projection, so the ratio is never below 1.
#include "base/Globals.h"

inline double integerScreenAspect() {
    if (screenHeight <= 0 || screenWidth <= screenHeight) return 1.0;
    return double(screenWidth / screenHeight);
}
