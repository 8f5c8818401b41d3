#pragma once
// Writes a finished canvas in the three formats the demo reads: JPEG for opaque
// backgrounds, PNG with alpha for overlays and lettering, and DDS with DXT1 or DXT5 blocks
// and a full mipmap chain. Each returns false, with a message on stderr, on failure.
#include <string>

#include "Canvas.h"

namespace PictureFiles {
bool writeJpeg(const std::string& path, const Canvas& canvas, int quality);
bool writePngRgba(const std::string& path, const Canvas& canvas);
// DXT1 keeps no alpha (opaque pictures); DXT5 keeps smooth alpha. The canvas must be
// square with a power-of-two side of at least 4 (the engine accepts nothing else).
enum class Dxt { dxt1, dxt5 };
bool writeDds(const std::string& path, const Canvas& canvas, Dxt kind);
}
