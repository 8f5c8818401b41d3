#include "Pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Noise.h"

namespace {

constexpr float pi = 3.14159265358979f;
constexpr int backgroundSide = 1024;

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float smoothstep(float edge0, float edge1, float v) {
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}
Colour rgb(float r, float g, float b) { return {r, g, b, 1.0f}; }
Colour scaled(const Colour& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
Colour added(const Colour& a, const Colour& b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a}; }

// Small soft dots of light; positions and sizes from the hash, so the sky is fixed.
void scatterStars(Canvas& canvas, uint32_t seed, int count, float brightness, bool wrap, float lowestY = 1.0f) {
    const int w = canvas.width(), h = canvas.height();
    for (int i = 0; i < count; ++i) {
        const float px = Noise::hash(i, 1, seed) * float(w);
        const float py = Noise::hash(i, 2, seed) * float(h);
        if (py > lowestY * float(h)) {
            continue;
        }
        const float size = Noise::hash(i, 3, seed);
        const float radius = 0.6f + 1.8f * size * size * size;
        const float level = brightness * (0.25f + 0.75f * Noise::hash(i, 4, seed));
        const float tint = Noise::hash(i, 5, seed);
        const Colour colour = tint < 0.3f ? rgb(1.0f, 0.85f, 0.7f) : tint > 0.8f ? rgb(0.7f, 0.8f, 1.0f) : rgb(1, 1, 1);
        const int reach = int(std::ceil(radius * 3.0f));
        for (int dy = -reach; dy <= reach; ++dy) {
            for (int dx = -reach; dx <= reach; ++dx) {
                int x = int(px) + dx, y = int(py) + dy;
                if (wrap) {
                    x = (x + w) % w;
                    y = (y + h) % h;
                }
                const float ddx = float(int(px) + dx) + 0.5f - px, ddy = float(int(py) + dy) + 0.5f - py;
                const float d2 = (ddx * ddx + ddy * ddy) / (radius * radius);
                canvas.addLight(x, y, colour, level * std::exp(-d2 * 1.5f));
            }
        }
    }
}

void vignette(Canvas& canvas, float strength) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const float dx = canvas.screenX(x) - 2.0f / 3.0f, dy = canvas.screenY(y) - 0.5f;
            const float k = 1.0f - strength * smoothstep(0.3f, 0.95f, std::sqrt(dx * dx + dy * dy));
            Colour& c = canvas.at(x, y);
            c = {c.r * k, c.g * k, c.b * k, c.a};
        }
    }
}

struct NebulaPalette {
    Colour deep, mid, bright, hot;
    uint32_t seed;
};

Canvas drawNebula(const NebulaPalette& palette) {
    Canvas canvas(backgroundSide, backgroundSide, rgb(0, 0, 0));
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const float px = canvas.screenX(x) * 2.0f, py = canvas.screenY(y) * 2.0f;
            // Domain warping: noise looked up at places moved by other noise gives the
            // folded, streaming look of gas clouds.
            const float qx = Noise::fractal(px, py, palette.seed, 5);
            const float qy = Noise::fractal(px + 5.2f, py + 1.3f, palette.seed + 7, 5);
            const float r = Noise::fractal(px + 2.2f * qx, py + 2.2f * qy, palette.seed + 13, 6);
            const float broad = Noise::fractal(px * 0.5f, py * 0.5f, palette.seed + 41, 3);
            const float density = smoothstep(0.28f, 0.75f, r) * (0.35f + 0.65f * smoothstep(0.3f, 0.65f, broad));
            const float dust = 0.55f + 0.45f * Noise::fractal(px * 3.0f, py * 3.0f, palette.seed + 29, 4);
            Colour c = mix(palette.deep, palette.mid, smoothstep(0.0f, 0.45f, density));
            c = mix(c, palette.bright, smoothstep(0.35f, 1.0f, density) * smoothstep(0.3f, 0.7f, qx));
            c = added(c, scaled(palette.hot, std::pow(density, 3.0f) * 0.7f));
            canvas.at(x, y) = scaled(c, dust);
        }
    }
    scatterStars(canvas, palette.seed + 101, 1800, 0.9f, false);
    vignette(canvas, 0.6f);
    return canvas;
}

}  // namespace

