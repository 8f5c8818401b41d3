#pragma once
// The demo's soundtrack: one Ogg stream on one channel, started together with the demo
// clock. The launcher's music clock (launcher/MusicClock) then follows the stream's
// reading through soundSystem(), so music and picture stay in step; with --clock free
// they are in step only because they start at the same moment.
//
// The launcher calls, only with music switched on: pause, (script loads), init, open,
// setTime(demoStart), play; shutdown runs at program exit. Without a sound device init
// returns false, and without the file open does: the demo then runs silently, and no
// message is shown for either. The spectrum and oscilloscope effects reach the device
// through soundSystem() once isInited() is true.
//
// A capture plays nothing, yet its frames must show the music: the capture loop calls
// startForCapture (the sound system without a device, the stream playing from the demo
// start) and, before each frame, mixUntil(frame time). The effects then see what a
// viewer hears at that moment, and the same frames come out of every run.
#include <cstdint>

class SoundSystem;

namespace LumoraMusic {
bool init();                    // true when the sound system is up (now or before)
bool open(const char* fileName);// true when a stream is open; a second open keeps it.
                                // Not inited: non-fatal "Soundsystem not inited", false
void setTime(uint32_t milliseconds);
void play();                    // starts the stream at its position; fatal "Could not play
                                // soundstream" when no channel is free; nothing without a stream
void pause();
void shutdown();                // closes the stream and the sound system
bool isInited();
bool isPlaying();
SoundSystem* soundSystem();     // null unless inited
bool startForCapture(const char* fileName, uint32_t milliseconds);  // false (silently) when
                                // the file is unusable; the sound system stays up, silent
void mixUntil(uint32_t milliseconds);  // after startForCapture; nothing otherwise
}  // namespace LumoraMusic
