#include "launcher/EffectTiming.h"

#include "demoSystem/Effect.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>

void EffectTiming::begin() {
    glFinish();
    startCounter = SDL_GetPerformanceCounter();
}

void EffectTiming::end(const Effect& effect) {
    glFinish();
    double seconds = double(SDL_GetPerformanceCounter() - startCounter) / double(SDL_GetPerformanceFrequency());
    secondsByType[effect.typeName()] += seconds;
}

std::vector<EffectTiming::TypeCost> EffectTiming::costsByType() const {
    std::vector<TypeCost> costs;
    for (const auto& [type, seconds] : secondsByType) {
        costs.push_back(TypeCost{type, seconds});
    }
    std::sort(costs.begin(), costs.end(), [](const TypeCost& a, const TypeCost& b) {
        return a.seconds != b.seconds ? a.seconds > b.seconds : a.type < b.type;
    });
    return costs;
}