namespace Pictures {

Canvas nebula() {
    return drawNebula({rgb(0.01f, 0.01f, 0.04f), rgb(0.22f, 0.07f, 0.38f), rgb(0.2f, 0.42f, 0.95f),
                       rgb(1.0f, 0.55f, 0.8f), 0x6e6562u});
}

Canvas loading(const Lettering& lettering) {
    Canvas canvas = drawNebula({rgb(0.0f, 0.02f, 0.03f), rgb(0.03f, 0.18f, 0.24f), rgb(0.15f, 0.6f, 0.7f),
                                rgb(0.9f, 1.0f, 0.9f), 0x10ad1u});
    // A dark band behind the title keeps it readable over the clouds.
    for (int y = 0; y < canvas.height(); ++y) {
        const float k = 1.0f - 0.55f * std::exp(-std::pow((canvas.screenY(y) - 0.5f) / 0.12f, 2.0f));
        for (int x = 0; x < canvas.width(); ++x) {
            canvas.at(x, y) = scaled(canvas.at(x, y), k);
        }
    }
    TextStyle title;
    title.capHeight = 0.06f;
    title.top = rgb(1.0f, 1.0f, 1.0f);
    title.bottom = rgb(0.65f, 0.9f, 1.0f);
    title.glow = rgb(0.2f, 0.8f, 1.0f);
    title.glowRadius = 0.012f;
    lettering.draw(canvas, {"Lumora Vesk - Corvane"}, 2.0f / 3.0f, 0.5f, title);
    TextStyle small;
    small.capHeight = 0.018f;
    small.tracking = 0.6f;
    small.top = small.bottom = rgb(0.75f, 0.85f, 0.9f);
    small.glowStrength = 0.0f;
    lettering.draw(canvas, {"L O A D I N G"}, 2.0f / 3.0f, 0.6f, small);
    return canvas;
}

Canvas aurora() {
    Canvas canvas(backgroundSide, backgroundSide, rgb(0, 0, 0));
    const uint32_t seed = 0xa0e0a;
    for (int y = 0; y < canvas.height(); ++y) {
        const float sy = canvas.screenY(y);
        const Colour sky = mix(rgb(0.0f, 0.01f, 0.04f), rgb(0.02f, 0.08f, 0.12f), smoothstep(0.0f, 0.8f, sy));
        for (int x = 0; x < canvas.width(); ++x) {
            canvas.at(x, y) = sky;
        }
    }
    scatterStars(canvas, seed + 1, 900, 0.6f, false);
    for (int x = 0; x < canvas.width(); ++x) {
        const float sx = canvas.screenX(x);
        for (int curtain = 0; curtain < 2; ++curtain) {
            const uint32_t s = seed + 10 + uint32_t(curtain) * 40;
            const float edge = 0.42f + 0.08f * float(curtain) + 0.35f * (Noise::fractal(sx * 0.9f, 0.5f, s, 4) - 0.5f) +
                               0.06f * std::sin(sx * 4.0f + float(curtain) * 2.0f);
            for (int y = 0; y < canvas.height(); ++y) {
                const float sy = canvas.screenY(y);
                const float below = sy - edge;
                // Bright lower edge, long fading rays above it, a quick fall-off below.
                const float profile = below > 0.0f ? std::exp(-below / 0.02f) : std::exp(below / (0.22f - 0.06f * float(curtain)));
                if (profile < 0.002f) {
                    continue;
                }
                const float rays = 0.35f + 0.65f * std::pow(Noise::fractal(sx * 38.0f, sy * 0.6f, s + 3, 3), 2.0f) * 1.8f;
                const float fold = 0.5f + 0.5f * Noise::fractal(sx * 4.0f, sy * 1.5f, s + 5, 3);
                const Colour colour = mix(rgb(0.25f, 1.0f, 0.55f), rgb(0.65f, 0.2f, 0.95f), smoothstep(0.0f, 0.2f, -below));
                canvas.addLight(x, y, colour, profile * rays * fold * (curtain == 0 ? 1.1f : 0.7f));
            }
        }
    }
    // The mountain ridge in front of the lights.
    for (int x = 0; x < canvas.width(); ++x) {
        const float sx = canvas.screenX(x);
        const float ridge = 0.8f + 0.14f * (Noise::fractal(sx * 2.5f, 3.0f, seed + 90, 6) - 0.5f) +
                            0.04f * std::sin(sx * 2.2f);
        for (int y = 0; y < canvas.height(); ++y) {
            const float sy = canvas.screenY(y);
            if (sy > ridge) {
                const float rim = std::exp(-(sy - ridge) / 0.006f) * 0.6f;
                canvas.at(x, y) = added(rgb(0.01f, 0.015f, 0.03f), rgb(0.1f * rim, 0.35f * rim, 0.3f * rim));
            }
        }
    }
    vignette(canvas, 0.4f);
    return canvas;
}

Canvas horizon() {
    Canvas canvas(backgroundSide, backgroundSide, rgb(0, 0, 0));
    const float horizonY = 0.62f;
    const float sunX = 2.0f / 3.0f, sunY = 0.42f, sunRadius = 0.2f;
    for (int y = 0; y < canvas.height(); ++y) {
        const float sy = canvas.screenY(y);
        for (int x = 0; x < canvas.width(); ++x) {
            const float sx = canvas.screenX(x);
            Colour c;
            if (sy < horizonY) {
                const float t = sy / horizonY;
                c = mix(rgb(0.05f, 0.01f, 0.14f), rgb(0.55f, 0.08f, 0.42f), smoothstep(0.2f, 0.85f, t));
                c = mix(c, rgb(1.0f, 0.45f, 0.3f), smoothstep(0.8f, 1.0f, t));
                const float d = std::hypot(sx - sunX, sy - sunY);
                // Stripes cut into the lower half of the sun, wider towards the horizon.
                const float below = (sy - sunY) / sunRadius;
                const float stripe = below > 0.05f ? std::fmod(below * 7.0f, 1.0f) : 1.0f;
                const bool gap = below > 0.05f && stripe < 0.15f + 0.35f * below;
                const float disc = (1.0f - smoothstep(sunRadius - 0.002f, sunRadius + 0.002f, d)) * (gap ? 0.0f : 1.0f);
                const Colour sun = mix(rgb(1.0f, 0.95f, 0.45f), rgb(1.0f, 0.25f, 0.55f), clamp01((sy - (sunY - sunRadius)) / (2.0f * sunRadius)));
                c = mix(c, sun, disc);
                c = added(c, scaled(rgb(1.0f, 0.35f, 0.5f), 0.35f * std::exp(-std::max(0.0f, d - sunRadius) / 0.08f) * (1.0f - disc)));
            } else {
                // The floor: a grid seen in perspective, lines fading into the haze.
                const float depth = 0.08f / (sy - horizonY + 0.002f);
                const float gx = (sx - sunX) * depth * 6.0f;
                const float gz = depth * 3.0f;
                const float pixelZ = 3.0f * 0.08f / std::pow(sy - horizonY + 0.002f, 2.0f) / float(canvas.height());
                const float pixelX = depth * 6.0f * (4.0f / 3.0f) / float(canvas.width());
                auto line = [](float v, float width) {
                    const float f = std::fabs(v - std::round(v));
                    return 1.0f - smoothstep(width * 0.5f, width * 1.5f, f);
                };
                const float lines = std::max(line(gx, std::max(pixelX, 0.02f)), line(gz, std::max(pixelZ, 0.02f)));
                const float haze = std::exp(-(sy - horizonY) * 6.0f);
                c = mix(rgb(0.04f, 0.0f, 0.08f), rgb(0.3f, 0.05f, 0.3f), haze);
                c = added(c, scaled(mix(rgb(0.2f, 0.9f, 1.0f), rgb(1.0f, 0.3f, 0.8f), haze), lines * (1.0f - 0.7f * haze)));
            }
            canvas.at(x, y) = c;
        }
    }
    // A band of mountains on the horizon, in front of the sun.
    for (int x = 0; x < canvas.width(); ++x) {
        const float sx = canvas.screenX(x);
        const float top = horizonY - 0.05f * Noise::fractal(sx * 3.0f, 9.0f, 0x40f1, 5) - 0.04f * std::fabs(std::sin(sx * 5.0f));
        for (int y = 0; y < canvas.height(); ++y) {
            const float sy = canvas.screenY(y);
            if (sy > top && sy < horizonY) {
                const float rim = std::exp(-(sy - top) / 0.003f);
                canvas.at(x, y) = added(rgb(0.1f, 0.02f, 0.16f), rgb(0.9f * rim, 0.3f * rim, 0.6f * rim));
            }
        }
    }
    scatterStars(canvas, 0x5ca7u, 300, 0.5f, false, horizonY - 0.1f);
    vignette(canvas, 0.35f);
    return canvas;
}

Canvas stars() {
    // Light accumulates in an opaque canvas first; alpha then follows the brightness.
    Canvas light(1024, 1024, rgb(0, 0, 0));
    scatterStars(light, 0x57a25u, 1100, 1.4f, true);
    Canvas canvas(light.width(), light.height());
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const Colour& l = light.at(x, y);
            const float a = clamp01(std::max({l.r, l.g, l.b}));
            canvas.at(x, y) = a > 0.0f ? Colour{l.r / a, l.g / a, l.b / a, a} : Colour{1, 1, 1, 0};
        }
    }
    return canvas;
}

