#include "launcher/TimelineHost.h"

#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "demoSystem/ScriptLoader.h"
#include "demos/EffectList_Test.h"
#include "launcher/EffectTiming.h"

#include <epoxy/gl.h>

namespace {
// The effect pointers of the current frame; its storage is reused from frame to frame.
std::vector<Effect*> frameEffects;
}  // namespace

void createTimeline() {
    // Owned for the whole run and reachable from the published pointers until exit.
    publishedEffectList = new EffectList_Test;
    publishedEventQueue = new EventQueue;
}

void loadTimelineScript(const char* scriptName) {
    checkNotNull(publishedEffectList, LUMORA_HERE);
    checkNotNull(publishedEventQueue, LUMORA_HERE);
    ScriptLoader loader(*publishedEffectList, *publishedEventQueue);
    loader.load(scriptName);
}

void releaseTimeline() {
    if (publishedEventQueue) {
        publishedEventQueue->clear();
    }
    frameEffects.clear();
    frameEffects.shrink_to_fit();
}

void deliverDueEvents(const EffectList& effects, EventQueue& events, uint32_t t) {
    while (events.hasDueEvent(t)) {
        const DemoEvent& event = events.popEvent();
        if (Effect* effect = effects.findEffect(event.target)) {
            effect->handleEvent(event);
        }
    }
}

void updateActiveEffects(const std::vector<Effect*>& snapshot, uint32_t t, EffectTiming* timing) {
    for (Effect* effect : snapshot) {
        if (effect->activity.isOn(t)) {
            if (timing) {
                timing->begin();
            }
            effect->update(t);
            if (timing) {
                timing->end(*effect);
            }
        }
    }
}

void renderActiveEffects(const std::vector<Effect*>& snapshot, uint32_t t, EffectTiming* timing) {
    for (Effect* effect : snapshot) {
        if (effect->activity.isOn(t)) {
            if (timing) {
                timing->begin();
            }
            effect->render(t);
            if (timing) {
                timing->end(*effect);
            }
        }
    }
}

void renderFrame(uint32_t t, EffectTiming* timing) {
    if (!publishedEffectList) {
        return;
    }
    if (publishedEventQueue) {
        deliverDueEvents(*publishedEffectList, *publishedEventQueue, t);
    }
    publishedEffectList->snapshot(frameEffects);
    updateActiveEffects(frameEffects, t, timing);

    glViewport(0, 0, screenWidth, screenHeight);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    renderActiveEffects(frameEffects, t, timing);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}
