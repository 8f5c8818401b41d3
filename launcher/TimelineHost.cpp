// Placeholder until the timeline lands: nothing is published, frames draw nothing and
// the demo runs to the default end time.
#include "launcher/TimelineHost.h"

#include "launcher/LumoraLauncher.h"

#include <cstdio>

void createTimeline() {}
void loadTimelineScript(const char*) {}
void releaseTimeline() {}
void renderFrame(uint32_t) {}

int dumpTimeline(const LaunchOptions&) {
    std::fprintf(stderr, "lumora: the timeline is not available in this build\n");
    return 1;
}