Canvas ring() {
    Canvas canvas(512, 512, Colour{0.7f, 0.95f, 1.0f, 0.0f});
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            const float dx = (float(x) + 0.5f) / 512.0f - 0.5f, dy = (float(y) + 0.5f) / 512.0f - 0.5f;
            const float r = std::hypot(dx, dy);
            const float angle = std::atan2(dy, dx) / (2.0f * pi) + 0.5f;
            const float aa = 1.5f / 512.0f;
            auto band = [&](float centre, float halfWidth) {
                return 1.0f - smoothstep(halfWidth - aa, halfWidth + aa, std::fabs(r - centre));
            };
            float a = band(0.44f, 0.008f);
            a += 0.5f * std::exp(-std::pow((r - 0.44f) / 0.03f, 2.0f));
            const float dash = std::fmod(angle * 48.0f, 1.0f) < 0.6f ? 1.0f : 0.0f;
            a += 0.8f * band(0.37f, 0.012f) * dash;
            const float tick = std::fmod(angle * 12.0f + 0.02f, 1.0f) < 0.04f ? 1.0f : 0.0f;
            a += 0.9f * (1.0f - smoothstep(0.25f, 0.32f, std::fabs(r - 0.3f) * 4.0f)) * tick * band(0.3f, 0.03f);
            a += 0.6f * band(0.3f, 0.003f);
            canvas.at(x, y).a = clamp01(a);
        }
    }
    return canvas;
}

