// lumora: the demo player. See --help.
#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "base/LumoraWindow.h"
#include "launcher/ApplicationStart.h"
#include "launcher/LumoraLauncher.h"
#include "launcher/TimelineHost.h"

#include <SDL.h>

#include <cstdio>

int main(int argc, char** argv) {
    std::string error;
    switch (parseCommandLine(argc, argv, launchOptions, error)) {
        case ParseOutcome::Help:
            std::fputs(usageText(), stdout);
            return 0;
        case ParseOutcome::UsageError:
            std::fprintf(stderr, "lumora: %s\nTry 'lumora --help' for more information.\n", error.c_str());
            return 2;
        case ParseOutcome::Run:
            break;
    }

    if (launchOptions.dumpTimeline) {
        return dumpTimeline(launchOptions);
    }

    bool headless = launchOptions.headless;
    if (!initVideo(headless, error)) {
        std::fprintf(stderr, "lumora: %s\n", error.c_str());
        return 1;
    }
    setReportMessageBoxes(displayInUse() && !headless);

    int exitCode = 0;
    if (launchOptions.skipDialog) {
        if (launchOptions.fsaaSamples > 0) {
            LumoraWindow probeWindow;
            screenWidth = 640;
            screenHeight = 480;
            probeWindow.probe(640, 480, 32, windowProcedure);
        }
        shadowsDisabled = !launchOptions.shadows;
        bool music = launchOptions.music && !launchOptions.capture;
        runDemo(launchOptions.width, launchOptions.height, music, launchOptions.fullscreen,
                launchOptions.fsaaSamples);
    } else {
        exitCode = runApplication();
    }
    SDL_Quit();
    return exitCode;
}
