#include "launcher/AuthorCommands.h"

#include "base/DemoNames.h"
#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "base/LumoraWindow.h"
#include "demoSystem/TimelineJson.h"
#include "engine/SceneJson.h"
#include "engine/SceneLoaderLVG.h"
#include "launcher/LumoraLauncher.h"
#include "launcher/TimelineHost.h"

#include <cstdio>
#include <string>

namespace {

// The data source and a small hidden window whose context loaders may draw into.
// False (with the reason on stderr) when no GL comes up.
bool openLoadingContext(const LaunchOptions& options, LumoraWindow& window) {
    useDemoData(options.dataDirectory);
    std::string error;
    if (!initVideo(true, error)) {
        std::fprintf(stderr, "lumora: %s\n", error.c_str());
        return false;
    }
    if (!window.create(demoTitle, 64, 64, 32, false, nullptr, 0, nullptr)) {
        reportError(LUMORA_HERE, "Window creation failed", true);
    }
    return true;
}

void printLine(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

std::optional<int> runAuthorCommand(const LaunchOptions& options) {
    if (options.dumpTimeline) {
        return dumpTimeline(options);
    }
    if (options.dumpScene) {
        return dumpScene(options);
    }
    return std::nullopt;
}

int dumpTimeline(const LaunchOptions& options) {
    LumoraWindow window;
    if (!openLoadingContext(options, window)) {
        return 1;
    }
    createTimeline();
    loadTimelineScript(demoScriptName);
    printLine(timelineJson(*publishedEffectList, *publishedEventQueue, demoStart, demoEnd, beatLength));
    window.destroy();
    return 0;
}

int dumpScene(const LaunchOptions& options) {
    LumoraWindow window;
    if (!openLoadingContext(options, window)) {
        return 1;
    }
    const std::string& path = options.dumpScenePath;
    Scene* scene = SceneLoaderLVG::load(path, sceneCompressedTextureFolder, sceneTextureFolder);
    if (!scene) {
        reportErrorText(LUMORA_HERE, "could not load scene", path.c_str(), false);
        window.destroy();
        return 1;
    }
    printLine(sceneJson(*scene));
    window.destroy();
    return 0;
}
