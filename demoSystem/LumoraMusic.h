#pragma once
// The demo's soundtrack: one Ogg stream on one channel, started with the demo clock.
#include <cstdint>

namespace LumoraMusic {
bool init();                    // true when the sound system is up (now or before)
bool open(const char* fileName);// true when a stream is open; a second open keeps it
void setTime(uint32_t milliseconds);
void play();                    // fatal "Could not play soundstream" without a channel
void pause();
void shutdown();                // closes the stream and the sound system
bool isInited();
bool isPlaying();
}  // namespace LumoraMusic
