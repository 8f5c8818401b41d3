#include "launcher/LiveReload.h"

#include "launcher/FrameStateUnwind.h"
#include "launcher/TimelineHost.h"

#include "base/DemoNames.h"
#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "base/lvp.h"
#include "demoSystem/EffectVariable.h"
#include "demoSystem/ScriptLoader.h"
#include "demos/EffectList_Test.h"
#include "engine/ShaderManager.h"
#include "resources/TextureCache.h"

#include <SDL.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Reads recorded before the first poll (the start-up load): handed over then.
std::vector<std::pair<std::string, std::string>> recordedReads;

void recordRead(const char* dataName, const std::string& path) {
    // "DIR/" or "./DIR" given: one spelling per file, the one the reload line prints.
    recordedReads.emplace_back(dataName, std::filesystem::path(path).lexically_normal().string());
}

}  // namespace

LiveReload::LiveReload(bool forcePolling) : files(forcePolling) {}

LiveReload::~LiveReload() {
    discard(previous);
}

LiveReload::Timeline LiveReload::published() {
    return Timeline{publishedEffectList, publishedEventQueue, demoStart, demoEnd, beatLength, keyEndTime, 0};
}

void LiveReload::publish(const Timeline& timeline) {
    publishedEffectList = timeline.effects;
    publishedEventQueue = timeline.events;
    demoStart = timeline.start;
    demoEnd = timeline.end;
    beatLength = timeline.beat;
    keyEndTime = timeline.keyEnd;
}

void LiveReload::discard(Timeline& timeline) {
    if (timeline.effects) {
        timeline.effects->clearEffects();
        delete timeline.effects;
    }
    delete timeline.events;
    timeline = Timeline{};
}

void LiveReload::recordReads() {
    DataPack::setPlainOpenObserver(recordRead);
}

void LiveReload::takeRecordedReads() {
    for (auto& [dataName, path] : recordedReads) {
        if (!files.isWatched(path)) {
            files.watch(path);
            dataNames[path] = dataName;
        }
    }
    recordedReads.clear();
}

void LiveReload::poll(uint64_t nowMs) {
    takeRecordedReads();
    std::vector<std::string> changed = files.changes(nowMs);
    bool timelineDone = false;
    for (const std::string& path : changed) {
        const std::string& name = dataNames[path];
        bool heldByName = TextureCache::instance().holdsFile(name) || ShaderManager::instance().holdsFile(name);
        if (!heldByName) {
            // One rebuild covers every file that takes one.
            if (timelineDone) continue;
            timelineDone = true;
        }
        reloadChanged(path);
    }
    // A rebuild reads files too (new pictures, a new scene): watch them as well.
    takeRecordedReads();
}

void LiveReload::reloadChanged(const std::string& path) {
    const std::string& name = dataNames[path];
    uint64_t start = SDL_GetPerformanceCounter();
    try {
        RecoverableReports recoverable;
        if (ShaderManager::instance().holdsFile(name)) {
            ShaderManager::instance().reloadFile(name);
        } else if (TextureCache::instance().holdsFile(name)) {
            if (TextureCache::instance().reloadFile(name) == 0) {
                reportErrorText(LUMORA_HERE, "could not reload picture", path.c_str(), true);
            }
        } else if (!reloadTimeline()) {
            return;
        }
    } catch (const FatalReport& report) {
        failedWith(report.text);
        return;
    }
    succeeded(path, start);
}

bool LiveReload::reloadTimeline() {
    auto effects = std::make_unique<EffectList_Test>();
    auto events = std::make_unique<EventQueue>();
    Timeline running = published();
    running.leftAt = lastFrameTime;
    try {
        RecoverableReports recoverable;
        ScriptLoader loader(*effects, *events);
        loader.load(demoScriptName);
    } catch (const FatalReport& report) {
        // The running timeline stays; so do the times its keys were made with.
        keyEndTime = running.keyEnd;
        effects->clearEffects();
        failedWith(report.text);
        return false;
    }
    // The running timeline has played: it is the one to go back to should the new one
    // fault, and the one kept before it goes.
    discard(previous);
    if (running.effects) {
        previous = running;
    }
    publishedEffectList = effects.release();
    publishedEventQueue = events.release();
    return true;
}

void LiveReload::renderFrame(uint32_t t) {
    lastFrameTime = t;
    FrameStateUnwind state;
    try {
        RecoverableReports recoverable;
        ::renderFrame(t);
    } catch (const FatalReport& report) {
        state.unwind();
        renderFailed(report.text);
    }
}

void LiveReload::renderFailed(const std::string& report) {
    Timeline faulty = published();
    if (previous.effects) {
        if (lastFrameTime < previous.leftAt) {
            // Played back to before where it was left: its cursor goes back to the start.
            previous.events->sort();
        }
        publish(previous);
        previous = Timeline{};
        std::fprintf(stderr, "back to the timeline before the last reload\n");
    } else {
        publish(Timeline{nullptr, nullptr, demoStart, demoEnd, beatLength, keyEndTime, 0});
        std::fprintf(stderr, "nothing more is drawn until a good save\n");
    }
    std::fflush(stderr);
    discard(faulty);
    failedWith(report);
}

void LiveReload::succeeded(const std::string& path, uint64_t startCounter) {
    uint64_t elapsed = SDL_GetPerformanceCounter() - startCounter;
    unsigned long long ms = (unsigned long long)(elapsed * 1000 / SDL_GetPerformanceFrequency());
    char text[512];
    std::snprintf(text, sizeof text, "reloaded %s (%llu ms)", path.c_str(), ms);
    line = text;
    failed = false;
    ++reloads;
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void LiveReload::failedWith(const std::string& report) {
    // The report itself is already on stderr.
    line = report;
    failed = true;
}
