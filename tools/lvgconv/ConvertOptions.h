#pragma once
// lvgconv's command line:
//
//   lvgconv IN OUT.lvg [--frame-step N] [--fps N] [--texture-dir DIR] [--scale S]
//
// --fps N        keys per second of source animation (default 25)
// --frame-step N time units per key in the scene file. The Scene effect's animation
//                clock runs at Speed × 0.2 units a millisecond, 200 units a second at
//                Speed 1; the default, 200 / fps rounded, plays the animation at its own
//                pace there (8 at 25 keys a second). Given alone, the keys are taken at
//                that pace too: 200 / N a second.
// --texture-dir  where the model's pictures are written (default: OUT's folder)
// --scale S      multiplies every distance (positions, sizes, clipping planes, ranges)
#include <cstdint>
#include <string>
#include <vector>

// Scene time units per second of demo time for a Scene effect at Speed 1.
constexpr double sceneUnitsPerSecond = 200;

struct ConvertOptions {
    std::string input;
    std::string output;
    std::string textureDirectory;
    double framesPerSecond = 25;
    int32_t frameStep = 8;
    float scale = 1;
};

// False with a one-line message for a bad command line.
bool parseConvertArguments(const std::vector<std::string>& arguments, ConvertOptions& options, std::string& message);

const char* convertUsage();
