#include "launcher/PlaybackKeys.h"

#include "base/Globals.h"
#include "demoSystem/EventQueue.h"
#include "launcher/LumoraLauncher.h"

#include <algorithm>
#include <utility>

PlaybackKeys::PlaybackKeys(std::function<uint32_t()> endTime) : end(std::move(endTime)) {}

uint32_t PlaybackKeys::beat() {
    return std::max<uint32_t>(beatLength, 1);
}

bool PlaybackKeys::handleKey(SDL_Keycode key) {
    const int64_t now = time();
    switch (key) {
        case SDLK_SPACE: togglePause(); return true;
        case SDLK_LEFT: seekTo(now - int64_t(beat())); return true;
        case SDLK_RIGHT: seekTo(now + int64_t(beat())); return true;
        case SDLK_UP: seekTo(now + int64_t(beat() * beatsPerBar)); return true;
        case SDLK_DOWN: seekTo(now - int64_t(beat() * beatsPerBar)); return true;
        case SDLK_PAGEUP: seekTo(now - int64_t(pageMilliseconds)); return true;
        case SDLK_PAGEDOWN: seekTo(now + int64_t(pageMilliseconds)); return true;
        case SDLK_HOME: seekTo(demoStart); return true;
        case SDLK_l: markLoop(); return true;
        case SDLK_TAB: overlay = !overlay; return true;
        default: return false;
    }
}

uint32_t PlaybackKeys::time() {
    if (isPaused) {
        return pausedAt;
    }
    uint32_t t = liveDemoTime();
    if (loopState == 2 && t > loopTo) {
        seekTo(loopFrom);
        return loopFrom;
    }
    return t;
}

void PlaybackKeys::seekTo(int64_t t) {
    const uint32_t previous = isPaused ? pausedAt : liveDemoTime();
    const uint32_t target = uint32_t(std::clamp<int64_t>(t, 0, int64_t(end())));
    if (target < previous && publishedEventQueue) {
        // Sorting again keeps the order and puts the cursor back at the first event.
        publishedEventQueue->sort();
    }
    if (isPaused) {
        pausedAt = target;
        positionMusic(target);
    } else {
        restartLiveTime(target);
    }
}

void PlaybackKeys::togglePause() {
    if (isPaused) {
        isPaused = false;
        restartLiveTime(pausedAt);
    } else {
        pausedAt = liveDemoTime();
        isPaused = true;
        pauseLiveTime(pausedAt);
    }
}

void PlaybackKeys::markLoop() {
    const uint32_t now = time();
    if (loopState == 0) {
        loopFrom = now;
        loopState = 1;
    } else if (loopState == 1) {
        loopTo = now;
        if (loopTo < loopFrom) std::swap(loopTo, loopFrom);
        // An empty section is no loop.
        loopState = loopTo > loopFrom ? 2 : 0;
    } else {
        loopState = 0;
    }
}
