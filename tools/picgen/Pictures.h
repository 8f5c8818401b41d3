#pragma once
// The demo's pictures, each drawn from formulas and fixed seeds. main.cpp calls these and
// writes the results; the demo script names the files.
//
//   loading      the loading picture: a nebula with the title (JPEG, 1024×1024)
//   nebula       violet and blue gas clouds with stars (JPEG background)
//   aurora       northern lights over a mountain ridge (JPEG background)
//   horizon      a striped sun over a glowing grid floor (JPEG background)
//   stars        a star field that tiles, for scrolling (PNG with alpha)
//   ring         concentric rings and dashes (PNG with alpha; round in picture space)
//   hexTiles     a hexagon lattice that tiles, lines on black (DXT1 with mipmaps)
//   glow         a soft light with streaks (DXT5 with mipmaps)
//   flare        a halo ring with sparkles (DXT5 with mipmaps)
#include "Canvas.h"
#include "Lettering.h"

namespace Pictures {
Canvas loading(const Lettering& lettering);
Canvas nebula();
Canvas aurora();
Canvas horizon();
Canvas stars();
Canvas ring();
Canvas hexTiles();
Canvas glow();
Canvas flare();
}
