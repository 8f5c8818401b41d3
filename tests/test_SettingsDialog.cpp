// The settings dialog, driven offscreen through pushed SDL events the way a user drives
// it, and the application start's mappings from its texts to the demo's settings.
#include "base/Globals.h"
#include "base/SettingsDialog.h"
#include "launcher/ApplicationStart.h"
#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

constexpr FsaaMode noMultisampling[4] = {{2, false, -1}, {4, false, -1}, {6, false, -1}, {8, false, -1}};
constexpr FsaaMode onlyFourSamples[4] = {{2, false, -1}, {4, true, 4}, {6, false, -1}, {8, false, -1}};
constexpr FsaaMode twoFourEight[4] = {{2, true, 2}, {4, true, 4}, {6, false, -1}, {8, true, 8}};

TEST(SettingsMappings, ResolutionTextsByExactMatch) {
    auto size = [](const char* text) {
        ScreenSize s = resolutionFromText(text);
        return std::make_pair(s.width, s.height);
    };
    EXPECT_EQ(size("640x480"), std::make_pair(640, 480));
    EXPECT_EQ(size("1024x768"), std::make_pair(1024, 768));
    EXPECT_EQ(size("1280x1024"), std::make_pair(1280, 1024));
    for (const char* other : {"800x600", "1600x1200", "", " 640x480", "640X480", "1024x7680", "x"}) {
        EXPECT_EQ(size(other), std::make_pair(800, 600)) << other;
    }
}

TEST(SettingsMappings, FsaaTextsByExactMatch) {
    EXPECT_EQ(fsaaSamplesFromText("2X FSAA"), 2);
    EXPECT_EQ(fsaaSamplesFromText("4X FSAA"), 4);
    EXPECT_EQ(fsaaSamplesFromText("6X FSAA"), 6);
    EXPECT_EQ(fsaaSamplesFromText("8X FSAA"), 8);
    for (const char* other : {"No FSAA", "4x FSAA", "16X FSAA", "4X FSAA ", ""}) {
        EXPECT_EQ(fsaaSamplesFromText(other), 0) << other;
    }
}

TEST(SettingsMappings, FsaaListHoldsOnlyProbedModesInOrder) {
    EXPECT_EQ(fsaaChoices(noMultisampling), std::vector<std::string>{"No FSAA"});
    EXPECT_EQ(fsaaChoices(onlyFourSamples), (std::vector<std::string>{"No FSAA", "4X FSAA"}));
    EXPECT_EQ(fsaaChoices(twoFourEight), (std::vector<std::string>{"No FSAA", "2X FSAA", "4X FSAA", "8X FSAA"}));
}

TEST(SettingsMappings, DefaultsAreTheMiddleResolutionAndTheHighestMode) {
    EXPECT_EQ(resolutionChoices(), (std::vector<std::string>{"640x480", "800x600", "1024x768", "1280x1024"}));
    DialogSettings defaults = SettingsDialog(onlyFourSamples).settings();
    EXPECT_EQ(defaults.resolution, "800x600");
    EXPECT_EQ(defaults.fsaa, "4X FSAA");
    EXPECT_TRUE(defaults.fullscreen && defaults.music && defaults.shadows);
    EXPECT_EQ(SettingsDialog(noMultisampling).settings().fsaa, "No FSAA");
}

TEST(ApplicationStartDeathTest, ADialogThatCannotOpenIsFatalNotAnEscape) {
    // A video driver that does not exist opens no window. Should one open all the same,
    // the queued quit ends the dialog with Escape, and the test fails instead of waiting.
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            SDL_InitSubSystem(SDL_INIT_EVENTS);
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
            SettingsDialog dialog(noMultisampling);
            startFromDialog(dialog, [](const DemoSettings&) { std::exit(0); });
            std::exit(0);
        },
        testing::ExitedWithCode(1), "launcher/ApplicationStart.cpp:[0-9]+ Could not open the settings dialog: .+");
}

