#pragma once
// Feeds SDL events into the current Dear ImGui context: pointer, buttons, wheel, typed
// text, key states and modifiers. The settings dialog uses it for the input it does not
// interpret itself (its shortcuts, Enter, Esc and the close box stay the dialog's).
//
// Only events handed in count, never SDL's global keyboard or mouse state, so pushed
// events drive it exactly as a user does. ImGui samples its input once per frame; a
// button or key that would change twice in one frame must wait for the next (apply()
// says so), or a press and its release pushed together would never make a click.
#include <SDL.h>

#include <vector>

struct ImGuiIO;

class ImGuiSdlInput {
public:
    // ImGui's navigation and editing keys, mapped to SDL scancodes.
    static void mapKeys(ImGuiIO& io);
    // The window an event is addressed to; 0 for events that concern no window in particular.
    static Uint32 eventWindow(const SDL_Event& event);

    // Starts a frame's input: every button and key may change once again.
    void beginFrame() { changedThisFrame.clear(); }
    // Applies the event to the current context; false when it must wait for the next
    // frame. Events that carry no input are taken and ignored. While Alt is held, typed
    // letters are not typed: they belong to a shortcut.
    bool apply(const SDL_Event& event);

private:
    bool firstChangeThisFrame(int input);

    std::vector<int> changedThisFrame;  // scancodes, and -1 - n for mouse button n
};
