// `lumora --no-dialog --no-music --headless --data DIR --watch --to 8000` as an author
// runs it: the script is saved while the demo plays, reloads within half a second, a
// broken save is reported and survived, a saved timeline that faults while it plays
// gives way to the last good one, and the run ends with exit code 0 at --to.
// Also --from and --to bounding a live run without --watch.
#include "tests/support/RunProgram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void writeFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A running lumora whose stderr goes to a file the test reads as it grows.
class RunningProgram {
public:
    RunningProgram(const std::vector<std::string>& arguments, const std::string& errPath) : err(errPath) {
        child = fork();
        if (child == 0) {
            int errFd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int nullFd = ::open("/dev/null", O_RDWR);
            dup2(nullFd, 0);
            dup2(nullFd, 1);
            dup2(errFd, 2);
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            std::vector<char*> argv{const_cast<char*>(LUMORA_EXECUTABLE)};
            for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(LUMORA_EXECUTABLE, argv.data());
            _exit(127);
        }
    }
    ~RunningProgram() {
        if (child > 0 && !exited) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
    // Waits (at most timeout) until stderr, from offset on, holds a match; the moment it
    // was seen, or nothing.
    bool waitFor(const std::regex& pattern, size_t& offset, Clock::time_point& seen,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(20000)) {
        Clock::time_point deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            std::string text = slurp(err);
            std::smatch match;
            std::string rest = text.substr(std::min(offset, text.size()));
            if (std::regex_search(rest, match, pattern)) {
                seen = Clock::now();
                offset += size_t(match.position(0) + match.length(0));
                return true;
            }
            if (exitedNow()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    int wait() {
        if (!exited) {
            int status = 0;
            waitpid(child, &status, 0);
            exited = true;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return exitCode;
    }
    std::string output() const { return slurp(err); }

private:
    bool exitedNow() {
        int status = 0;
        if (!exited && waitpid(child, &status, WNOHANG) == child) {
            exited = true;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return exited;
    }
    std::string err;
    pid_t child = -1;
    bool exited = false;
    int exitCode = -1;
};

const char* const firstScript = "DEMO_START 2000\nDEMO_END 60000\n__SETUP__\nINSERT_EFFECT bg AS Clear\n"
                                "__TIMELINE__\n0 b bg\n";

TEST(WatchRun, ASavedScriptReloadsWithinHalfASecondABrokenSaveIsSurvivedAndTheRunEndsAtTo) {
    std::string dir = makeTempDirectory("watchrun");
    std::string script = dir + "/data/scripts/cvdemo.script";
    writeFile(script, firstScript);
    RunningProgram lumora({"--no-dialog", "--no-music", "--headless", "--data", dir, "--watch", "--to", "8000"},
                          dir + "/err");
    size_t offset = 0;
    Clock::time_point seen;
    ASSERT_TRUE(lumora.waitFor(std::regex("watching \\d+ files under "), offset, seen)) << lumora.output();

    Clock::time_point written = Clock::now();
    writeFile(script, std::string(firstScript) + "0 s bg Red 1\n");
    ASSERT_TRUE(lumora.waitFor(std::regex("reloaded " + dir + "/data/scripts/cvdemo\\.script \\(\\d+ ms\\)\n"), offset,
                               seen))
        << lumora.output();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(seen - written).count(), 500)
        << lumora.output();

    writeFile(script, "INSERT_EFFECT bg AS NoSuchType\n");
    ASSERT_TRUE(lumora.waitFor(std::regex("EffectType not found: NoSuchType\n"), offset, seen)) << lumora.output();

    writeFile(script, std::string(firstScript) + "0 s bg Green 1\n");
    ASSERT_TRUE(lumora.waitFor(std::regex("reloaded .*cvdemo\\.script \\(\\d+ ms\\)\n"), offset, seen))
        << lumora.output();

    Clock::time_point before = Clock::now();
    EXPECT_EQ(lumora.wait(), 0) << lumora.output();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - before).count(), 15);
    EXPECT_NE(lumora.output().find(" frames in "), std::string::npos) << lumora.output();
    fs::remove_all(dir);
}

// A timeline that loads and, in its first frame, asks for a picture whose loading is a
// fatal report (a compressed picture that is not square).
std::string faultingScript() {
    return "DEMO_START 2000\nDEMO_END 60000\nDEFINE IMAGEFILE 26\n__SETUP__\nINSERT_EFFECT bg AS Clear\n"
           "INSERT_EFFECT pic AS Image\n__TIMELINE__\n0 b bg\n0 TRIGGER pic IMAGEFILE \"data/images/nonsquare.dds\"\n";
}

void writeNonSquarePicture(const std::string& path) {
    std::string header(124, '\0');
    header[0] = 124;
    header[8] = 4;    // height
    header[12] = 8;   // width
    writeFile(path, "DDS " + header);
}

TEST(WatchRun, AReloadThatFaultsWhileItPlaysGoesBackToTheLastGoodTimelineWhileWithoutWatchTheFaultEndsTheRun) {
    std::string dir = makeTempDirectory("watchfault");
    std::string script = dir + "/data/scripts/cvdemo.script";
    writeFile(script, firstScript);
    writeNonSquarePicture(dir + "/data/images/nonsquare.dds");
    RunningProgram lumora({"--no-dialog", "--no-music", "--headless", "--data", dir, "--watch", "--to", "6000"},
                          dir + "/err");
    size_t offset = 0;
    Clock::time_point seen;
    ASSERT_TRUE(lumora.waitFor(std::regex("watching \\d+ files under "), offset, seen)) << lumora.output();

    writeFile(script, faultingScript());
    ASSERT_TRUE(lumora.waitFor(std::regex("reloaded .*cvdemo\\.script"), offset, seen)) << lumora.output();
    ASSERT_TRUE(lumora.waitFor(std::regex("Non-square compressed images not supported\n"
                                          "back to the timeline before the last reload\n"),
                               offset, seen))
        << lumora.output();
    writeFile(script, std::string(firstScript) + "0 s bg Green 1\n");
    ASSERT_TRUE(lumora.waitFor(std::regex("reloaded .*cvdemo\\.script"), offset, seen)) << lumora.output();
    EXPECT_EQ(lumora.wait(), 0) << lumora.output();
    EXPECT_NE(lumora.output().find(" frames in "), std::string::npos) << lumora.output();

    writeFile(script, faultingScript());
    ProgramResult plain = runProgram(LUMORA_EXECUTABLE,
                                     {"--no-dialog", "--no-music", "--headless", "--data", dir, "--to", "3000"},
                                     {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(plain.exitCode, 1) << plain.err;
    EXPECT_NE(plain.err.find("Non-square compressed images not supported"), std::string::npos) << plain.err;
    EXPECT_EQ(plain.err.find("back to the timeline"), std::string::npos) << plain.err;
    fs::remove_all(dir);
}

TEST(WatchRun, FromAndToBoundALiveRunAndWatchNeedsData) {
    std::string dir = makeTempDirectory("bounded");
    writeFile(dir + "/data/scripts/cvdemo.script", firstScript);
    // 30 s of demo, of which only 500 ms play.
    auto start = Clock::now();
    ProgramResult bounded = runProgram(
        LUMORA_EXECUTABLE, {"--no-dialog", "--no-music", "--headless", "--data", dir, "--from", "20000", "--to", "20500"},
        {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    auto seconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() / 1000.0;
    EXPECT_EQ(bounded.exitCode, 0) << bounded.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(bounded.err, match, std::regex("(\\d+) frames in ([0-9.]+) s"))) << bounded.err;
    EXPECT_GE(std::stod(match[2]), 0.4) << bounded.err;
    EXPECT_LT(std::stod(match[2]), 2.0) << bounded.err;
    EXPECT_LT(seconds, 20.0);

    ProgramResult usage = runProgram(LUMORA_EXECUTABLE, {"--watch"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("--watch goes with --data"), std::string::npos) << usage.err;
    fs::remove_all(dir);
}

}  // namespace
