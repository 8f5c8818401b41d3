#pragma once
// Where a frame's time goes, per effect type, for --bench. The frame host calls begin()
// before and end() after each effect's update and render; both wait for the GPU
// (glFinish), so the time between them is the effect's whole cost, CPU and GPU, at the
// price of a pipeline drained once per effect. An image filter's update draws its source
// effect again, so that drawing counts for the filter.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class Effect;

class EffectTiming {
public:
    struct TypeCost {
        std::string type;
        double seconds = 0.0;
    };

    void begin();
    void end(const Effect& effect);

    // Total seconds per type, most expensive first (ties by name).
    std::vector<TypeCost> costsByType() const;

private:
    uint64_t startCounter = 0;
    std::unordered_map<std::string, double> secondsByType;
};
