// synth: renders the demo's soundtrack and writes it as Ogg Vorbis.
//
//   synth [--quality Q] OUTPUT.ogg
//   synth --sections
//
// The data build runs it to make lv_cv05-02.ogg beside the program. The output depends on
// nothing but this source: two runs give the same bytes. --sections prints the
// arrangement's sections (name, first bar, start in milliseconds), one a line, the grid
// the demo script is written against.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Song.h"
#include "Tempo.h"
#include "VorbisWriter.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: synth [--quality Q] OUTPUT.ogg | synth --sections\n"
                         "  renders the demo soundtrack (%d bars at %d beats per minute) as Ogg Vorbis\n"
                         "  --quality Q   Vorbis quality, -0.1 to 1.0 (default 0.4)\n"
                         "  --sections    print each section's name, first bar and start (ms)\n",
                 Tempo::barCount, Tempo::beatsPerMinute);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    float quality = 0.4f;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quality") == 0 && i + 1 < argc) {
            char* end = nullptr;
            quality = std::strtof(argv[++i], &end);
            if (!end || *end != '\0' || quality < -0.1f || quality > 1.0f) {
                return usage();
            }
        } else if (std::strcmp(argv[i], "--sections") == 0 && argc == 2) {
            for (const Song::Section& section : Song::sections) {
                std::printf("%s %d %d\n", section.name, section.firstBar, section.firstBar * 4 * Tempo::beatMilliseconds);
            }
            return 0;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            usage();
            return 0;
        } else if (argv[i][0] == '-' || !output.empty()) {
            return usage();
        } else {
            output = argv[i];
        }
    }
    if (output.empty()) {
        return usage();
    }
    const StereoBuffer music = Song::render();
    if (!VorbisWriter::write(output, music, Tempo::sampleRate, quality, "Corvane")) {
        return 1;
    }
    return 0;
}
