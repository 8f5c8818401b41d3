#pragma once
// Lettering with a TrueType font (DejaVu from Debian's fonts-dejavu-core, read through
// stb_truetype): centred lines of text with a vertical colour gradient and a soft glow,
// drawn so that they look right once the picture is stretched over the 4:3 screen.
// Used by the title, the loading picture and every lettering picture.
#include <string>
#include <vector>

#include "Canvas.h"

struct TextStyle {
    float capHeight = 0.08f;   // height of a capital, as a fraction of the screen height
    float lineSpacing = 1.6f;  // baseline distance, in cap heights
    float tracking = 0.0f;     // extra space between letters, in cap heights
    Colour top{1, 1, 1, 1};    // fill colour at the top of the capitals …
    Colour bottom{1, 1, 1, 1}; // … and at the baseline
    Colour glow{0.4f, 0.7f, 1.0f, 1.0f};
    float glowRadius = 0.01f;  // fraction of the screen height
    float glowStrength = 0.8f;
};

class Lettering {
public:
    // Reads the font file; false (with a message) when it is missing or not a font.
    bool load(const std::string& fontPath);
    // Draws the lines centred on (centreX, centreY) in screen units (x 0..4/3, y 0..1).
    void draw(Canvas& canvas, const std::vector<std::string>& lines, float centreX, float centreY,
              const TextStyle& style) const;

private:
    std::vector<unsigned char> fontData;
    std::vector<unsigned char> fontInfo;  // an stbtt_fontinfo, kept opaque here
};
