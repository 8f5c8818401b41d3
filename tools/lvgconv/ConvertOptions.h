#pragma once
// lvgconv's command line:
//
//   lvgconv IN OUT.lvg [--frame-step N] [--fps N] [--texture-dir DIR] [--scale S]
//
// --fps N        keys per second of source animation (default 25)
// --frame-step N time units per key in the scene file. The Scene effect's animation
//                clock runs at Speed × 0.2 units a millisecond: at Speed 5, as the demo's
//                own scenes play, it counts milliseconds. The default, 1000 / fps rounded
//                (40 at 25 keys a second), plays the animation at its own pace there.
//                Given alone, the keys are taken at that pace too: 1000 / N a second.
// --texture-dir  where the model's pictures are written (default: OUT's folder)
// --scale S      multiplies every distance (positions, sizes, clipping planes, ranges)
#include <cstdint>
#include <string>
#include <vector>

// Scene time units per second of demo time for a Scene effect at Speed 5.
constexpr double sceneUnitsPerSecond = 1000;

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
