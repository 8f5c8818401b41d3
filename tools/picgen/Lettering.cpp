#include "Lettering.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

#define STB_TRUETYPE_IMPLEMENTATION
#include <stb/stb_truetype.h>

namespace {

// Decodes UTF-8; a malformed byte stands for itself, so Latin-1 text still shows.
std::vector<int> codepoints(const std::string& text) {
    std::vector<int> result;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc0 ? 1 : 0;
        int value = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0f : extra == 1 ? c & 0x1f : c;
        if (extra > 0 && i + size_t(extra) >= text.size()) {
            extra = 0;
            value = c;
        }
        for (int k = 1; k <= extra; ++k) {
            value = (value << 6) | (static_cast<unsigned char>(text[i + size_t(k)]) & 0x3f);
        }
        result.push_back(value);
        i += size_t(extra) + 1;
    }
    return result;
}

// Three box passes approximate a Gaussian; radius in pixels, per axis.
void blur(std::vector<float>& values, int w, int h, int radiusX, int radiusY) {
    std::vector<float> scratch(values.size());
    auto pass = [&](int radius, bool horizontal) {
        if (radius <= 0) {
            return;
        }
        const int lines = horizontal ? h : w, length = horizontal ? w : h;
        const float norm = 1.0f / float(2 * radius + 1);
        for (int line = 0; line < lines; ++line) {
            auto index = [&](int i) {
                const int c = std::clamp(i, 0, length - 1);
                return horizontal ? size_t(line) * size_t(w) + size_t(c) : size_t(c) * size_t(w) + size_t(line);
            };
            float sum = 0.0f;
            for (int i = -radius; i <= radius; ++i) {
                sum += values[index(i)];
            }
            for (int i = 0; i < length; ++i) {
                scratch[index(i)] = sum * norm;
                sum += values[index(i + radius + 1)] - values[index(i - radius)];
            }
        }
        values.swap(scratch);
    };
    for (int k = 0; k < 3; ++k) {
        pass(radiusX, true);
        pass(radiusY, false);
    }
}

}  // namespace

bool Lettering::load(const std::string& fontPath) {
    std::ifstream in(fontPath, std::ios::binary);
    fontData.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    fontInfo.assign(sizeof(stbtt_fontinfo), 0);
    auto* info = reinterpret_cast<stbtt_fontinfo*>(fontInfo.data());
    // stb_truetype trusts the file; the checks it leaves to its caller come first.
    const int offset = fontData.size() < 12 ? -1 : stbtt_GetFontOffsetForIndex(fontData.data(), 0);
    if (offset < 0 || stbtt_InitFont(info, fontData.data(), offset) == 0) {
        std::fprintf(stderr, "picgen: cannot read the font %s\n", fontPath.c_str());
        fontData.clear();
        return false;
    }
    return true;
}

void Lettering::draw(Canvas& canvas, const std::vector<std::string>& lines, float centreX, float centreY,
                     const TextStyle& style) const {
    if (fontData.empty()) {
        return;
    }
    const auto* info = reinterpret_cast<const stbtt_fontinfo*>(fontInfo.data());
    const int w = canvas.width(), h = canvas.height();
    int x0, y0, x1, y1;
    stbtt_GetCodepointBox(info, 'H', &x0, &y0, &x1, &y1);
    const float capPixels = style.capHeight * float(h);
    const float scaleY = capPixels / float(y1);
    // A pixel of this picture is wider or narrower on screen than tall; squeeze the glyphs
    // by the same amount so that they come out with their own proportions.
    const float pixelsPerUnitX = float(w) * 0.75f;
    const float scaleX = scaleY * pixelsPerUnitX / float(h);

    std::vector<float> coverage(size_t(w) * size_t(h), 0.0f);
    const float blockHeight = capPixels * (1.0f + style.lineSpacing * float(lines.size() - 1));
    const float firstBaseline = centreY * float(h) - blockHeight * 0.5f + capPixels;
    std::vector<std::pair<float, float>> capBands;  // top and baseline of each line, for the gradient

    for (size_t lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
        const std::vector<int> text = codepoints(lines[lineIndex]);
        const float baseline = firstBaseline + float(lineIndex) * style.lineSpacing * capPixels;
        capBands.emplace_back(baseline - capPixels, baseline);
        const float trackingPixels = style.tracking * capPixels * scaleX / scaleY;
        float width = 0.0f;
        for (size_t i = 0; i < text.size(); ++i) {
            int advance, bearing;
            stbtt_GetCodepointHMetrics(info, text[i], &advance, &bearing);
            width += float(advance) * scaleX + (i + 1 < text.size() ? trackingPixels : 0.0f);
            if (i + 1 < text.size()) {
                width += float(stbtt_GetCodepointKernAdvance(info, text[i], text[i + 1])) * scaleX;
            }
        }
        float penX = centreX * pixelsPerUnitX - width * 0.5f;
        for (size_t i = 0; i < text.size(); ++i) {
            const float shift = penX - std::floor(penX);
            int bx0, by0, bx1, by1;
            stbtt_GetCodepointBitmapBoxSubpixel(info, text[i], scaleX, scaleY, shift, 0.0f, &bx0, &by0, &bx1, &by1);
            const int gw = bx1 - bx0, gh = by1 - by0;
            if (gw > 0 && gh > 0) {
                std::vector<unsigned char> glyph(size_t(gw) * size_t(gh));
                stbtt_MakeCodepointBitmapSubpixel(info, glyph.data(), gw, gh, gw, scaleX, scaleY, shift, 0.0f, text[i]);
                const int ox = int(std::floor(penX)) + bx0, oy = int(std::lround(baseline)) + by0;
                for (int y = 0; y < gh; ++y) {
                    for (int x = 0; x < gw; ++x) {
                        const int cx = ox + x, cy = oy + y;
                        if (cx >= 0 && cy >= 0 && cx < w && cy < h) {
                            float& c = coverage[size_t(cy) * size_t(w) + size_t(cx)];
                            c = std::max(c, float(glyph[size_t(y) * size_t(gw) + size_t(x)]) / 255.0f);
                        }
                    }
                }
            }
            int advance, bearing;
            stbtt_GetCodepointHMetrics(info, text[i], &advance, &bearing);
            penX += float(advance) * scaleX + trackingPixels;
            if (i + 1 < text.size()) {
                penX += float(stbtt_GetCodepointKernAdvance(info, text[i], text[i + 1])) * scaleX;
            }
        }
    }

    if (style.glowStrength > 0.0f) {
        std::vector<float> glow = coverage;
        const float radius = style.glowRadius * float(h);
        blur(glow, w, h, int(std::lround(radius * pixelsPerUnitX / float(h))), int(std::lround(radius)));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const float g = glow[size_t(y) * size_t(w) + size_t(x)];
                if (g > 0.0f) {
                    canvas.blendOver(x, y, style.glow, std::min(1.0f, g * style.glowStrength * 2.0f));
                }
            }
        }
    }
    for (int y = 0; y < h; ++y) {
        // The gradient runs over the capitals of the line this row belongs to.
        float t = 0.0f;
        for (const auto& band : capBands) {
            if (float(y) <= band.second + capPixels * 0.4f) {
                t = std::clamp((float(y) - band.first) / (band.second - band.first), 0.0f, 1.0f);
                break;
            }
            t = 1.0f;
        }
        const Colour fill = mix(style.top, style.bottom, t);
        for (int x = 0; x < w; ++x) {
            const float c = coverage[size_t(y) * size_t(w) + size_t(x)];
            if (c > 0.0f) {
                canvas.blendOver(x, y, fill, c);
            }
        }
    }
}
