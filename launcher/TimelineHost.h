#pragma once
// The launcher's side of the timeline: it owns the run's effect list and event queue,
// publishes them, loads the script into them and plays them frame by frame.
#include "launcher/LaunchOptions.h"

#include <cstdint>

// Constructs the (empty) effect list and event queue and publishes both.
void createTimeline();
// Loads the demo script into the published timeline (sets demoStart, demoEnd, beatLength).
void loadTimelineScript(const char* scriptName);
// Releases the event records and the list storage after the frame loop.
void releaseTimeline();

// --dump-timeline: loads the script and prints the timeline as JSON on stdout.
// Returns the process exit code.
int dumpTimeline(const LaunchOptions& options);
