// contactsheet: one PNG showing a frame every few seconds of a --capture run, each with
// its time, for reviewing a whole demo at a glance.
//
//   contactsheet [--every SECONDS] [--fps N] [--from MS] [--columns C] [--width W] CAPTURE_DIR OUT.png
//
// --fps and --from must be the values the capture ran with (defaults 2 and 0): frame i of
// the capture shows time from + i * 1000 / fps. The sheet takes the frames nearest to
// 0, every, 2 * every, ... seconds after the first one, up to the last frame there is.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "base/PngWriter.h"

namespace {

struct Options {
    double every = 4.0;
    int fps = 2;
    long from = 0;
    int columns = 6;
    int width = 240;
    std::string directory;
    std::string output;
};

struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

// Frames come from a folder the user names: sizes are checked before anything is
// allocated for them.
constexpr uint32_t maxFrameSide = 16384;

int usage() {
    std::fprintf(stderr,
                 "usage: contactsheet [--every SECONDS] [--fps N] [--from MS] [--columns C] [--width W] CAPTURE_DIR OUT.png\n"
                 "  --every    seconds between the frames shown (default 4)\n"
                 "  --fps      frames per second of the capture (default 2)\n"
                 "  --from     time of the capture's first frame in ms (default 0)\n"
                 "  --columns  frames per row (default 6)\n"
                 "  --width    width of each frame on the sheet in pixels (default 240)\n");
    return 2;
}

bool parseNumber(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end && end != text && *end == '\0' && value >= low && value <= high;
}

bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string framePath(const std::string& directory, long index) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06ld.png", index);
    return directory + name;
}

bool readFrame(const std::string& path, Frame& frame) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        std::fprintf(stderr, "contactsheet: %s: %s\n", path.c_str(), image.message);
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > maxFrameSide || image.height > maxFrameSide) {
        std::fprintf(stderr, "contactsheet: %s: unusable size %ux%u\n", path.c_str(), image.width, image.height);
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    frame.width = int(image.width);
    frame.height = int(image.height);
    frame.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, frame.rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "contactsheet: %s: %s\n", path.c_str(), image.message);
        png_image_free(&image);
        return false;
    }
    return true;
}

// Area-averaging reduction of a frame into a w × h cell of the sheet at (left, top).
void placeScaled(const Frame& frame, std::vector<uint8_t>& sheet, int sheetWidth, int left, int top, int w, int h) {
    for (int y = 0; y < h; ++y) {
        const int y0 = y * frame.height / h, y1 = std::max(y0 + 1, (y + 1) * frame.height / h);
        for (int x = 0; x < w; ++x) {
            const int x0 = x * frame.width / w, x1 = std::max(x0 + 1, (x + 1) * frame.width / w);
            uint32_t sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const uint8_t* p = frame.rgb.data() + (size_t(sy) * size_t(frame.width) + size_t(sx)) * 3;
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const uint32_t count = uint32_t((y1 - y0) * (x1 - x0));
            uint8_t* out = sheet.data() + (size_t(top + y) * size_t(sheetWidth) + size_t(left + x)) * 3;
            for (int c = 0; c < 3; ++c) {
                out[c] = uint8_t((sum[c] + count / 2) / count);
            }
        }
    }
}

// A 5 × 7 pixel font for the time labels: digits, ':' and '.'.
const uint8_t glyphs[12][7] = {
    {0x0e, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0e}, {0x04, 0x0c, 0x04, 0x04, 0x04, 0x04, 0x0e},
    {0x0e, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1f}, {0x1f, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0e},
    {0x02, 0x06, 0x0a, 0x12, 0x1f, 0x02, 0x02}, {0x1f, 0x10, 0x1e, 0x01, 0x01, 0x11, 0x0e},
    {0x06, 0x08, 0x10, 0x1e, 0x11, 0x11, 0x0e}, {0x1f, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0e, 0x11, 0x11, 0x0e, 0x11, 0x11, 0x0e}, {0x0e, 0x11, 0x11, 0x0f, 0x01, 0x02, 0x0c},
    {0x00, 0x0c, 0x0c, 0x00, 0x0c, 0x0c, 0x00}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x0c, 0x0c},
};

