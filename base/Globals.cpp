#include "base/Globals.h"

int32_t screenWidth = 1024;
int32_t screenHeight = 768;
bool musicEnabled = true;
bool fullscreenEnabled = false;
bool shadowsDisabled = false;
uint32_t demoStart = 0;
uint32_t demoEnd = 60000;
uint32_t beatLength = 100;
bool quitRequested = false;
bool inputEnabled = false;

EffectList* publishedEffectList = nullptr;
EventQueue* publishedEventQueue = nullptr;
