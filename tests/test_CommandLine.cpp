// The command line: option parsing, usage errors, and runs of the real program offscreen
// (capture output, exit codes).
#include "launcher/FrameCapture.h"
#include "launcher/LaunchOptions.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

ParseOutcome parse(std::vector<const char*> arguments, LaunchOptions& options, std::string& error) {
    arguments.insert(arguments.begin(), "lumora");
    return parseCommandLine(int(arguments.size()), arguments.data(), options, error);
}

TEST(CommandLineParse, DefaultsOpenTheDialog) {
    LaunchOptions options;
    std::string error;
    ASSERT_EQ(parse({}, options, error), ParseOutcome::Run);
    EXPECT_FALSE(options.skipDialog);
    EXPECT_EQ(options.width, 1024);
    EXPECT_EQ(options.height, 768);
    EXPECT_EQ(options.fsaaSamples, 0);
    EXPECT_FALSE(options.fullscreen);
    EXPECT_TRUE(options.music);
    EXPECT_TRUE(options.shadows);
}

TEST(CommandLineParse, SettingsSkipTheDialog) {
    for (const char* option : {"--no-dialog", "--headless", "--fullscreen", "--windowed", "--music", "--no-music",
                               "--shadows", "--no-shadows"}) {
        LaunchOptions options;
        std::string error;
        ASSERT_EQ(parse({option}, options, error), ParseOutcome::Run) << option;
        EXPECT_TRUE(options.skipDialog) << option;
    }
    LaunchOptions options;
    std::string error;
    ASSERT_EQ(parse({"--size", "320x240", "--fsaa", "4", "--fullscreen", "--no-music", "--no-shadows", "--capture",
                     "out", "--fps", "10", "--from", "500", "--to", "2000", "--data", "d"},
                    options, error),
              ParseOutcome::Run)
        << error;
    EXPECT_EQ(options.width, 320);
    EXPECT_EQ(options.height, 240);
    EXPECT_EQ(options.fsaaSamples, 4);
    EXPECT_TRUE(options.fullscreen);
    EXPECT_FALSE(options.music);
    EXPECT_FALSE(options.shadows);
    EXPECT_TRUE(options.capture);
    EXPECT_EQ(options.captureDirectory, "out");
    EXPECT_EQ(options.captureFps, 10);
    EXPECT_EQ(options.captureFrom, 500u);
    EXPECT_EQ(options.captureTo, 2000u);
    EXPECT_EQ(options.dataDirectory, "d");
}

