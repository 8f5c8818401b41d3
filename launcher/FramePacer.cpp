#include "launcher/FramePacer.h"

#include <SDL.h>

#include <chrono>
#include <thread>

FramePacer::FramePacer(int maxFps) {
    if (maxFps > 0) {
        budget = SDL_GetPerformanceFrequency() / uint64_t(maxFps);
    }
}

uint64_t FramePacer::nextDue(uint64_t due, uint64_t now, uint64_t budget) {
    uint64_t next = due + budget;
    return due == 0 || next + budget < now ? now + budget : next;
}

void FramePacer::waitForNextFrame() {
    if (budget == 0) {
        return;
    }
    uint64_t now = SDL_GetPerformanceCounter();
    due = nextDue(due, now, budget);
    if (due > now) {
        double seconds = double(due - now) / double(SDL_GetPerformanceFrequency());
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
}
