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

bool hasExtension(std::string_view path, std::string_view extension) {
    return path.size() > extension.size() && path.substr(path.size() - extension.size()) == extension;
}

}  // namespace

bool fixedStepRun(const LaunchOptions& options) {
    return options.capture || options.bench || !options.videoFile.empty();
}

int fixedStepFps(const LaunchOptions& options) {
    return options.captureFpsGiven ? options.captureFps : options.bench ? 60 : 30;
}

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
        "                      DIR/frame_NNNNNN.png and the soundtrack of the section\n"
        "                      as DIR/audio.wav; music off\n"
        "  --video FILE        render on the fixed-step clock into a video through the\n"
        "                      ffmpeg program: .mp4 (H.264, AAC) or .webm (VP9, Opus)\n"
        "  --video-args \"...\"  extra ffmpeg encoder options for --video\n"
        "  --fps N             frames per second of demo time when capturing (default 30;\n"
        "                      60 for --bench)\n"
        "  --from MS           start at this time in milliseconds, music too (default:\n"
        "                      demo start); captures, videos and live runs alike\n"
        "  --to MS             end after this time in milliseconds (default: demo end)\n"
        "\n"
        "Playback:\n"
        "  --clock music|free  follow the music stream (default) or the counter alone\n"
        "  --vsync, --no-vsync wait for the display's refresh or not (default: on with a\n"
        "                      window, off offscreen and when capturing)\n"
        "  --max-fps N         without vsync, at most N frames per second (default 60;\n"
        "                      0 = unlimited)\n"
        "\n"
        "For demo authors:\n"
        "  --data DIR          read data files as plain files under DIR instead of the pack\n"
        "  --watch             with --data: reload each data file when it is saved, while\n"
        "                      the demo plays (see the playback keys below)\n"
        "  --dump-timeline     load the script and print its timeline as JSON, then exit\n"
        "  --dump-scene PATH   load the scene file PATH (a data path) and print it as JSON,\n"
        "                      then exit\n"
        "  --bench             render on the fixed-step clock as fast as possible, write no\n"
        "                      files, print frame and per-effect timings on stderr\n"
        "  --json              with --bench: the same figures as JSON on stdout\n"
        "  --help              show this text\n"
        "\n"
        "The pack data.lvp and the music lv_cv05-02.ogg are read from beside the program.\n"
        "Playback keys: Space pause, Left/Right one beat, Up/Down one bar, PgUp/PgDn 10 s,\n"
        "Home demo start, L loop start/end/off, Tab author overlay.\n"
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
            options.captureFpsGiven = true;
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
        } else if (option == "--watch") {
            options.watch = true;
        } else if (option == "--dump-timeline") {
            options.dumpTimeline = true;
        } else if (option == "--dump-scene") {
            const char* value = needValue("a scene file");
            if (!value) return ParseOutcome::UsageError;
            options.dumpScene = true;
            options.dumpScenePath = value;
        } else if (option == "--video") {
            const char* value = needValue("a file name");
            if (!value) return ParseOutcome::UsageError;
            if (!hasExtension(value, ".mp4") && !hasExtension(value, ".webm")) {
                error = std::string("invalid video file '") + value + "' (expected a name ending in .mp4 or .webm)";
                return ParseOutcome::UsageError;
            }
            options.videoFile = value;
            options.skipDialog = true;
        } else if (option == "--video-args") {
            const char* value = needValue("encoder options");
            if (!value) return ParseOutcome::UsageError;
            options.videoArgs = value;
        } else if (option == "--bench") {
            options.bench = true;
            options.skipDialog = true;
        } else if (option == "--json") {
            options.benchJson = true;
        } else if (option == "--clock") {
            const char* value = needValue("music or free");
            if (!value) return ParseOutcome::UsageError;
            std::string_view clock = value;
            if (clock != "music" && clock != "free") {
                error = std::string("invalid clock '") + value + "' (expected music or free)";
                return ParseOutcome::UsageError;
            }
            options.clock = clock == "music" ? LaunchOptions::Clock::Music : LaunchOptions::Clock::Free;
        } else if (option == "--vsync" || option == "--no-vsync") {
            options.vsync = option == "--vsync" ? LaunchOptions::Vsync::On : LaunchOptions::Vsync::Off;
        } else if (option == "--max-fps") {
            const char* value = needValue("a frame rate");
            if (!value) return ParseOutcome::UsageError;
            if (!parseUnsigned(value, 1000, number)) {
                error = std::string("invalid frame rate '") + value + "' (expected a whole number from 0 to 1000)";
                return ParseOutcome::UsageError;
            }
            options.maxFps = int(number);
        } else {
            error = "unknown option '" + std::string(option) + "'";
            return ParseOutcome::UsageError;
        }
    }
    if (options.watch && options.dataDirectory.empty()) {
        error = "--watch goes with --data";
        return ParseOutcome::UsageError;
    }
    if (options.benchJson && !options.bench) {
        error = "--json goes with --bench";
        return ParseOutcome::UsageError;
    }
    if (!options.videoArgs.empty() && options.videoFile.empty()) {
        error = "--video-args goes with --video";
        return ParseOutcome::UsageError;
    }
    if (int(options.capture) + int(options.bench) + int(!options.videoFile.empty()) > 1) {
        error = "--capture, --video and --bench exclude each other";
        return ParseOutcome::UsageError;
    }
    if (options.captureFromGiven && options.captureToGiven && options.captureTo < options.captureFrom) {
        error = "--to lies before --from";
        return ParseOutcome::UsageError;
    }
    return ParseOutcome::Run;
}
