#pragma once
// The program's spine: opens the demo window, checks the driver, selects the data pack,
// shows the loading picture, loads the script, starts music and clock together and runs
// the frame loop until the script's end time passes, Esc is pressed or the window closes.
//
// Start-up order in runDemo (each later subsystem joins at its step):
//   window -> GL limits -> extension check -> data pack -> loading picture ->
//   timeline published -> music shutdown at exit -> script + music + clock -> frames.
#include "base/DemoNames.h"
#include "base/LumoraWindow.h"
#include "launcher/DemoClock.h"
#include "launcher/LaunchOptions.h"

#include <cstdint>
#include <functional>
#include <string>

class EffectTiming;

extern LaunchOptions launchOptions;  // what the command line asked for
extern DemoClock demoClock;
extern LumoraWindow demoWindow;

// The directory that holds the program (with a trailing '/'): pack and music live there.
std::string programDirectory();
// Every later data file comes from the pack beside the program, or, given a directory
// (--data), from plain files under it.
void useDemoData(const std::string& dataDirectory);

void runDemo(int width, int height, bool music, bool fullscreen, int fsaaSamples);
void checkExtensions();
void showLoadingScreen(LumoraWindow& window);
void loadDemo(const char* scriptName);

class PlaybackKeys;
// The playback keys that key presses other than Esc go to (null: none), set while a live
// run plays.
void usePlaybackKeys(PlaybackKeys* keys);

// Events reach it one per frame; handles close and Esc while inputEnabled is set, and
// hands other key presses to the playback keys.
void windowProcedure(const SDL_Event& event);

// The frame loop: at most one event per frame; t = readClock(); renderFrame(t); a second
// reading above endTime ends the loop without presenting, otherwise present(t). With
// timing, every effect's update and render are timed (--bench).
void runFrameLoop(const std::function<uint32_t()>& readClock, const std::function<void(uint32_t)>& present,
                  uint32_t endTime, EffectTiming* timing = nullptr);
// The same with an end that may move while it runs (a reloaded script, --to) and, where
// given, another way to draw the frame than renderFrame (watch mode's).
void runFrameLoop(const std::function<uint32_t()>& readClock, const std::function<void(uint32_t)>& present,
                  const std::function<uint32_t()>& endTime, EffectTiming* timing = nullptr,
                  const std::function<void(uint32_t)>& render = nullptr);

// The demo time of a live run: the music's, while it plays and --clock free was not asked
// for; the counter's otherwise.
uint32_t liveDemoTime();
// Live runs jump and pause with the music: the clock restarts at t and the music, when
// it is on, plays from t; pauseLiveTime stops the music with its stream at t;
// positionMusic only moves the (paused) stream.
void restartLiveTime(uint32_t t);
void pauseLiveTime(uint32_t t);
void positionMusic(uint32_t t);
// The last time a live run plays: --to where given (at most the demo end), else the end.
uint32_t liveEndTime();

// The names the start-up check demands, in order.
extern const char* const requiredExtensions[9];