TEST(ApplicationStartWithoutDisplay, SkipsTheDialogInsteadOfWaitingForever) {
    // No option skips the dialog; the empty data folder ends the run right after it.
    std::string empty = makeTempDirectory("nodata");
    ProgramResult run = runProgram(LUMORA_EXECUTABLE, {"--data", empty},
                                   {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_AUDIODRIVER=dummy"});
    std::filesystem::remove_all(empty);
    EXPECT_NE(run.err.find("no display for the settings dialog; starting with the defaults"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.exitCode, 1) << run.err;
}

// Drives a real dialog window on SDL's offscreen driver.
class DialogDriver : public testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string error;
        ASSERT_TRUE(initVideo(true, error)) << error;
    }

    void openDialog(const FsaaMode (&modes)[4]) {
        dialog.emplace(modes);
        std::string error;
        ASSERT_TRUE(dialog->open(error)) << error;
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        frames(2);
    }

    void frames(int count) {
        for (int i = 0; i < count && dialog->outcome() == DialogOutcome::Open; ++i) {
            dialog->runFrame();
        }
    }

    void key(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mod = KMOD_NONE) {
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event event{};
            event.type = type;
            event.key.windowID = dialog->windowId();
            event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
            event.key.keysym.sym = sym;
            event.key.keysym.scancode = scancode;
            event.key.keysym.mod = mod;
            SDL_PushEvent(&event);
        }
    }

    void altShortcut(SDL_Keycode letter, SDL_Scancode scancode) {
        // A real keyboard also delivers the letter as text; the dialog must not type it.
        SDL_Event text{};
        text.type = SDL_TEXTINPUT;
        text.text.windowID = dialog->windowId();
        text.text.text[0] = char(letter);
        SDL_Event down{};
        down.type = SDL_KEYDOWN;
        down.key.windowID = dialog->windowId();
        down.key.keysym = {scancode, letter, KMOD_LALT, 0};
        SDL_PushEvent(&down);
        SDL_PushEvent(&text);
        SDL_Event up = down;
        up.type = SDL_KEYUP;
        up.key.keysym.mod = KMOD_NONE;
        SDL_PushEvent(&up);
    }

    void type(const char* text) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        event.text.windowID = dialog->windowId();
        std::snprintf(event.text.text, sizeof(event.text.text), "%s", text);
        SDL_PushEvent(&event);
    }

    void clickAt(int x, int y) {
        SDL_Event motion{};
        motion.type = SDL_MOUSEMOTION;
        motion.motion.windowID = dialog->windowId();
        motion.motion.x = x;
        motion.motion.y = y;
        SDL_PushEvent(&motion);
        for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
            SDL_Event button{};
            button.type = type;
            button.button.windowID = dialog->windowId();
            button.button.button = SDL_BUTTON_LEFT;
            button.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
            button.button.clicks = 1;
            button.button.x = x;
            button.button.y = y;
            SDL_PushEvent(&button);
        }
    }

    void click(DialogControl control) {
        SDL_Rect r = SettingsDialog::controlRect(control);
        clickAt(r.x + r.w / 2, r.y + r.h / 2);
    }

    // The drop-down arrow sits at the right end of a combo's edit box.
    void openList(DialogControl control) {
        SDL_Rect r = SettingsDialog::controlRect(control);
        clickAt(r.x + r.w - r.h / 2, r.y + r.h / 2);
        frames(4);
    }

    void closeBox(Uint32 windowId) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = windowId;
        event.window.event = SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&event);
    }

    // Runs the modal path the program uses and records what it would start. A close box
    // pushed last stops a run whose events did not end it, so a fault fails, never hangs.
    std::optional<DemoSettings> startWithPushedEvents(int& exitCode) {
        closeBox(dialog->windowId());
        std::optional<DemoSettings> started;
        exitCode = startFromDialog(*dialog, [&](const DemoSettings& chosen) { started = chosen; });
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        return started;
    }

    void TearDown() override {
        dialog.reset();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        shadowsDisabled = false;
    }

    std::optional<SettingsDialog> dialog;
};

TEST_F(DialogDriver, EnterLaunchesWithTheDefaults) {
    openDialog(onlyFourSamples);
    key(SDLK_RETURN, SDL_SCANCODE_RETURN);
    int exitCode = -1;
    std::optional<DemoSettings> started = startWithPushedEvents(exitCode);
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(started->width, 800);
    EXPECT_EQ(started->height, 600);
    EXPECT_TRUE(started->music);
    EXPECT_TRUE(started->fullscreen);
    EXPECT_EQ(started->fsaaSamples, 4);
    EXPECT_FALSE(shadowsDisabled);
    EXPECT_FALSE(dialog->isOpen());
}

