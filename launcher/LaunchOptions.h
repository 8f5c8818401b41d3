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
    int captureFps = 30;       // frames per second of a fixed-step run (--fps)
    bool captureFpsGiven = false;
    bool captureFromGiven = false;
    uint32_t captureFrom = 0;
    bool captureToGiven = false;
    uint32_t captureTo = 0;

    // --video FILE: the frames and the soundtrack through ffmpeg into one file.
    std::string videoFile;
    std::string videoArgs;     // extra encoder options, split at blanks

    // --bench: the fixed-step clock as fast as it renders, timings instead of files.
    bool bench = false;
    bool benchJson = false;

    enum class Clock { Music, Free };
    Clock clock = Clock::Music;  // live runs: follow the music stream, or the counter alone
    enum class Vsync { Default, On, Off };
    Vsync vsync = Vsync::Default;  // default: on with a window shown, off otherwise
    int maxFps = 60;           // pacing of a live run without vsync; 0 = unlimited

    std::string dataDirectory;  // plain files instead of the pack
    bool watch = false;         // reload changed data files while a live run plays
    bool dumpTimeline = false;
    bool dumpScene = false;
    std::string dumpScenePath;  // data path of the scene file to dump
    bool help = false;
};

enum class ParseOutcome { Run, Help, UsageError };

// Reads argv into options. A usage error leaves a one-line reason in error.
// A run on the fixed-step clock: capture, video or benchmark.
bool fixedStepRun(const LaunchOptions& options);
// Frames per second of a fixed-step run: --fps, else 60 for a benchmark and 30 otherwise.
int fixedStepFps(const LaunchOptions& options);

ParseOutcome parseCommandLine(int argc, const char* const* argv, LaunchOptions& options, std::string& error);
const char* usageText();
