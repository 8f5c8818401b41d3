#include "base/Globals.h"

#include "base/DemoSettings.h"

namespace {
constexpr DemoSettings defaults;
}  // namespace

int32_t screenWidth = defaults.width;
int32_t screenHeight = defaults.height;
bool musicEnabled = defaults.music;
bool fullscreenEnabled = defaults.fullscreen;
bool shadowsDisabled = !defaults.shadows;
uint32_t demoStart = 0;
uint32_t demoEnd = 60000;
uint32_t beatLength = 100;
bool quitRequested = false;
bool inputEnabled = false;

EffectList* publishedEffectList = nullptr;
EventQueue* publishedEventQueue = nullptr;
