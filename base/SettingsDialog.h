#pragma once
// The settings dialog shown before the demo starts: resolution, anti-aliasing mode and
// the switches fullscreen, music and shadows, then "Launch" or "Escape".
//
// The application start (launcher/ApplicationStart) runs it modally with run() after the
// FSAA probe, so that the anti-aliasing list holds only the modes the driver offers. It
// is a small SDL2 window of its own with a GL context, drawn with Dear ImGui; it is gone
// again before the demo window opens.
//
// Input comes only from the SDL events the dialog takes off the queue, never from SDL's
// global keyboard or mouse state, so events pushed with SDL_PushEvent drive it exactly as
// a user does; tests run it frame by frame with open() and runFrame(). Keys: Alt+F, Alt+M
// and Alt+S toggle the switches, Enter launches (the default button), Esc or the window's
// close box escape (Esc first closes an open drop-down list).
//
// The layout is the classic dialog template in dialog units (156 x 84), scaled to pixels
// so that it stays readable; controlRect() gives each control's place in the window.
#include "base/ImGuiSdlInput.h"
#include "base/LumoraWindow.h"

#include <SDL.h>

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct ImGuiContext;

enum class DialogOutcome { Open, Launch, Escape };

enum class DialogControl { Launch, Escape, Resolution, Fsaa, Fullscreen, Music, Shadows };

// What the dialog held when it closed; the launcher maps the texts to numbers. The
// switches' values here are the dialog's starting choices: every box ticked.
struct DialogSettings {
    std::string resolution;
    std::string fsaa;
    bool fullscreen = true;
    bool music = true;
    bool shadows = true;
};

// "No FSAA", then one "<n>X FSAA" per supported mode in the table's order (2, 4, 6, 8).
std::vector<std::string> fsaaChoices(const FsaaMode (&modes)[4]);
// The resolution list, in the order shown; the default is resolutionChoices()[1].
const std::vector<std::string>& resolutionChoices();

class SettingsDialog {
public:
    static constexpr const char* caption = "Lumora Vesk - Corvane launcher (2026)";
    static constexpr int unitsWide = 156;
    static constexpr int unitsHigh = 84;
    static constexpr float pixelsPerUnit = 2.5f;

    // The anti-aliasing list is fixed here from the probe's table.
    explicit SettingsDialog(const FsaaMode (&modes)[4]);
    ~SettingsDialog();
    SettingsDialog(const SettingsDialog&) = delete;
    SettingsDialog& operator=(const SettingsDialog&) = delete;

    // Opens the window (SDL video must be up). False with SDL's reason in error.
    bool open(std::string& error);
    // Takes the pending events that belong to this frame, draws and presents one frame.
    // A mouse button or key that changes twice waits for the next frame, so that a press
    // and its release pushed together still make a click.
    void runFrame();
    // Opens if needed and runs frames until Launch or Escape, then closes.
    DialogOutcome run(std::string& error);
    void close();

    bool isOpen() const { return window != nullptr; }
    DialogOutcome outcome() const { return finalOutcome; }
    DialogSettings settings() const;
    Uint32 windowId() const;
    static SDL_Rect controlRect(DialogControl control);
    // Where the open drop-down list drew its entry in the last frame; empty when none.
    SDL_Rect listItemRect(size_t index) const;

    // Draws one frame and writes it as a PNG (the documentation's screenshot).
    bool saveScreenshot(const std::string& path);
    // Offscreen no window manager draws the caption: with this set before open(), the
    // window grows by a plain caption bar above the dialog, so that screenshots show it.
    void drawOwnCaption(bool enabled) { captionHeight = enabled ? 30 : 0; }

private:
    bool takeEvent(const SDL_Event& event);
    void applyKey(const SDL_Event& event);
    void buildFrame();
    void drawFrame();
    bool editableCombo(const char* id, DialogControl control, std::array<char, 64>& text,
                       const std::vector<std::string>& items);
    void mnemonicCheckbox(const char* label, DialogControl control, bool& value);
    void pushButton(const char* label, DialogControl control, bool isDefault, DialogOutcome outcome);
    bool& switchValue(DialogControl control);

    std::vector<std::string> fsaaItems;
    std::array<char, 64> resolutionText{};
    std::array<char, 64> fsaaText{};
    DialogSettings switches;  // the three check boxes; the texts live in the arrays above

    DialogOutcome finalOutcome = DialogOutcome::Open;
    DialogOutcome requestedOutcome = DialogOutcome::Open;
    bool closeListRequested = false;  // Esc or Enter while a drop-down list is open
    bool listWasOpen = false;

    SDL_Window* window = nullptr;
    SDL_GLContext glContext = nullptr;
    ImGuiContext* gui = nullptr;
    unsigned fontTexture = 0;
    uint64_t lastFrameCounter = 0;
    int captionHeight = 0;  // pixels of the caption bar drawOwnCaption asked for
    std::deque<SDL_Event> heldEvents;       // wait for a later frame
    ImGuiSdlInput input;
    std::vector<SDL_Rect> openListItems;
};
