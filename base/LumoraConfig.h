#pragma once
// The GL limits other modules respect; read once the demo's context is current.
#include <cstdint>

extern int32_t maxTextureUnits;                 // the launcher needs at least 3
extern int32_t maxTextureSize;                  // textures larger than this are refused
extern int32_t maxVertexProgramInstructions;    // 0 without ARB_vertex_program
extern int32_t maxFragmentProgramInstructions;  // 0 without ARB_fragment_program

namespace LumoraConfig {
void query();
}
