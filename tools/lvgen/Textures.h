#pragma once
// The pictures lvgen draws for its scenes' materials, written under their data paths:
// ".png" as RGBA PNG, ".jpg" as JPEG, ".dds" as DXT1 with a full mipmap chain. Drawn
// with the picture generator's canvas and noise, so every run gives the same bytes.
//
// Kinds and their arguments (colours as r g b, 0..1):
//   checker SIZE CELLS colourA colourB      two-colour squares
//   marble SIZE colourA colourB SEED        veined noise between two colours
//   sky SIZE zenith horizon                 a vertical gradient for reflections
//   bumps SIZE SEED STRENGTH                a normal map (x, y, z as r, g, b) of noise hills
//   glow SIZE colour                        a round soft spot, black at the edge (additive)
#include <string>
#include <vector>

struct TextureJob {
    std::string dataPath;  // such as "data/textures/stone.png"
    std::string kind;
    std::vector<float> arguments;
};

namespace textures {
// The number of arguments a kind takes; -1 for an unknown kind.
int argumentCount(const std::string& kind);
// Draws and writes the picture under outDirectory; false (with a message) on failure.
bool write(const TextureJob& job, const std::string& outDirectory);
}  // namespace textures
