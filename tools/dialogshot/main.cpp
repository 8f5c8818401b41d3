// dialogshot OUT.png: draws the settings dialog as it opens, offscreen, with the
// anti-aliasing modes this machine's driver offers, and writes it as a PNG.
#include "base/SettingsDialog.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs("Usage: dialogshot OUT.png\n"
                   "Draws the settings dialog offscreen, as it opens, and writes it as a PNG.\n",
                   argc == 2 ? stdout : stderr);
        return argc == 2 ? 0 : 2;
    }
    std::string error;
    if (!initVideo(true, error)) {
        std::fprintf(stderr, "dialogshot: %s\n", error.c_str());
        return 1;
    }
    LumoraWindow probeWindow;
    probeWindow.probe(640, 480, 32, nullptr);
    SettingsDialog dialog(fsaaModes);
    dialog.drawOwnCaption(true);
    if (!dialog.open(error)) {
        std::fprintf(stderr, "dialogshot: could not open the dialog: %s\n", error.c_str());
        return 1;
    }
    bool written = dialog.saveScreenshot(argv[1]);
    dialog.close();
    SDL_Quit();
    if (!written) {
        std::fprintf(stderr, "dialogshot: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
