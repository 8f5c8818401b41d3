#pragma once
// One offscreen GL context shared by all tests of a binary (SDL's offscreen driver on
// Mesa). Tests draw into small viewports and read pixels back.
#include "base/LumoraWindow.h"

#include <cstdint>
#include <vector>

namespace testgl {
// Makes the shared context current, creating it on first use (size up to 128x128).
// Fails the calling test when no GL is available.
LumoraWindow& context();
constexpr int contextWidth = 128;
constexpr int contextHeight = 128;

// RGBA pixel read from the current read buffer; (0,0) is the bottom-left.
struct Rgba {
    uint8_t r, g, b, a;
};
Rgba readPixel(int x, int y);
std::vector<uint8_t> readRgba(int x, int y, int width, int height);
}  // namespace testgl