TEST(CommandLineParse, MalformedValuesAreUsageErrors) {
    std::vector<std::vector<const char*>> bad = {
        {"--size", "0x0"}, {"--size", "abc"}, {"--size", "640x"}, {"--size", "x480"}, {"--size", "99999x10"},
        {"--size", "-640x480"}, {"--fps", "0"}, {"--fps", "abc"}, {"--fps", "-3"}, {"--to", "-5"},
        {"--from", "1.5"}, {"--fsaa", "3"}, {"--fsaa", "16"}, {"--bogus"}, {"--size"}, {"--capture"},
        {"--from", "2000", "--to", "1000"}, {"--to", "99999999999"},
    };
    for (const auto& arguments : bad) {
        LaunchOptions options;
        std::string error;
        EXPECT_EQ(parse(arguments, options, error), ParseOutcome::UsageError) << arguments[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(CaptureFrames, FixedStepTimesAndCounts) {
    EXPECT_EQ(FrameCapture::frameCount(0, 2000, 10), 21u);
    EXPECT_EQ(FrameCapture::frameCount(500, 500, 30), 1u);
    EXPECT_EQ(FrameCapture::frameCount(0, 999, 2), 2u);
    EXPECT_EQ(FrameCapture::frameCount(10, 5, 30), 0u);
    EXPECT_EQ(FrameCapture::frameFileName(7), "frame_000007.png");
}

// A data folder with a tiny script, so the program needs no pack.
class ProgramRun : public testing::Test {
protected:
    void SetUp() override {
        root = makeTempDirectory("cli");
        fs::create_directories(root + "/data/data/scripts");
        std::ofstream(root + "/data/data/scripts/cvdemo.script") << "__HEADER__\nDEMO_START 0\nDEMO_END 3000\n";
    }
    void TearDown() override { fs::remove_all(root); }

    ProgramResult lumora(std::vector<std::string> arguments) {
        return runProgram(LUMORA_EXECUTABLE, arguments, {"SDL_AUDIODRIVER=dummy"});
    }

    static void pngSize(const std::string& path, uint32_t& width, uint32_t& height) {
        std::ifstream file(path, std::ios::binary);
        unsigned char header[24] = {};
        file.read(reinterpret_cast<char*>(header), sizeof header);
        width = uint32_t(header[16]) << 24 | uint32_t(header[17]) << 16 | uint32_t(header[18]) << 8 | header[19];
        height = uint32_t(header[20]) << 24 | uint32_t(header[21]) << 16 | uint32_t(header[22]) << 8 | header[23];
    }

    std::string root;
};

TEST_F(ProgramRun, UsageErrorsExitWithTwo) {
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"--size", "0x0"}, {"--size", "abc"}, {"--fps", "0"}, {"--to", "-5"}, {"--what"}}) {
        ProgramResult result = lumora(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments[0];
        EXPECT_NE(result.err.find("lumora: "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("--help"), std::string::npos);
    }
}

TEST_F(ProgramRun, HelpListsTheOptions) {
    ProgramResult result = lumora({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    for (const char* option : {"--size", "--fsaa", "--fullscreen", "--no-music", "--no-shadows", "--no-dialog",
                               "--headless", "--capture", "--fps", "--from", "--to", "--data", "--dump-timeline"}) {
        EXPECT_NE(result.out.find(option), std::string::npos) << option;
    }
}

TEST_F(ProgramRun, CaptureWritesOneFramePerStepOfTheChosenSize) {
    std::string frames = root + "/frames";
    ProgramResult result = lumora({"--headless", "--no-dialog", "--data", root + "/data", "--capture", frames, "--fps",
                                   "10", "--to", "2000", "--size", "320x240"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(frames)) {
        count += entry.path().extension() == ".png";
    }
    EXPECT_EQ(count, 21u);
    EXPECT_TRUE(fs::exists(frames + "/frame_000020.png"));
    uint32_t width = 0, height = 0;
    pngSize(frames + "/frame_000020.png", width, height);
    EXPECT_EQ(width, 320u);
    EXPECT_EQ(height, 240u);
    EXPECT_NE(result.err.find("21 frames"), std::string::npos) << result.err;
}

TEST_F(ProgramRun, CaptureRangeFromTo) {
    std::string frames = root + "/range";
    ProgramResult result = lumora({"--headless", "--data", root + "/data", "--capture", frames, "--fps", "4",
                                   "--from", "1000", "--to", "2000", "--size", "64x48"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::exists(frames + "/frame_000004.png"));
    EXPECT_FALSE(fs::exists(frames + "/frame_000005.png"));
}

TEST_F(ProgramRun, CaptureIntoAnUnwritablePlaceFails) {
    std::ofstream(root + "/blocker") << "a file, not a folder";
    ProgramResult result = lumora({"--headless", "--data", root + "/data", "--capture", root + "/blocker/sub",
                                   "--to", "100", "--size", "64x48"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("capture directory"), std::string::npos) << result.err;
}

TEST_F(ProgramRun, WithoutDisplayTheDemoRunsOffscreenToItsEnd) {
    std::ofstream(root + "/data/data/scripts/cvdemo.script") << "DEMO_END 300\n";
    ProgramResult result = runProgram(LUMORA_EXECUTABLE, {"--no-dialog", "--data", root + "/data", "--size", "64x48"},
                                      {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

}  // namespace
