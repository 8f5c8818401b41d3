#pragma once
// The program's start once the command line is read (main calls runApplication): either
// the command line's settings, or the FSAA probe and the settings dialog, whose texts are
// mapped to numbers; then the shadow switch is published and the demo runs.
//
// Leaving the dialog with Escape or its close box starts nothing and ends the program
// with exit code 0. Without a display nobody could answer the dialog, so such a run
// starts with the command line's defaults instead, as --no-dialog would.
#include "base/DemoSettings.h"
#include "base/SettingsDialog.h"
#include "launcher/LaunchOptions.h"

#include <functional>
#include <string_view>

struct ScreenSize {
    int width;
    int height;
};

// Exact texts only: "640x480", "1024x768", "1280x1024"; anything else is 800 x 600.
ScreenSize resolutionFromText(std::string_view text);
// "2X FSAA", "4X FSAA", "6X FSAA", "8X FSAA" by exact text; anything else is 0 samples.
int fsaaSamplesFromText(std::string_view text);
DemoSettings demoSettingsFrom(const DialogSettings& choice);

// Publishes shadowsDisabled and runs the demo with these settings.
void startDemo(const DemoSettings& settings);
// The one start without the dialog: probes the driver's FSAA modes when samples are
// asked for (the demo window needs the probe's formats), keeps a fixed-step run silent, then
// startDemo.
void startWithCommandLineSettings(const LaunchOptions& options);

// Runs the dialog modally; on Launch sets shadowsDisabled and calls startDemo. Returns
// the exit code (0 for both Launch and Escape). A dialog that cannot open is fatal.
int startFromDialog(SettingsDialog& dialog, const std::function<void(const DemoSettings&)>& startDemo);

// The command line's settings when any option skips the dialog (or no display could show
// it), the dialog otherwise. Returns the exit code.
int runApplication(const LaunchOptions& options);
