// Placeholder until the sound module lands: no sound system, the demo runs silently.
#include "demoSystem/LumoraMusic.h"

bool LumoraMusic::init() { return false; }
bool LumoraMusic::open(const char*) { return false; }
void LumoraMusic::setTime(uint32_t) {}
void LumoraMusic::play() {}
void LumoraMusic::pause() {}
void LumoraMusic::shutdown() {}
bool LumoraMusic::isInited() { return false; }
bool LumoraMusic::isPlaying() { return false; }
