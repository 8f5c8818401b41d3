#pragma once
// --bench: frame times of a fixed-step run and what each effect type costs per frame,
// printed as a table on stderr and, with --json, as one JSON object on stdout:
//   {"frames":N,"wallSeconds":S,"fps":F,"frameMs":{"median":..,"p95":..,"p99":..,"max":..},
//    "worstFrameAt":MS,"effects":[{"type":"Scene","instances":n,"msPerFrame":..},...]}
// A frame's time runs from the end of the previous frame (or the start) to the end of its
// own present; effects are listed most expensive first.
#include "launcher/EffectTiming.h"

#include <cstdint>
#include <string>
#include <vector>

class EffectList;

class FrameBench {
public:
    struct EffectCost {
        std::string type;
        int instances = 0;
        double msPerFrame = 0.0;
    };
    struct Summary {
        uint64_t frames = 0;
        double wallSeconds = 0.0;
        double fps = 0.0;
        double medianMs = 0.0, p95Ms = 0.0, p99Ms = 0.0, maxMs = 0.0;
        uint32_t worstFrameAt = 0;
        std::vector<EffectCost> effects;
    };

    void begin();
    // The frame showing demo time t is presented.
    void frameDone(uint32_t t);
    EffectTiming& timing() { return effectTiming; }

    Summary summary(const EffectList& effects) const;
    static std::string table(const Summary& summary);
    static std::string json(const Summary& summary);
    // Nearest rank of the fraction p (0..1) of sorted values; 0 for none.
    static double percentile(const std::vector<double>& sorted, double p);

private:
    uint64_t startCounter = 0;
    uint64_t lastCounter = 0;
    std::vector<double> frameMs;
    std::vector<uint32_t> frameTimes;
    EffectTiming effectTiming;
};