void drawLabel(std::vector<uint8_t>& sheet, int sheetWidth, int left, int top, const std::string& text) {
    const int scale = 2, advance = 6 * scale;
    const int boxWidth = int(text.size()) * advance + 2 * scale, boxHeight = 9 * scale;
    for (int y = 0; y < boxHeight; ++y) {
        for (int x = 0; x < boxWidth; ++x) {
            uint8_t* p = sheet.data() + (size_t(top + y) * size_t(sheetWidth) + size_t(left + x)) * 3;
            for (int c = 0; c < 3; ++c) {
                p[c] = uint8_t(p[c] / 4);  // darken what lies under the label
            }
        }
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const int glyph = text[i] == ':' ? 10 : text[i] == '.' ? 11 : text[i] - '0';
        if (glyph < 0 || glyph > 11) {
            continue;
        }
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (!(glyphs[glyph][row] & (0x10 >> col))) {
                    continue;
                }
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        const int x = left + scale + int(i) * advance + col * scale + dx;
                        const int y = top + scale + row * scale + dy;
                        std::memset(sheet.data() + (size_t(y) * size_t(sheetWidth) + size_t(x)) * 3, 0xff, 3);
                    }
                }
            }
        }
    }
}

std::string timeLabel(long milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld.%ld", milliseconds / 60000, milliseconds / 1000 % 60, milliseconds / 100 % 10);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        double value = 0.0;
        const bool hasValue = i + 1 < argc;
        if (argument == "--every" && hasValue && parseNumber(argv[i + 1], 0.001, 86400.0, value)) {
            options.every = value;
        } else if (argument == "--fps" && hasValue && parseNumber(argv[i + 1], 1, 1000, value) && value == std::floor(value)) {
            options.fps = int(value);
        } else if (argument == "--from" && hasValue && parseNumber(argv[i + 1], 0, 4294967295.0, value)) {
            options.from = long(value);
        } else if (argument == "--columns" && hasValue && parseNumber(argv[i + 1], 1, 64, value)) {
            options.columns = int(value);
        } else if (argument == "--width" && hasValue && parseNumber(argv[i + 1], 32, 2048, value)) {
            options.width = int(value);
        } else if (argument.rfind("--", 0) == 0) {
            return usage();
        } else {
            positional.push_back(argument);
            continue;
        }
        ++i;
    }
    if (positional.size() != 2) {
        return usage();
    }
    options.directory = positional[0];
    options.output = positional[1];

    std::vector<long> picked;
    for (long k = 0;; ++k) {
        const long index = std::lround(double(k) * options.every * double(options.fps));
        if (!picked.empty() && index == picked.back()) {
            continue;  // --every shorter than one frame
        }
        if (!fileExists(framePath(options.directory, index))) {
            break;
        }
        picked.push_back(index);
        if (picked.size() >= 4096) {
            break;
        }
    }
    if (picked.empty()) {
        std::fprintf(stderr, "contactsheet: no frames in %s (expected frame_000000.png, ...)\n", options.directory.c_str());
        return 1;
    }

    Frame frame;
    if (!readFrame(framePath(options.directory, picked[0]), frame)) {
        return 1;
    }
    const int gap = 6;
    const int cellWidth = options.width;
    const int cellHeight = std::max(1, int(std::lround(double(cellWidth) * frame.height / frame.width)));
    const int columns = std::min(options.columns, int(picked.size()));
    const int rows = int((picked.size() + size_t(columns) - 1) / size_t(columns));
    const int sheetWidth = gap + columns * (cellWidth + gap);
    const int sheetHeight = gap + rows * (cellHeight + gap);
    std::vector<uint8_t> sheet(size_t(sheetWidth) * size_t(sheetHeight) * 3, 24);

    for (size_t i = 0; i < picked.size(); ++i) {
        if (i > 0 && !readFrame(framePath(options.directory, picked[i]), frame)) {
            return 1;
        }
        const int left = gap + int(i % size_t(columns)) * (cellWidth + gap);
        const int top = gap + int(i / size_t(columns)) * (cellHeight + gap);
        placeScaled(frame, sheet, sheetWidth, left, top, cellWidth, cellHeight);
        if (cellHeight > 24 && cellWidth > 100) {
            drawLabel(sheet, sheetWidth, left + 4, top + cellHeight - 22, timeLabel(options.from + picked[i] * 1000 / options.fps));
        }
    }
    if (!writePng(options.output, sheetWidth, sheetHeight, 3, sheet.data())) {
        std::fprintf(stderr, "contactsheet: cannot write %s\n", options.output.c_str());
        return 1;
    }
    std::printf("%s: %zu frames, %d x %d\n", options.output.c_str(), picked.size(), sheetWidth, sheetHeight);
    return 0;
}
