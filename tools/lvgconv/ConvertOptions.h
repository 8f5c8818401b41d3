#pragma once
// lvgconv's command line:
//
//   lvgconv IN OUT.lvg [--frame-step N] [--fps N] [--texture-dir DIR] [--scale S]
//
// --fps N        keys per second of source animation (default 25)
// --frame-step N time units per key in the scene file (default 1000 / fps rounded: the
//                Scene effect plays scene time in milliseconds); given alone, the keys are
//                N ms apart
// --texture-dir  where the model's pictures are written (default: OUT's folder)
// --scale S      multiplies every distance (positions, sizes, clipping planes, ranges)
#include <cstdint>
#include <string>
#include <vector>

struct ConvertOptions {
    std::string input;
    std::string output;
    std::string textureDirectory;
    double framesPerSecond = 25;
    int32_t frameStep = 40;
    float scale = 1;
};

// False with a one-line message for a bad command line.
bool parseConvertArguments(const std::vector<std::string>& arguments, ConvertOptions& options, std::string& message);

const char* convertUsage();
