// Time from start to the first presented frame, offscreen.
//
// Runs the real program as a user would (a fresh process each time) for a one-frame
// capture: start-up, window and context, extension check, data, loading picture, script,
// one frame rendered, read back and presented. Prints the median and the spread.
// Usage: bench_Startup [RUNS] [extra lumora options...]  (default: 15 runs; the demo's
// own pack when it lies beside lumora, else an empty script)
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

static double runOnce(const std::vector<std::string>& arguments) {
    auto start = std::chrono::steady_clock::now();
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
    waitpid(child, &status, 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "lumora failed (status %d)\n", status);
        std::exit(1);
    }
    return seconds * 1000.0;
}

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    std::string program = LUMORA_EXECUTABLE;
    fs::path scratch = fs::temp_directory_path() / "lumora-bench-startup";
    fs::create_directories(scratch / "data/data/scripts");
    std::ofstream(scratch / "data/data/scripts/cvdemo.script") << "DEMO_END 1000\n";

    std::vector<std::string> arguments = {program, "--headless", "--no-dialog", "--size", "1024x768",
                                          "--capture", (scratch / "frames").string(), "--to", "0"};
    bool packBeside = fs::exists(fs::path(program).parent_path() / "data.lvp");
    if (!packBeside) {
        arguments.push_back("--data");
        arguments.push_back((scratch / "data").string());
    }
    for (int i = 2; i < argc; ++i) {
        arguments.push_back(argv[i]);
    }

    runOnce(arguments);  // warm the file cache
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(runOnce(arguments));
    }
    std::sort(times.begin(), times.end());
    std::printf("start to first presented frame (1024x768, offscreen, %s): median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n",
                packBeside ? "demo pack" : "empty script", times[times.size() / 2], times.front(), times.back(), runs);
    fs::remove_all(scratch);
    return 0;
}