TEST_F(DialogDriver, LaunchButtonClickedWithTheMouse) {
    openDialog(noMultisampling);
    click(DialogControl::Launch);
    int exitCode = -1;
    std::optional<DemoSettings> started = startWithPushedEvents(exitCode);
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(started->fsaaSamples, 0);
    EXPECT_EQ(started->width, 800);
}

TEST_F(DialogDriver, ChoosingFromTheLists) {
    openDialog(twoFourEight);
    openList(DialogControl::Fsaa);
    SDL_Rect fourSamples = dialog->listItemRect(2);
    ASSERT_GT(fourSamples.h, 0) << "the FSAA list did not open";
    EXPECT_EQ(dialog->listItemRect(4).h, 0) << "the list holds more than the probed modes";
    clickAt(fourSamples.x + fourSamples.w / 2, fourSamples.y + fourSamples.h / 2);
    frames(4);
    EXPECT_EQ(dialog->listItemRect(0).h, 0) << "choosing an entry closes the list";
    EXPECT_EQ(dialog->settings().fsaa, "4X FSAA");

    openList(DialogControl::Resolution);
    SDL_Rect largest = dialog->listItemRect(3);
    ASSERT_GT(largest.h, 0);
    clickAt(largest.x + largest.w / 2, largest.y + largest.h / 2);
    frames(4);
    EXPECT_EQ(dialog->settings().resolution, "1280x1024");

    key(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER);
    int exitCode = -1;
    std::optional<DemoSettings> started = startWithPushedEvents(exitCode);
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(started->fsaaSamples, 4);
    EXPECT_EQ(started->width, 1280);
    EXPECT_EQ(started->height, 1024);
}

TEST_F(DialogDriver, TypedResolutionOutsideTheListStartsAt800x600) {
    openDialog(noMultisampling);
    click(DialogControl::Resolution);
    type("1600x1200");
    key(SDLK_RETURN, SDL_SCANCODE_RETURN);
    int exitCode = -1;
    std::optional<DemoSettings> started = startWithPushedEvents(exitCode);
    EXPECT_EQ(dialog->settings().resolution, "1600x1200");
    ASSERT_TRUE(started.has_value());
    EXPECT_EQ(started->width, 800);
    EXPECT_EQ(started->height, 600);
}

TEST_F(DialogDriver, TypedKnownResolutionAndOverlongText) {
    openDialog(noMultisampling);
    click(DialogControl::Resolution);
    type("1024x768");
    frames(4);
    EXPECT_EQ(dialog->settings().resolution, "1024x768");

    // Far more text than the box holds is cut, not written past it.
    click(DialogControl::Resolution);
    for (int i = 0; i < 10; ++i) {
        type("1234567890123456789012345678901");
    }
    frames(12);
    std::string held = dialog->settings().resolution;
    EXPECT_GT(held.size(), 30u);
    EXPECT_LT(held.size(), 64u);
    EXPECT_EQ(resolutionFromText(held).width, 800);
}

TEST_F(DialogDriver, AltShortcutsToggleTheSwitchesWithoutTyping) {
    openDialog(noMultisampling);
    click(DialogControl::Resolution);  // a focused edit box must not receive the letters
    frames(3);
    altShortcut(SDLK_s, SDL_SCANCODE_S);
    altShortcut(SDLK_m, SDL_SCANCODE_M);
    altShortcut(SDLK_f, SDL_SCANCODE_F);
    altShortcut(SDLK_f, SDL_SCANCODE_F);
    frames(8);
    DialogSettings now = dialog->settings();
    EXPECT_FALSE(now.shadows);
    EXPECT_FALSE(now.music);
    EXPECT_TRUE(now.fullscreen);
    EXPECT_EQ(now.resolution, "800x600");

    key(SDLK_RETURN, SDL_SCANCODE_RETURN);
    int exitCode = -1;
    std::optional<DemoSettings> started = startWithPushedEvents(exitCode);
    ASSERT_TRUE(started.has_value());
    EXPECT_TRUE(shadowsDisabled);
    EXPECT_FALSE(started->music);
    EXPECT_TRUE(started->fullscreen);
}

TEST_F(DialogDriver, ClickingCheckBoxesUntick) {
    openDialog(noMultisampling);
    click(DialogControl::Shadows);
    frames(4);
    click(DialogControl::Fullscreen);
    frames(4);
    DialogSettings now = dialog->settings();
    EXPECT_FALSE(now.shadows);
    EXPECT_FALSE(now.fullscreen);
    EXPECT_TRUE(now.music);
    click(DialogControl::Launch);
    int exitCode = -1;
    std::optional<DemoSettings> started = startWithPushedEvents(exitCode);
    ASSERT_TRUE(started.has_value());
    EXPECT_TRUE(shadowsDisabled);
    EXPECT_FALSE(started->fullscreen);
}

