#include "launcher/ApplicationStart.h"

#include "base/ErrorReport.h"
#include "base/Globals.h"
#include "launcher/LumoraLauncher.h"

#include <cstdio>

ScreenSize resolutionFromText(std::string_view text) {
    if (text == "640x480") {
        return {640, 480};
    }
    if (text == "1024x768") {
        return {1024, 768};
    }
    if (text == "1280x1024") {
        return {1280, 1024};
    }
    return {800, 600};
}

int fsaaSamplesFromText(std::string_view text) {
    if (text == "2X FSAA") {
        return 2;
    }
    if (text == "4X FSAA") {
        return 4;
    }
    if (text == "6X FSAA") {
        return 6;
    }
    if (text == "8X FSAA") {
        return 8;
    }
    return 0;
}

DemoSettings demoSettingsFrom(const DialogSettings& choice) {
    ScreenSize size = resolutionFromText(choice.resolution);
    DemoSettings settings;
    settings.width = size.width;
    settings.height = size.height;
    settings.music = choice.music;
    settings.fullscreen = choice.fullscreen;
    settings.fsaaSamples = fsaaSamplesFromText(choice.fsaa);
    settings.shadows = choice.shadows;
    return settings;
}

void startDemo(const DemoSettings& settings) {
    shadowsDisabled = !settings.shadows;
    runDemo(settings.width, settings.height, settings.music, settings.fullscreen, settings.fsaaSamples);
}

void startWithCommandLineSettings(const LaunchOptions& options) {
    if (options.fsaaSamples > 0) {
        screenWidth = 640;
        screenHeight = 480;
        LumoraWindow probeWindow;
        probeWindow.probe(640, 480, 32, windowProcedure);
    }
    DemoSettings settings = options;
    settings.music = options.music && !fixedStepRun(options);
    startDemo(settings);
}

int startFromDialog(SettingsDialog& dialog, const std::function<void(const DemoSettings&)>& startDemo) {
    std::string error;
    DialogOutcome outcome = dialog.run(error);
    if (!error.empty()) {
        reportErrorText(LUMORA_HERE, "Could not open the settings dialog", error.c_str(), true);
    }
    if (outcome != DialogOutcome::Launch) {
        return 0;
    }
    DemoSettings chosen = demoSettingsFrom(dialog.settings());
    shadowsDisabled = !chosen.shadows;
    startDemo(chosen);
    return 0;
}

int runApplication(const LaunchOptions& options) {
    if (options.skipDialog) {
        startWithCommandLineSettings(options);
        return 0;
    }
    if (!displayInUse()) {
        // An offscreen dialog would wait for input that can never come.
        std::fputs("lumora: no display for the settings dialog; starting with the defaults\n", stderr);
        startWithCommandLineSettings(options);
        return 0;
    }
    screenWidth = 640;
    screenHeight = 480;
    LumoraWindow probeWindow;
    probeWindow.probe(640, 480, 32, windowProcedure);

    SettingsDialog dialog(fsaaModes);
    return startFromDialog(dialog, startDemo);
}
