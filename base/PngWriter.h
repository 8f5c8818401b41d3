#pragma once
// Writes 8-bit RGB or RGBA pictures as PNG (frame capture, the data tools, screenshots).
#include <cstdint>
#include <string>

// pixels: rows top first, channels 3 (RGB) or 4 (RGBA), no row padding.
bool writePng(const std::string& path, int width, int height, int channels, const uint8_t* pixels);
