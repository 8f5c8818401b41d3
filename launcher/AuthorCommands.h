#pragma once
// Commands for demo authors: each loads what the demo would load, prints it as JSON on
// stdout and exits, without a demo window or a frame. main runs them before anything else
// (runAuthorCommand); they read data as a run would (the pack, or plain files under
// --data) and need a GL context, never a display, because effects and scenes make their
// textures and render targets while they load. A load error is the loader's fatal report
// (exit code 1).
#include "launcher/LaunchOptions.h"

#include <optional>

// Runs the author command the options ask for and returns its exit code; nothing when
// they ask for none.
std::optional<int> runAuthorCommand(const LaunchOptions& options);

// --dump-timeline: loads the script and prints the timeline as JSON. Returns the exit code.
int dumpTimeline(const LaunchOptions& options);
// --dump-scene PATH: loads the scene as the Scene effect would and prints it as JSON.
// Returns the exit code: 1 after "could not load scene" when there is no scene.
int dumpScene(const LaunchOptions& options);