TEST_F(DialogDriver, EscapeKeyButtonAndCloseBoxStartNothing) {
    auto expectNothingStarted = [&](const char* how) {
        int exitCode = -1;
        std::optional<DemoSettings> started = startWithPushedEvents(exitCode);
        EXPECT_FALSE(started.has_value()) << how;
        EXPECT_EQ(exitCode, 0) << how;
        EXPECT_EQ(dialog->outcome(), DialogOutcome::Escape) << how;
        EXPECT_FALSE(dialog->isOpen()) << how;
    };
    openDialog(noMultisampling);
    key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    key(SDLK_RETURN, SDL_SCANCODE_RETURN);  // comes too late to count
    expectNothingStarted("Esc");

    openDialog(noMultisampling);
    click(DialogControl::Escape);
    expectNothingStarted("Escape button");

    openDialog(noMultisampling);
    closeBox(dialog->windowId());
    expectNothingStarted("close box");
}

TEST_F(DialogDriver, EscFirstClosesAnOpenList) {
    openDialog(twoFourEight);
    openList(DialogControl::Resolution);
    ASSERT_GT(dialog->listItemRect(0).h, 0);
    key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    frames(4);
    EXPECT_EQ(dialog->outcome(), DialogOutcome::Open);
    EXPECT_EQ(dialog->listItemRect(0).h, 0);
    key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    frames(4);
    EXPECT_EQ(dialog->outcome(), DialogOutcome::Escape);
}

TEST_F(DialogDriver, EventsForOtherWindowsAndOddEventsAreIgnored) {
    openDialog(noMultisampling);
    SDL_Event enter{};
    enter.type = SDL_KEYDOWN;
    enter.key.windowID = dialog->windowId() + 1000;
    enter.key.keysym = {SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE, 0};
    SDL_PushEvent(&enter);
    closeBox(dialog->windowId() + 1000);
    // A scancode past every table and a text without its terminator.
    SDL_Event odd{};
    odd.type = SDL_KEYDOWN;
    odd.key.windowID = dialog->windowId();
    int farScancode = 100000;
    std::memcpy(&odd.key.keysym.scancode, &farScancode, sizeof(farScancode));
    SDL_PushEvent(&odd);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = dialog->windowId();
    std::memset(text.text.text, 'x', sizeof(text.text.text));
    SDL_PushEvent(&text);
    frames(6);
    EXPECT_EQ(dialog->outcome(), DialogOutcome::Open);
}

// Decodes a PNG written by the dialog; empty on failure.
std::vector<uint8_t> readPng(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        return {};
    }
    width = int(image.width);
    height = int(image.height);
    return pixels;
}

TEST_F(DialogDriver, ScreenshotShowsTheControls) {
    openDialog(twoFourEight);
    std::string directory = makeTempDirectory("dialog");
    std::string path = directory + "/dialog.png";
    ASSERT_TRUE(dialog->saveScreenshot(path));
    int width = 0, height = 0;
    std::vector<uint8_t> pixels = readPng(path, width, height);
    std::filesystem::remove_all(directory);
    ASSERT_EQ(width, 390);
    ASSERT_EQ(height, 210);
    auto darkPixelsIn = [&](const SDL_Rect& r) {
        int dark = 0;
        for (int y = r.y; y < r.y + r.h; ++y) {
            for (int x = r.x; x < r.x + r.w; ++x) {
                const uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
                dark += (p[0] + p[1] + p[2]) < 200 ? 1 : 0;
            }
        }
        return dark;
    };
    // Every control has text or a frame drawn into its place; the empty corner has none.
    for (DialogControl control : {DialogControl::Launch, DialogControl::Escape, DialogControl::Resolution,
                                  DialogControl::Fsaa, DialogControl::Fullscreen, DialogControl::Music,
                                  DialogControl::Shadows}) {
        EXPECT_GT(darkPixelsIn(SettingsDialog::controlRect(control)), 20) << int(control);
    }
    EXPECT_EQ(darkPixelsIn(SDL_Rect{0, 120, 12, 80}), 0);
}

}  // namespace
