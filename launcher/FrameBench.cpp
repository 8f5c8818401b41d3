#include "launcher/FrameBench.h"

#include "base/JsonText.h"
#include "demoSystem/Effect.h"
#include "demoSystem/EffectList.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace {

double millisecondsBetween(uint64_t from, uint64_t to) {
    return double(to - from) * 1000.0 / double(SDL_GetPerformanceFrequency());
}

void append(std::string& out, const char* format, auto... values) {
    char line[256];
    std::snprintf(line, sizeof line, format, values...);
    out += line;
}

}  // namespace

void FrameBench::begin() {
    startCounter = lastCounter = SDL_GetPerformanceCounter();
    frameMs.clear();
    frameTimes.clear();
}

void FrameBench::frameDone(uint32_t t) {
    uint64_t now = SDL_GetPerformanceCounter();
    frameMs.push_back(millisecondsBetween(lastCounter, now));
    frameTimes.push_back(t);
    lastCounter = now;
}

double FrameBench::percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) {
        return 0.0;
    }
    size_t rank = size_t(std::ceil(p * double(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

FrameBench::Summary FrameBench::summary(const EffectList& effects) const {
    Summary s;
    s.frames = frameMs.size();
    s.wallSeconds = millisecondsBetween(startCounter, lastCounter) / 1000.0;
    s.fps = s.wallSeconds > 0 ? double(s.frames) / s.wallSeconds : 0.0;
    std::vector<double> sorted = frameMs;
    std::sort(sorted.begin(), sorted.end());
    s.medianMs = percentile(sorted, 0.5);
    s.p95Ms = percentile(sorted, 0.95);
    s.p99Ms = percentile(sorted, 0.99);
    if (!frameMs.empty()) {
        size_t worst = size_t(std::max_element(frameMs.begin(), frameMs.end()) - frameMs.begin());
        s.maxMs = frameMs[worst];
        s.worstFrameAt = frameTimes[worst];
    }

    std::map<std::string, int> instances;
    std::vector<Effect*> all;
    effects.snapshot(all);
    for (const Effect* effect : all) {
        ++instances[effect->typeName()];
    }
    for (const EffectTiming::TypeCost& cost : effectTiming.costsByType()) {
        double perFrame = s.frames ? cost.seconds * 1000.0 / double(s.frames) : 0.0;
        s.effects.push_back(EffectCost{cost.type, instances[cost.type], perFrame});
        instances.erase(cost.type);
    }
    // Types on the timeline that never ran cost nothing, and are listed last.
    for (const auto& [type, count] : instances) {
        s.effects.push_back(EffectCost{type, count, 0.0});
    }
    return s;
}

std::string FrameBench::table(const Summary& s) {
    std::string out;
    append(out, "bench: %llu frames in %.2f s, %.1f frames/s\n", (unsigned long long)s.frames, s.wallSeconds, s.fps);
    append(out, "frame time: median %.2f ms, 95th %.2f ms, 99th %.2f ms, worst %.2f ms (at %u ms)\n", s.medianMs,
           s.p95Ms, s.p99Ms, s.maxMs, s.worstFrameAt);
    append(out, "%-20s %9s %12s\n", "effect type", "instances", "ms/frame");
    for (const EffectCost& cost : s.effects) {
        append(out, "%-20s %9d %12.3f\n", cost.type.c_str(), cost.instances, cost.msPerFrame);
    }
    return out;
}

std::string FrameBench::json(const Summary& s) {
    std::string out;
    append(out, "{\"frames\":%llu,\"wallSeconds\":%.6f,\"fps\":%.3f,", (unsigned long long)s.frames, s.wallSeconds,
           s.fps);
    append(out, "\"frameMs\":{\"median\":%.4f,\"p95\":%.4f,\"p99\":%.4f,\"max\":%.4f},", s.medianMs, s.p95Ms, s.p99Ms,
           s.maxMs);
    append(out, "\"worstFrameAt\":%u,\"effects\":[", s.worstFrameAt);
    for (size_t i = 0; i < s.effects.size(); ++i) {
        const EffectCost& cost = s.effects[i];
        out += i ? ",{\"type\":" : "{\"type\":";
        out += json::quoted(cost.type);
        append(out, ",\"instances\":%d,\"msPerFrame\":%.4f}", cost.instances, cost.msPerFrame);
    }
    return out + "]}";
}
