// Time from start to the first presented frame, offscreen.
//
// Runs the real program as a user would (a fresh process each time) for a one-frame
// capture: start-up, window and context, extension check, data, loading picture, script,
// one frame rendered, read back, written and presented. Two figures per run: start to the
// first frame (the moment the capture file of frame 0 is closed; the program presents the
// frame right after writing it) and start to the end of the process (shutdown included).
// Prints the median and the spread of each.
// Usage: bench_Startup [RUNS] [extra lumora options...]  (default: 15 runs; the demo's
// own pack when it lies beside lumora, else an empty script)
#include <poll.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Run {
    double firstFrame = -1;  // ms; -1 when the frame file was never seen
    double exit = 0;         // ms
};

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() * 1000.0;
}

// True when the inotify events in buffer include the close of the first frame's file.
bool firstFrameClosed(const char* buffer, ssize_t length) {
    for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && std::strcmp(event->name, "frame_000000.png") == 0) return true;
        at += ssize_t(sizeof(inotify_event) + event->len);
    }
    return false;
}

Run runOnce(const std::vector<std::string>& arguments, const fs::path& frames) {
    fs::remove_all(frames);
    fs::create_directories(frames);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0) inotify_add_watch(watch, frames.c_str(), IN_CLOSE_WRITE);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stderr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    for (;;) {
        if (watch >= 0 && run.firstFrame < 0) {
            pollfd ready{watch, POLLIN, 0};
            if (poll(&ready, 1, 1) > 0) {
                alignas(inotify_event) char buffer[4096];
                const ssize_t length = read(watch, buffer, sizeof buffer);
                if (length > 0 && firstFrameClosed(buffer, length)) run.firstFrame = millisecondsSince(start);
            }
        } else {
            waitpid(child, &status, 0);
            break;
        }
        if (waitpid(child, &status, WNOHANG) == child) break;
    }
    run.exit = millisecondsSince(start);
    if (watch >= 0) close(watch);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "lumora failed (status %d)\n", status);
        std::exit(1);
    }
    return run;
}

void printFigure(const char* what, std::vector<double> times, const char* setting, int runs) {
    std::sort(times.begin(), times.end());
    std::printf("%s (1024x768, offscreen, %s): median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n", what, setting,
                times[times.size() / 2], times.front(), times.back(), runs);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::string program = LUMORA_EXECUTABLE;
    fs::path scratch = fs::temp_directory_path() / ("lumora-bench-startup-" + std::to_string(getpid()));
    fs::create_directories(scratch / "data/data/scripts");
    std::ofstream(scratch / "data/data/scripts/cvdemo.script") << "DEMO_END 1000\n";

    const fs::path frames = scratch / "frames";
    std::vector<std::string> arguments = {program, "--headless", "--no-dialog", "--size", "1024x768",
                                          "--capture", frames.string(), "--to", "0"};
    bool packBeside = fs::exists(fs::path(program).parent_path() / "data.lvp");
    if (!packBeside) {
        arguments.push_back("--data");
        arguments.push_back((scratch / "data").string());
    }
    for (int i = 2; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }

    runOnce(arguments, frames);  // warm the file cache
    std::vector<double> firstFrames, exits;
    for (int i = 0; i < runs; ++i) {
        Run run = runOnce(arguments, frames);
        if (run.firstFrame >= 0) firstFrames.push_back(run.firstFrame);
        exits.push_back(run.exit);
    }
    const char* setting = packBeside ? "demo pack" : "empty script";
    if (!firstFrames.empty()) {
        printFigure("start to first presented frame", firstFrames, setting, int(firstFrames.size()));
    } else {
        std::printf("start to first presented frame: the frame file was never seen\n");
    }
    printFigure("start to process end", exits, setting, runs);
    fs::remove_all(scratch);
    return 0;
}
