#pragma once
// Program-wide values: the few settings and timeline facts that many modules read.
// The launcher owns them (it sets the screen and switches, the script loader sets the
// demo's times); everything else only reads them. One thread touches them.
#include <cstdint>

class EffectList;
class EventQueue;

extern int32_t screenWidth;        // window width in pixels; the frame viewport
extern int32_t screenHeight;       // window height in pixels
extern bool musicEnabled;          // play the music stream
extern bool fullscreenEnabled;     // the window was opened fullscreen (cursor hidden)
extern bool shadowsDisabled;       // the settings' shadow switch is off
extern uint32_t demoStart;         // ms: clock offset and music start (script "DEMO_START")
extern uint32_t demoEnd;           // ms: the frame loop ends once the clock passes it
extern uint32_t beatLength;        // ms: length of one pattern step (script "DEMO_BEAT")
extern bool quitRequested;         // leave the frame loop (Esc, window close)
extern bool inputEnabled;          // close and keys are handled only while set

// The run's timeline, owned by the launcher; null while unpublished (renderFrame then
// does nothing).
extern EffectList* publishedEffectList;
extern EventQueue* publishedEventQueue;
