#pragma once
// Reads one scene description (a small text file, see data/scenes/README.md) and writes
// the scene as an LVG file, with the textures its materials use.
//
// What lvgen guarantees about what it writes, so that the engine's reader shows what the
// description says: parents come before their children; every id is unique and no object
// has id 0 (a light's target 0 would mean "no target"); every camera has a target and
// every light target exists; rotations are stored as the quaternion whose placement
// gives the intended turn; v is written as it is (up the picture, the reader flips it); cameras store the horizontal fov of the
// vertical one given; positions are world positions (the engine's children do not inherit
// their parent's placement), so an "at" inside a parent is added to the parent's rest
// position; animated tracks hold one sample per frame of the scene.
#include "tools/lvgen/Textures.h"
#include "tools/lvgwriter/LvgWriter.h"

#include <string>
#include <vector>

struct GeneratedScene {
    LvgWriter file;
    std::vector<TextureJob> textures;
};

// Parses text (named sourceName in messages). False with a message on stderr on the first
// error ("lvgen: NAME:LINE: ...").
bool generateScene(const std::string& text, const std::string& sourceName, GeneratedScene& scene);
