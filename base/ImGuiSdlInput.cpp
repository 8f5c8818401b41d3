#include "base/ImGuiSdlInput.h"

#include <imgui.h>

#include <algorithm>
#include <cstring>

namespace {

int imguiMouseButton(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT: return 0;
        case SDL_BUTTON_RIGHT: return 1;
        case SDL_BUTTON_MIDDLE: return 2;
        default: return -1;
    }
}

}  // namespace

void ImGuiSdlInput::mapKeys(ImGuiIO& io) {
    io.KeyMap[ImGuiKey_Tab] = SDL_SCANCODE_TAB;
    io.KeyMap[ImGuiKey_LeftArrow] = SDL_SCANCODE_LEFT;
    io.KeyMap[ImGuiKey_RightArrow] = SDL_SCANCODE_RIGHT;
    io.KeyMap[ImGuiKey_UpArrow] = SDL_SCANCODE_UP;
    io.KeyMap[ImGuiKey_DownArrow] = SDL_SCANCODE_DOWN;
    io.KeyMap[ImGuiKey_PageUp] = SDL_SCANCODE_PAGEUP;
    io.KeyMap[ImGuiKey_PageDown] = SDL_SCANCODE_PAGEDOWN;
    io.KeyMap[ImGuiKey_Home] = SDL_SCANCODE_HOME;
    io.KeyMap[ImGuiKey_End] = SDL_SCANCODE_END;
    io.KeyMap[ImGuiKey_Insert] = SDL_SCANCODE_INSERT;
    io.KeyMap[ImGuiKey_Delete] = SDL_SCANCODE_DELETE;
    io.KeyMap[ImGuiKey_Backspace] = SDL_SCANCODE_BACKSPACE;
    io.KeyMap[ImGuiKey_Space] = SDL_SCANCODE_SPACE;
    io.KeyMap[ImGuiKey_Enter] = SDL_SCANCODE_RETURN;
    io.KeyMap[ImGuiKey_Escape] = SDL_SCANCODE_ESCAPE;
    io.KeyMap[ImGuiKey_KeyPadEnter] = SDL_SCANCODE_KP_ENTER;
    io.KeyMap[ImGuiKey_A] = SDL_SCANCODE_A;
    io.KeyMap[ImGuiKey_C] = SDL_SCANCODE_C;
    io.KeyMap[ImGuiKey_V] = SDL_SCANCODE_V;
    io.KeyMap[ImGuiKey_X] = SDL_SCANCODE_X;
    io.KeyMap[ImGuiKey_Y] = SDL_SCANCODE_Y;
    io.KeyMap[ImGuiKey_Z] = SDL_SCANCODE_Z;
}

Uint32 ImGuiSdlInput::eventWindow(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT: return event.window.windowID;
        case SDL_KEYDOWN:
        case SDL_KEYUP: return event.key.windowID;
        case SDL_TEXTINPUT: return event.text.windowID;
        case SDL_MOUSEMOTION: return event.motion.windowID;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: return event.button.windowID;
        case SDL_MOUSEWHEEL: return event.wheel.windowID;
        default: return 0;
    }
}

bool ImGuiSdlInput::firstChangeThisFrame(int input) {
    if (std::find(changedThisFrame.begin(), changedThisFrame.end(), input) != changedThisFrame.end()) {
        return false;
    }
    changedThisFrame.push_back(input);
    return true;
}

bool ImGuiSdlInput::apply(const SDL_Event& event) {
    ImGuiIO& io = ImGui::GetIO();
    switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                io.AddFocusEvent(false);
            }
            return true;
        case SDL_MOUSEMOTION:
            io.MousePos = ImVec2(float(event.motion.x), float(event.motion.y));
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            int button = imguiMouseButton(event.button.button);
            if (button < 0) {
                return true;
            }
            if (!firstChangeThisFrame(-1 - button)) {
                return false;
            }
            io.MousePos = ImVec2(float(event.button.x), float(event.button.y));
            io.MouseDown[button] = event.type == SDL_MOUSEBUTTONDOWN;
            return true;
        }
        case SDL_MOUSEWHEEL:
            io.MouseWheel += float(event.wheel.y);
            return true;
        case SDL_TEXTINPUT: {
            if (io.KeyAlt) {
                return true;
            }
            // A pushed event need not be terminated.
            char text[sizeof(event.text.text) + 1];
            std::memcpy(text, event.text.text, sizeof(event.text.text));
            text[sizeof(event.text.text)] = '\0';
            io.AddInputCharactersUTF8(text);
            return true;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            // A pushed event may carry any number here; read it without trusting the enum.
            int scancode = 0;
            static_assert(sizeof(scancode) == sizeof(event.key.keysym.scancode));
            std::memcpy(&scancode, &event.key.keysym.scancode, sizeof(scancode));
            if (scancode >= 0 && scancode < int(IM_ARRAYSIZE(io.KeysDown))) {
                if (!firstChangeThisFrame(scancode)) {
                    return false;
                }
                io.KeysDown[scancode] = event.type == SDL_KEYDOWN;
            }
            Uint16 mod = event.key.keysym.mod;
            io.KeyCtrl = (mod & KMOD_CTRL) != 0;
            io.KeyShift = (mod & KMOD_SHIFT) != 0;
            io.KeyAlt = (mod & KMOD_ALT) != 0;
            io.KeySuper = (mod & KMOD_GUI) != 0;
            return true;
        }
        default:
            return true;
    }
}
