#pragma once
// What the command line asked for. With no option at all the settings dialog decides.
// The demo settings start at the program's defaults (base/DemoSettings).
#include "base/DemoSettings.h"

#include <cstdint>
#include <string>

struct LaunchOptions : DemoSettings {
    bool skipDialog = false;   // any settings option, --no-dialog, --headless or --capture

    bool headless = false;

    bool capture = false;
    std::string captureDirectory;
    int captureFps = 30;
    bool captureFromGiven = false;
    uint32_t captureFrom = 0;
    bool captureToGiven = false;
    uint32_t captureTo = 0;

    std::string dataDirectory;  // plain files instead of the pack
    bool dumpTimeline = false;
    bool dumpScene = false;
    std::string dumpScenePath;  // data path of the scene file to dump
    bool help = false;
};

enum class ParseOutcome { Run, Help, UsageError };

// Reads argv into options. A usage error leaves a one-line reason in error.
ParseOutcome parseCommandLine(int argc, const char* const* argv, LaunchOptions& options, std::string& error);
const char* usageText();
