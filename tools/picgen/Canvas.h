#pragma once
// A picture being drawn: RGBA floats (0..1, straight alpha), rows top first. The picture
// makers paint into it; the writers turn it into 8-bit PNG, JPEG or DXT blocks.
//
// Full-screen pictures are drawn in screen units: the demo stretches every picture over a
// 4:3 screen whatever its pixel size, so screenX/screenY below map a pixel to the place
// it lands on screen (x 0..4/3, y 0..1, y down) and keep circles round there.
#include <cstddef>
#include <cstdint>
#include <vector>

struct Colour {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

Colour mix(const Colour& a, const Colour& b, float t);

class Canvas {
public:
    Canvas(int width, int height, Colour fill = {0.0f, 0.0f, 0.0f, 0.0f});

    int width() const { return w; }
    int height() const { return h; }
    Colour& at(int x, int y) { return pixels[size_t(y) * size_t(w) + size_t(x)]; }
    const Colour& at(int x, int y) const { return pixels[size_t(y) * size_t(w) + size_t(x)]; }

    // Where the centre of pixel (x, y) lands on a 4:3 screen.
    float screenX(int x) const { return (float(x) + 0.5f) / float(w) * (4.0f / 3.0f); }
    float screenY(int y) const { return (float(y) + 0.5f) / float(h); }

    // Paints colour over the pixel with the given coverage (0..1), "over" compositing.
    void blendOver(int x, int y, const Colour& colour, float coverage);
    // Adds colour × amount to the pixel's RGB (light), leaving alpha alone.
    void addLight(int x, int y, const Colour& colour, float amount);

    // 8-bit samples, rows top first, 3 or 4 channels.
    std::vector<uint8_t> toBytes(int channels) const;
    // Half size, each pixel the mean of four (for mipmaps).
    Canvas halved() const;

private:
    int w;
    int h;
    std::vector<Colour> pixels;
};
