#pragma once
// Converts one model that Assimp reads into an LVG scene file the engine loads.
//
// What is written, so that the engine shows what the modelling tool showed:
// - Every node of the model, parents before children, each with its world placement (the
//   engine's nodes do not inherit their parent's matrix); a node that holds one mesh
//   becomes that mesh, a node with several (or a mesh cut into pieces) a plain node with
//   the meshes as its children.
// - Meshes as triangles with a normal per vertex (made where the model has none), uv sets
//   0 and 1 with v up the picture as the model has them (the engine's reader flips them
//   for pictures uploaded top row first), cut into pieces of at most 65,536 vertices.
// - The first animation, sampled at the frame grid: every node that moves (or whose
//   parent moves) gets one key per frame in each track that changes.
// - Materials and their pictures (see MaterialConversion, TextureExport).
// - Cameras with their horizontal field of view, clipping planes and a target: the
//   model's "NAME.Target" node where there is one, else a plain node on the view axis.
//   Spot lights (cone from the model's outer angle, exponent from the soft edge) and
//   directional lights as targeted lights, point lights without target. Names are kept.
//
// Failures (the model cannot be read, the file cannot hold it or be written) return false
// with a message; what the file cannot carry (bones, morph targets, a third uv set, vertex
// colours for drawing, ...) is a warning through Diagnostics.
#include "tools/lvgconv/ConvertOptions.h"
#include "tools/lvgconv/Diagnostics.h"

#include <cstdint>
#include <string>

struct ConvertSummary {
    int32_t nodes = 0;  // every object written: meshes, cameras, lights, plain nodes
    int32_t meshes = 0;
    int64_t triangles = 0;
    int32_t materials = 0;
    int32_t textures = 0;
    int32_t cameras = 0;
    int32_t lights = 0;
    int32_t frames = 1;
    int32_t frameStep = 1;
};

bool convertModel(const ConvertOptions& options, Diagnostics& diagnostics, ConvertSummary& summary,
                  std::string& message);

// "wrote OUT: 5 nodes, 2 meshes, ..." for the last line of a run.
std::string summaryLine(const std::string& output, const ConvertSummary& summary, size_t warnings);
