#pragma once
// A loaded Scene as one JSON object, for `lumora --dump-scene`:
//   {"frameCount":N,"frameStep":N,"objects":[...],"roots":[ids],"materials":[...],
//    "geometryOrder":[ids]}
// objects in file order, each with id, name, kind ("mesh", "node", "camera", "light"),
// the attached parent's id (or -1), keyCount, position, scale, the 16 rotation floats as
// stored, and by kind a "mesh", "camera" or "light" object; roots in root-chain order;
// materials by ascending id with their shade model, flags and the data path of each
// texture the cache read (null for an empty slot); the geometry in draw order.
// Floats are printed with %.9g (non-finite ones as null); texts are JSON-escaped. No GL.
#include "engine/Scene.h"

#include <string>

std::string sceneJson(const Scene& scene);
