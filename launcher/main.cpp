// lumora: the demo player. See --help.
#include "base/ErrorReport.h"
#include "base/LumoraWindow.h"
#include "launcher/ApplicationStart.h"
#include "launcher/AuthorCommands.h"
#include "launcher/LumoraLauncher.h"

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

    if (std::optional<int> exitCode = runAuthorCommand(launchOptions)) {
        return *exitCode;
    }

    if (!initVideo(launchOptions.headless, error)) {
        std::fprintf(stderr, "lumora: %s\n", error.c_str());
        return 1;
    }
    setReportMessageBoxes(displayInUse() && !launchOptions.headless);

    int exitCode = runApplication(launchOptions);
    SDL_Quit();
    return exitCode;
}