Canvas hexTiles() {
    Canvas canvas(256, 256, rgb(0, 0, 0));
    // Hexagon space: 4 columns and 6 rows of cells fill the picture exactly, so it tiles.
    const float sqrt3 = std::sqrt(3.0f);
    const float spanX = 4.0f * sqrt3, spanY = 9.0f;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const float px = (float(x) + 0.5f) / 256.0f * spanX, py = (float(y) + 0.5f) / 256.0f * spanY;
            // Nearest centre of the two offset rectangular lattices that make a hex grid.
            const float ax = std::fmod(px, sqrt3) - sqrt3 * 0.5f, ay = std::fmod(py, 3.0f) - 1.5f;
            const float bx = std::fmod(px + sqrt3 * 0.5f, sqrt3) - sqrt3 * 0.5f, by = std::fmod(py + 1.5f, 3.0f) - 1.5f;
            const bool first = ax * ax + ay * ay < bx * bx + by * by;
            const float hx = std::fabs(first ? ax : bx), hy = std::fabs(first ? ay : by);
            const float edge = std::max(2.0f * hx / sqrt3, hx / sqrt3 + hy);  // 1 on the hexagon's border
            const int cellX = int(std::floor(first ? px / sqrt3 : (px + sqrt3 * 0.5f) / sqrt3)) % 4;
            const int cellY = int(std::floor(first ? py / 3.0f : (py + 1.5f) / 3.0f)) % 3;
            const float lit = Noise::hash(cellX, cellY * 2 + (first ? 0 : 1), 0x4e3u);
            const float lineLevel = smoothstep(0.9f, 0.97f, edge) * (1.0f - smoothstep(0.985f, 1.0f, edge) * 0.3f);
            Colour c = scaled(rgb(0.15f, 0.75f, 1.0f), lineLevel);
            if (lit > 0.72f) {
                c = added(c, scaled(rgb(0.1f, 0.3f, 0.6f), (1.0f - edge) * 0.7f + 0.15f));
            }
            canvas.at(x, y) = c;
        }
    }
    return canvas;
}

