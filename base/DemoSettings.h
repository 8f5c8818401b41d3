#pragma once
// The settings a demo run starts with: window size, anti-aliasing, fullscreen, music and
// shadows. The values here are the program's defaults, the ones the command line starts
// with and the program-wide values hold before the launcher sets them (base/Globals).
// The settings dialog keeps its own starting choices (its list and check boxes); what it
// returns on "Launch" is mapped into one of these by the application start.

struct DemoSettings {
    int width = 1024;
    int height = 768;
    bool music = true;
    bool fullscreen = false;
    int fsaaSamples = 0;  // 0, 2, 4, 6 or 8
    bool shadows = true;
};
