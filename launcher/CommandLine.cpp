#include "launcher/LaunchOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool parseUnsigned(std::string_view text, uint64_t limit, uint64_t& value) {
    if (text.empty() || text.size() > 19) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + uint64_t(c - '0');
    }
    return value <= limit;
}

bool parseSize(std::string_view text, int& width, int& height) {
    size_t cross = text.find('x');
    uint64_t w = 0, h = 0;
    if (cross == std::string_view::npos ||
        !parseUnsigned(text.substr(0, cross), 16384, w) ||
        !parseUnsigned(text.substr(cross + 1), 16384, h) || w == 0 || h == 0) {
        return false;
    }
    width = int(w);
    height = int(h);
    return true;
}

}  // namespace

const char* usageText() {
    return
        "Usage: lumora [OPTION]...\n"
        "Plays the demo \"Lumora Vesk - Corvane\". Without options a settings dialog asks\n"
        "for resolution, anti-aliasing, fullscreen, music and shadows.\n"
        "\n"
        "Settings (any of them skips the dialog):\n"
        "  --size WxH          window size in pixels (default 1024x768)\n"
        "  --fsaa N            anti-aliasing samples: 0, 2, 4, 6 or 8 (default 0)\n"
        "  --fullscreen        change the display mode and fill the screen\n"
        "  --windowed          play in a window (default)\n"
        "  --music, --no-music play the soundtrack or not (default: play)\n"
        "  --shadows, --no-shadows\n"
        "                      draw shadows in the 3D scenes or not (default: draw)\n"
        "  --no-dialog         start at once with the settings above\n"
        "\n"
        "Running without a display:\n"
        "  --headless          render offscreen (chosen by itself when neither DISPLAY nor\n"
        "                      WAYLAND_DISPLAY is set); messages go to stderr only\n"
        "  --capture DIR       render on a fixed-step clock and write every frame as\n"
        "                      DIR/frame_NNNNNN.png; music off\n"
        "  --fps N             frames per second of demo time when capturing (default 30)\n"
        "  --from MS           first captured time in milliseconds (default: demo start)\n"
        "  --to MS             last captured time in milliseconds (default: demo end)\n"
        "\n"
        "For demo authors:\n"
        "  --data DIR          read data files as plain files under DIR instead of the pack\n"
        "  --dump-timeline     load the script and print its timeline as JSON, then exit\n"
        "  --dump-scene PATH   load the scene file PATH (a data path) and print it as JSON,\n"
        "                      then exit\n"
        "  --help              show this text\n"
        "\n"
        "The pack data.lvp and the music lv_cv05-02.ogg are read from beside the program.\n"
        "Esc or closing the window ends the demo. Exit status: 0 when the demo ran or the\n"
        "dialog was left with Escape, 1 on an error, 2 on a usage error.\n";
}

ParseOutcome parseCommandLine(int argc, const char* const* argv, LaunchOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        auto needValue = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(option) + " needs " + what;
                return nullptr;
            }
            return argv[++i];
        };
        uint64_t number = 0;
        if (option == "--help" || option == "-h") {
            options.help = true;
            return ParseOutcome::Help;
        } else if (option == "--size") {
            const char* value = needValue("a size WxH");
            if (!value) return ParseOutcome::UsageError;
            if (!parseSize(value, options.width, options.height)) {
                error = std::string("invalid size '") + value + "' (expected WxH, such as 1024x768)";
                return ParseOutcome::UsageError;
            }
            options.skipDialog = true;
        } else if (option == "--fsaa") {
            const char* value = needValue("a sample count");
            if (!value) return ParseOutcome::UsageError;
            if (!parseUnsigned(value, 8, number) || (number != 0 && number != 2 && number != 4 && number != 6 && number != 8)) {
                error = std::string("invalid sample count '") + value + "' (expected 0, 2, 4, 6 or 8)";
                return ParseOutcome::UsageError;
            }
            options.fsaaSamples = int(number);
            options.skipDialog = true;
        } else if (option == "--fullscreen" || option == "--windowed") {
            options.fullscreen = option == "--fullscreen";
            options.skipDialog = true;
        } else if (option == "--music" || option == "--no-music") {
            options.music = option == "--music";
            options.skipDialog = true;
        } else if (option == "--shadows" || option == "--no-shadows") {
            options.shadows = option == "--shadows";
            options.skipDialog = true;
        } else if (option == "--no-dialog") {
            options.skipDialog = true;
        } else if (option == "--headless") {
            options.headless = true;
            options.skipDialog = true;
        } else if (option == "--capture") {
            const char* value = needValue("a directory");
            if (!value) return ParseOutcome::UsageError;
            if (!*value) {
                error = "--capture needs a directory";
                return ParseOutcome::UsageError;
            }
            options.capture = true;
            options.captureDirectory = value;
            options.skipDialog = true;
        } else if (option == "--fps") {
            const char* value = needValue("a frame rate");
            if (!value) return ParseOutcome::UsageError;
            if (!parseUnsigned(value, 1000, number) || number == 0) {
                error = std::string("invalid frame rate '") + value + "' (expected a whole number from 1 to 1000)";
                return ParseOutcome::UsageError;
            }
            options.captureFps = int(number);
        } else if (option == "--from" || option == "--to") {
            const char* value = needValue("a time in milliseconds");
            if (!value) return ParseOutcome::UsageError;
            if (!parseUnsigned(value, UINT32_MAX, number)) {
                error = std::string("invalid time '") + value + "' for " + std::string(option) +
                        " (expected milliseconds, 0 or more)";
                return ParseOutcome::UsageError;
            }
            if (option == "--from") {
                options.captureFromGiven = true;
                options.captureFrom = uint32_t(number);
            } else {
                options.captureToGiven = true;
                options.captureTo = uint32_t(number);
            }
        } else if (option == "--data") {
            const char* value = needValue("a directory");
            if (!value) return ParseOutcome::UsageError;
            options.dataDirectory = value;
        } else if (option == "--dump-timeline") {
            options.dumpTimeline = true;
        } else if (option == "--dump-scene") {
            const char* value = needValue("a scene file");
            if (!value) return ParseOutcome::UsageError;
            options.dumpScene = true;
            options.dumpScenePath = value;
        } else {
            error = "unknown option '" + std::string(option) + "'";
            return ParseOutcome::UsageError;
        }
    }
    if (options.captureFromGiven && options.captureToGiven && options.captureTo < options.captureFrom) {
        error = "--to lies before --from";
        return ParseOutcome::UsageError;
    }
    return ParseOutcome::Run;
}
