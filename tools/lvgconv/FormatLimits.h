#pragma once
// What a scene file cannot hold, checked on the records before anything is written: a
// text longer than the reader's 1999 bytes (object, material and texture names, a
// projector's picture), a mesh above the engine's 65,536 vertices, and more objects than
// 32-bit ids number. The converter stops with the problem rather than write a file the
// reader would refuse or misread.
#include "engine/LVGParser.h"

#include <string>
#include <vector>

// "" when every record fits; otherwise the first problem, for a message.
std::string firstLimitProblem(const std::vector<lvg::Record>& records);
