#include "launcher/LiveReload.h"

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

LiveReload::~LiveReload() = default;

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
    const uint32_t previousKeyEnd = keyEndTime;
    try {
        RecoverableReports recoverable;
        ScriptLoader loader(*effects, *events);
        loader.load(demoScriptName);
    } catch (const FatalReport& report) {
        // The running timeline stays; so do the times its keys were made with.
        keyEndTime = previousKeyEnd;
        effects->clearEffects();
        failedWith(report.text);
        return false;
    }
    EffectList* oldEffects = publishedEffectList;
    EventQueue* oldEvents = publishedEventQueue;
    publishedEffectList = effects.release();
    publishedEventQueue = events.release();
    if (oldEffects) {
        oldEffects->clearEffects();
        delete oldEffects;
    }
    delete oldEvents;
    return true;
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
