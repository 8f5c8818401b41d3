#pragma once
// The author overlay of a live run (Tab; on by default with --watch): demo time, bar and
// beat, frame rate, the loop section and the last reload or error line, in a small
// bitmap font over the top of the frame. The launcher draws it after the frame and
// before presenting it, so captures, videos and benchmarks never show it.
//
// The font is 5 x 7 pixels a glyph, held here as bit rows (letters print in capitals;
// characters it lacks print as '?'); each lit pixel is one quad of the engine's 2D
// drawing, a few thousand quads at most, so nothing is uploaded. draw() leaves the GL
// state as effects do (Drawing2D's overlay preamble and its end, blending back to
// GL_ONE, GL_ZERO; both matrices as found).
#include <cstdint>
#include <string>
#include <vector>

class AuthorOverlay {
public:
    static constexpr int glyphWidth = 5;
    static constexpr int glyphHeight = 7;

    struct Status {
        uint32_t time = 0;
        uint32_t demoStart = 0;
        uint32_t beatLength = 100;
        bool paused = false;
        bool loopStartSet = false;
        bool looping = false;
        uint32_t loopStart = 0;
        uint32_t loopEnd = 0;
        std::string lastLine;  // the last reload line or error report
        bool lastFailed = false;
    };

    // Counts a presented frame at this counter reading, for the frame rate.
    void frameDone(uint64_t counter, uint64_t frequency);
    double framesPerSecond() const { return fps; }

    // The overlay's text, one string a line (bars and beats count from 1 at the demo start).
    static std::vector<std::string> lines(const Status& status, double framesPerSecond);
    // The bit rows of a glyph (bit 4 the leftmost pixel).
    static const uint8_t* glyph(char c);

    // Draws the lines over the frame of width x height pixels.
    void draw(const Status& status, int width, int height) const;

private:
    uint64_t lastCounter = 0;
    double fps = 0;
};
