#include "demoSystem/LumoraMusic.h"

#include "base/ErrorReport.h"
#include "platform/SoundSystem.h"

namespace {

// Heap-held and destroyed only by shutdown: the audio thread may still be mixing while
// static destructors run at exit, so nothing it touches may be a static object.
SoundSystem* sound = nullptr;
bool inited = false;
bool streamOpen = false;
int channel = -1;
bool playing = false;

}  // namespace

bool LumoraMusic::init() {
    if (inited) {
        return true;
    }
    auto* candidate = new SoundSystem;
    if (!candidate->init()) {
        delete candidate;
        return false;
    }
    sound = candidate;
    inited = true;
    return true;
}

bool LumoraMusic::open(const char* fileName) {
    if (!inited) {
        reportError(LUMORA_HERE, "Soundsystem not inited", false);
        return false;
    }
    if (!streamOpen) {
        streamOpen = sound->openStream(fileName);
    }
    return streamOpen;
}

void LumoraMusic::setTime(uint32_t milliseconds) {
    if (streamOpen) {
        sound->setStreamTime(milliseconds);
    }
}

void LumoraMusic::play() {
    if (!streamOpen) {
        return;
    }
    channel = sound->playStream();
    if (channel == -1) {
        reportError(LUMORA_HERE, "Could not play soundstream", true);
    }
    sound->setPaused(channel, false);
    playing = true;
}

void LumoraMusic::pause() {
    if (channel != -1 && inited) {
        sound->setPaused(channel, true);
    }
    playing = false;
}

void LumoraMusic::shutdown() {
    if (streamOpen) {
        sound->closeStream();
        streamOpen = false;
    }
    if (inited) {
        sound->close();
        delete sound;
        sound = nullptr;
        inited = false;
    }
    // The channel went with the stream.
    channel = -1;
    playing = false;
}

bool LumoraMusic::isInited() {
    return inited;
}

bool LumoraMusic::isPlaying() {
    return playing;
}

SoundSystem* LumoraMusic::soundSystem() {
    return inited ? sound : nullptr;
}

bool LumoraMusic::startForCapture(const char* fileName, uint32_t milliseconds) {
    if (!inited) {
        sound = new SoundSystem;
        sound->initWithoutDevice();
        inited = true;
    }
    if (!open(fileName)) {
        return false;
    }
    setTime(milliseconds);
    play();
    return true;
}

void LumoraMusic::mixUntil(uint32_t milliseconds) {
    if (inited) {
        sound->mixUntil(milliseconds);
    }
}