Canvas glow() {
    Canvas canvas(256, 256, Colour{1.0f, 0.92f, 0.8f, 0.0f});
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const float dx = (float(x) + 0.5f) / 256.0f - 0.5f, dy = (float(y) + 0.5f) / 256.0f - 0.5f;
            const float r = std::hypot(dx, dy);
            float a = std::exp(-r * r / 0.0012f) + 0.35f * std::exp(-r / 0.07f);
            a += 0.6f * std::exp(-std::fabs(dy) / 0.006f) * std::exp(-std::fabs(dx) / 0.16f);
            a += 0.35f * std::exp(-std::fabs(dx) / 0.006f) * std::exp(-std::fabs(dy) / 0.12f);
            a *= 1.0f - smoothstep(0.4f, 0.5f, r);  // nothing left at the border
            canvas.at(x, y).a = clamp01(a);
        }
    }
    return canvas;
}

Canvas flare() {
    Canvas canvas(256, 256, Colour{0.6f, 0.75f, 1.0f, 0.0f});
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const float dx = (float(x) + 0.5f) / 256.0f - 0.5f, dy = (float(y) + 0.5f) / 256.0f - 0.5f;
            const float r = std::hypot(dx, dy);
            float a = 0.7f * std::exp(-std::pow((r - 0.3f) / 0.012f, 2.0f)) + 0.25f * std::exp(-std::pow((r - 0.3f) / 0.05f, 2.0f));
            a += std::exp(-r * r / 0.0006f);
            for (int k = 0; k < 6; ++k) {
                const float angle = float(k) * pi / 3.0f + 0.3f;
                const float sx = 0.3f * std::cos(angle), sy = 0.3f * std::sin(angle);
                a += 0.9f * std::exp(-(std::pow(dx - sx, 2.0f) + std::pow(dy - sy, 2.0f)) / 0.00012f);
            }
            a *= 1.0f - smoothstep(0.42f, 0.5f, r);
            Colour& c = canvas.at(x, y);
            c.a = clamp01(a);
            // A faint rainbow across the ring, as a lens would make it.
            const float hue = clamp01((r - 0.26f) / 0.08f);
            c = {0.6f + 0.4f * hue, 0.75f, 1.0f - 0.3f * hue, c.a};
        }
    }
    return canvas;
}

}  // namespace Pictures
