#pragma once
// Writes 8-bit RGB or RGBA pictures as PNG (frame capture, the data tools, screenshots).
#include <cstdint>
#include <string>

struct PngOptions {
    int compressionLevel = 3;     // zlib's 0..9
    // One cheap row filter (Sub) instead of libpng's choice per row: much faster to write,
    // a little larger. The frame capture takes it.
    bool fastFilter = false;
    // zlib's run-length strategy: matches only with the byte before. After the Sub filter
    // a rendered picture is mostly runs, so it comes out smaller than zlib's default
    // strategy at level 1 and faster still. The frame capture takes it.
    bool runLengthOnly = false;
    bool bottomRowFirst = false;  // rows as GL reads them: written flipped, without a copy
};

// pixels: rows top first (unless bottomRowFirst), channels 3 (RGB) or 4 (RGBA), no row
// padding.
bool writePng(const std::string& path, int width, int height, int channels, const uint8_t* pixels,
              const PngOptions& options = {});
