// picgen: draws every picture of the demo and writes them into one folder.
//
//   picgen --font FONT.ttf --lettering LETTERING.txt --out DIR
//
// The data build runs it into the staging folder of the pack (data/images/). The
// lettering file lists the text pictures (see data/pictures/lettering.txt); everything
// else is drawn from formulas in Pictures.cpp. Same inputs, same bytes.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Lettering.h"
#include "PictureFiles.h"
#include "Pictures.h"

namespace {

struct LetteringPicture {
    std::string file;
    std::string style;
    std::vector<std::string> lines;
};

int usage() {
    std::fprintf(stderr, "usage: picgen --font FONT.ttf --lettering LETTERING.txt --out DIR\n");
    return 2;
}

// Where a style centres its text across the picture, in screen units (0..4/3).
constexpr float middle = 2.0f / 3.0f;
// Typed lettering sits in the right part of its picture: the type-writer effect uncovers
// a picture from the left and shows its left 55 % at once, so the text begins beyond that.
constexpr float typedCentre = 0.78f * 4.0f / 3.0f;

bool styleFor(const std::string& name, TextStyle& style, float& centreX) {
    centreX = middle;
    if (name == "title") {
        style.capHeight = 0.1f;
        style.tracking = 0.06f;
        style.top = {1.0f, 1.0f, 1.0f, 1.0f};
        style.bottom = {0.55f, 0.8f, 1.0f, 1.0f};
        style.glow = {0.55f, 0.3f, 1.0f, 1.0f};
        style.glowRadius = 0.02f;
        style.glowStrength = 1.0f;
        return true;
    }
    if (name == "subtitle") {
        style.capHeight = 0.07f;
        style.tracking = 0.25f;
        style.top = {1.0f, 0.95f, 0.85f, 1.0f};
        style.bottom = {1.0f, 0.6f, 0.45f, 1.0f};
        style.glow = {1.0f, 0.35f, 0.25f, 1.0f};
        style.glowRadius = 0.015f;
        style.glowStrength = 0.9f;
        return true;
    }
    if (name == "word") {
        style.capHeight = 0.05f;
        style.tracking = 0.05f;
        style.lineSpacing = 1.9f;
        style.top = {1.0f, 1.0f, 1.0f, 1.0f};
        style.bottom = {0.8f, 0.92f, 1.0f, 1.0f};
        style.glow = {0.1f, 0.6f, 0.9f, 1.0f};
        style.glowRadius = 0.01f;
        style.glowStrength = 0.7f;
        return true;
    }
    if (name == "typed") {
        style.capHeight = 0.032f;
        style.tracking = 0.05f;
        style.lineSpacing = 1.8f;
        style.top = {0.85f, 1.0f, 0.9f, 1.0f};
        style.bottom = {0.55f, 1.0f, 0.75f, 1.0f};
        style.glow = {0.1f, 0.9f, 0.5f, 1.0f};
        style.glowRadius = 0.008f;
        style.glowStrength = 0.6f;
        centreX = typedCentre;
        return true;
    }
    return false;
}

// One picture per line: file name, style, text with '|' between lines. '#' starts a comment.
bool readLettering(const std::string& path, std::vector<LetteringPicture>& pictures) {
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "picgen: cannot read %s\n", path.c_str());
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        LetteringPicture picture;
        std::string text;
        fields >> picture.file >> picture.style;
        std::getline(fields >> std::ws, text);
        TextStyle unused;
        float unusedCentre = 0.0f;
        if (picture.file.empty()) {
            continue;
        }
        if (text.empty() || !styleFor(picture.style, unused, unusedCentre) || picture.file.find('/') != std::string::npos ||
            picture.file.size() < 5 || picture.file.compare(picture.file.size() - 4, 4, ".png") != 0) {
            std::fprintf(stderr, "picgen: %s:%d: expected 'NAME.png title|subtitle|word|typed TEXT'\n", path.c_str(), number);
            return false;
        }
        size_t start = 0;
        for (size_t bar = text.find('|'); ; bar = text.find('|', start)) {
            picture.lines.push_back(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
            if (bar == std::string::npos) {
                break;
            }
            start = bar + 1;
        }
        pictures.push_back(picture);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string fontPath, letteringPath, outDir;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--font") == 0 && hasValue) {
            fontPath = argv[++i];
        } else if (std::strcmp(argv[i], "--lettering") == 0 && hasValue) {
            letteringPath = argv[++i];
        } else if (std::strcmp(argv[i], "--out") == 0 && hasValue) {
            outDir = argv[++i];
        } else {
            return usage();
        }
    }
    if (fontPath.empty() || letteringPath.empty() || outDir.empty()) {
        return usage();
    }
    Lettering lettering;
    std::vector<LetteringPicture> texts;
    if (!lettering.load(fontPath) || !readLettering(letteringPath, texts)) {
        return 1;
    }
    const std::string dir = outDir + "/";
    using PictureFiles::Dxt;
    bool ok = PictureFiles::writeJpeg(dir + "loading1024.jpg", Pictures::loading(lettering), 90) &&
              PictureFiles::writeJpeg(dir + "bg_nebula.jpg", Pictures::nebula(), 90) &&
              PictureFiles::writeJpeg(dir + "bg_aurora.jpg", Pictures::aurora(), 90) &&
              PictureFiles::writeJpeg(dir + "bg_horizon.jpg", Pictures::horizon(), 90) &&
              PictureFiles::writePngRgba(dir + "stars.png", Pictures::stars()) &&
              PictureFiles::writePngRgba(dir + "ring.png", Pictures::ring()) &&
              PictureFiles::writeDds(dir + "tiles.dds", Pictures::hexTiles(), Dxt::dxt1) &&
              PictureFiles::writeDds(dir + "glow.dds", Pictures::glow(), Dxt::dxt5) &&
              PictureFiles::writeDds(dir + "flare.dds", Pictures::flare(), Dxt::dxt5);
    for (const LetteringPicture& text : texts) {
        if (!ok) {
            break;
        }
        TextStyle style;
        float centreX = middle;
        styleFor(text.style, style, centreX);
        Canvas canvas(1024, 512, Colour{style.glow.r, style.glow.g, style.glow.b, 0.0f});
        lettering.draw(canvas, text.lines, centreX, 0.5f, style);
        ok = PictureFiles::writePngRgba(dir + text.file, canvas);
    }
    return ok ? 0 : 1;
}
