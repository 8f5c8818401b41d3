#pragma once
// The program's start without command-line settings (main calls runApplication when no
// option skips the dialog): probe the driver's anti-aliasing modes, ask the settings
// dialog, map its texts to numbers, set the shadow switch and run the demo.
//
// Leaving the dialog with Escape or its close box starts nothing and ends the program
// with exit code 0. Without a display nobody could answer the dialog, so such a run
// starts with the command line's defaults instead, as --no-dialog would.
#include "base/SettingsDialog.h"

#include <functional>
#include <string_view>

// What runDemo is called with, plus the shadow switch the launcher publishes itself.
struct DemoSettings {
    int width = 800;
    int height = 600;
    bool music = true;
    bool fullscreen = true;
    int fsaaSamples = 0;
    bool shadows = true;
};

struct ScreenSize {
    int width;
    int height;
};

// Exact texts only: "640x480", "1024x768", "1280x1024"; anything else is 800 x 600.
ScreenSize resolutionFromText(std::string_view text);
// "2X FSAA", "4X FSAA", "6X FSAA", "8X FSAA" by exact text; anything else is 0 samples.
int fsaaSamplesFromText(std::string_view text);
DemoSettings demoSettingsFrom(const DialogSettings& choice);

// Runs the dialog modally; on Launch sets shadowsDisabled and calls startDemo. Returns
// the exit code (0 for both Launch and Escape). A dialog that cannot open is fatal.
int startFromDialog(SettingsDialog& dialog, const std::function<void(const DemoSettings&)>& startDemo);

int runApplication();
