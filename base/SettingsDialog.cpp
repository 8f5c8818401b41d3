#include "base/SettingsDialog.h"

#include "base/ImGuiRenderer.h"
#include "base/ImGuiSdlInput.h"
#include "base/PngWriter.h"

#include <epoxy/gl.h>
#include <imgui.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Template heights of the combo boxes include their dropped list; the edit part is this.
constexpr float editHeightUnits = 11.0f;
constexpr float fontPixels = 16.0f;
constexpr const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr long fontFileLimit = 8L << 20;

struct ControlPlace {
    DialogControl control;
    int x, y, w, h;  // dialog units
};

constexpr ControlPlace controlPlaces[] = {
    {DialogControl::Launch, 21, 61, 50, 16},     {DialogControl::Escape, 91, 61, 50, 16},
    {DialogControl::Resolution, 7, 7, 73, 40},   {DialogControl::Fsaa, 7, 24, 73, 53},
    {DialogControl::Fullscreen, 95, 4, 47, 15},  {DialogControl::Music, 95, 22, 33, 15},
    {DialogControl::Shadows, 95, 40, 48, 15},
};

struct SwitchLabel {
    DialogControl control;
    const char* label;  // '&' marks the Alt shortcut
};

constexpr SwitchLabel switchLabels[] = {
    {DialogControl::Fullscreen, "&Fullscreen"},
    {DialogControl::Music, "&Music"},
    {DialogControl::Shadows, "&Shadows"},
};

// The label as shown, and the index of its shortcut letter in it (-1 when none).
std::string visibleLabel(const char* label, int& mnemonic) {
    std::string shown;
    mnemonic = -1;
    for (const char* c = label; *c; ++c) {
        if (*c == '&' && c[1] && mnemonic < 0) {
            mnemonic = int(shown.size());
            continue;
        }
        shown += *c;
    }
    return shown;
}

char shortcutLetter(const char* label) {
    int mnemonic = -1;
    std::string shown = visibleLabel(label, mnemonic);
    return mnemonic < 0 ? 0 : char(std::tolower(static_cast<unsigned char>(shown[size_t(mnemonic)])));
}

void copyText(std::array<char, 64>& target, const std::string& text) {
    std::snprintf(target.data(), target.size(), "%s", text.c_str());
}

// A system font reads better than the built-in bitmap font at this size; without it the
// built-in one still works.
void loadFont(ImGuiIO& io) {
    if (FILE* file = std::fopen(fontPath, "rb")) {
        long size = -1;
        if (std::fseek(file, 0, SEEK_END) == 0) {
            size = std::ftell(file);
        }
        if (size > 0 && size <= fontFileLimit && std::fseek(file, 0, SEEK_SET) == 0) {
            // The atlas takes the buffer and frees it with ImGui's allocator.
            void* data = ImGui::MemAlloc(size_t(size));
            if (std::fread(data, 1, size_t(size), file) == size_t(size) &&
                io.Fonts->AddFontFromMemoryTTF(data, int(size), fontPixels)) {
                std::fclose(file);
                return;
            }
            ImGui::MemFree(data);
        }
        std::fclose(file);
    }
    io.Fonts->AddFontDefault();
}

void applyStyle() {
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowPadding = ImVec2(0, 0);
    style.WindowRounding = 0;
    style.WindowBorderSize = 0;
    style.PopupBorderSize = 1;
    style.PopupRounding = 0;
    style.FrameBorderSize = 1;
    style.FrameRounding = 2;
    style.FramePadding = ImVec2(6, std::max(2.0f, (editHeightUnits * SettingsDialog::pixelsPerUnit - fontPixels) / 2));
    style.ItemInnerSpacing = ImVec2(6, 4);
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0.93f, 0.93f, 0.92f, 1.0f);
    style.Colors[ImGuiCol_FrameBg] = ImVec4(1.0f, 1.0f, 1.0f, 1.0f);
    style.Colors[ImGuiCol_Border] = ImVec4(0.55f, 0.55f, 0.55f, 1.0f);
    style.Colors[ImGuiCol_Button] = ImVec4(0.88f, 0.88f, 0.87f, 1.0f);
    style.Colors[ImGuiCol_ButtonHovered] = ImVec4(0.80f, 0.87f, 0.96f, 1.0f);
    style.Colors[ImGuiCol_ButtonActive] = ImVec4(0.68f, 0.79f, 0.93f, 1.0f);
}

void drawCaptionBar(float width, float height) {
    ImDrawList* draw = ImGui::GetBackgroundDrawList();
    draw->AddRectFilled(ImVec2(0, 0), ImVec2(width, height), IM_COL32(52, 78, 120, 255));
    float textY = (height - ImGui::GetFontSize()) / 2;
    draw->AddText(ImVec2(10, textY), IM_COL32_WHITE, SettingsDialog::caption);
    // The close box, as a window manager would draw it.
    float box = height - 10;
    ImVec2 min(width - box - 5, 5);
    draw->AddRectFilled(min, ImVec2(min.x + box, min.y + box), IM_COL32(190, 60, 50, 255), 2);
    float inset = box * 0.3f;
    draw->AddLine(ImVec2(min.x + inset, min.y + inset), ImVec2(min.x + box - inset, min.y + box - inset),
                  IM_COL32_WHITE, 2);
    draw->AddLine(ImVec2(min.x + box - inset, min.y + inset), ImVec2(min.x + inset, min.y + box - inset),
                  IM_COL32_WHITE, 2);
}

}  // namespace

std::vector<std::string> fsaaChoices(const FsaaMode (&modes)[4]) {
    std::vector<std::string> choices{"No FSAA"};
    for (const FsaaMode& mode : modes) {
        if (mode.supported) {
            choices.push_back(std::to_string(mode.samples) + "X FSAA");
        }
    }
    return choices;
}

const std::vector<std::string>& resolutionChoices() {
    static const std::vector<std::string> choices{"640x480", "800x600", "1024x768", "1280x1024"};
    return choices;
}

SettingsDialog::SettingsDialog(const FsaaMode (&modes)[4]) : fsaaItems(fsaaChoices(modes)) {
    copyText(resolutionText, resolutionChoices()[1]);
    copyText(fsaaText, fsaaItems.back());
}

SettingsDialog::~SettingsDialog() {
    close();
}

SDL_Rect SettingsDialog::controlRect(DialogControl control) {
    for (const ControlPlace& place : controlPlaces) {
        if (place.control == control) {
            float h = (control == DialogControl::Resolution || control == DialogControl::Fsaa)
                          ? editHeightUnits : float(place.h);
            return SDL_Rect{int(std::lround(place.x * pixelsPerUnit)), int(std::lround(place.y * pixelsPerUnit)),
                            int(std::lround(place.w * pixelsPerUnit)), int(std::lround(h * pixelsPerUnit))};
        }
    }
    return SDL_Rect{0, 0, 0, 0};
}

bool& SettingsDialog::switchValue(DialogControl control) {
    switch (control) {
        case DialogControl::Fullscreen: return switches.fullscreen;
        case DialogControl::Music: return switches.music;
        default: return switches.shadows;
    }
}

DialogSettings SettingsDialog::settings() const {
    DialogSettings current = switches;
    current.resolution = resolutionText.data();
    current.fsaa = fsaaText.data();
    return current;
}

SDL_Rect SettingsDialog::listItemRect(size_t index) const {
    return index < openListItems.size() ? openListItems[index] : SDL_Rect{0, 0, 0, 0};
}

Uint32 SettingsDialog::windowId() const {
    return window ? SDL_GetWindowID(window) : 0;
}

bool SettingsDialog::open(std::string& error) {
    if (window) {
        return true;
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    int width = int(std::lround(unitsWide * pixelsPerUnit));
    int height = int(std::lround(unitsHigh * pixelsPerUnit)) + captionHeight;
    window = SDL_CreateWindow(caption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (window) {
        glContext = SDL_GL_CreateContext(window);
    }
    if (!glContext || SDL_GL_MakeCurrent(window, glContext) != 0) {
        error = *SDL_GetError() ? SDL_GetError() : "no window with a GL context";
        close();
        return false;
    }

    gui = ImGui::CreateContext();
    ImGui::SetCurrentContext(gui);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the dialog keeps nothing between runs
    io.LogFilename = nullptr;
    ImGuiSdlInput::mapKeys(io);
    loadFont(io);
    applyStyle();
    fontTexture = ImGuiRenderer::uploadFontAtlas(io);

    finalOutcome = requestedOutcome = DialogOutcome::Open;
    lastFrameCounter = 0;
    SDL_RaiseWindow(window);
    return true;
}

void SettingsDialog::close() {
    if (gui) {
        ImGui::DestroyContext(gui);
        gui = nullptr;
    }
    if (glContext) {
        SDL_GL_MakeCurrent(window, glContext);
        if (fontTexture) {
            glDeleteTextures(1, &fontTexture);
            fontTexture = 0;
        }
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (window) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    heldEvents.clear();
}

// Returns false when the event must wait for the next frame.
bool SettingsDialog::takeEvent(const SDL_Event& event) {
    Uint32 target = ImGuiSdlInput::eventWindow(event);
    if (target != 0 && target != windowId()) {
        return true;
    }
    bool closeBox = event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE;
    if (event.type == SDL_QUIT || closeBox) {
        requestedOutcome = DialogOutcome::Escape;
        return true;
    }
    if (!input.apply(event)) {
        return false;
    }
    if (event.type == SDL_KEYDOWN) {
        applyKey(event);
    }
    return true;
}

// The dialog's own keys: the Alt shortcuts of the switches, Enter and Esc.
void SettingsDialog::applyKey(const SDL_Event& event) {
    const ImGuiIO& io = ImGui::GetIO();
    SDL_Keycode key = event.key.keysym.sym;
    if (io.KeyAlt && !io.KeyCtrl) {
        if (event.key.repeat) {
            return;
        }
        for (const SwitchLabel& entry : switchLabels) {
            if (key > 0 && key < 128 && std::tolower(int(key)) == shortcutLetter(entry.label)) {
                bool& value = switchValue(entry.control);
                value = !value;
            }
        }
        return;
    }
    bool enter = key == SDLK_RETURN || key == SDLK_KP_ENTER;
    if (enter || key == SDLK_ESCAPE) {
        if (listWasOpen) {
            closeListRequested = true;
        } else {
            requestedOutcome = enter ? DialogOutcome::Launch : DialogOutcome::Escape;
        }
    }
}

bool SettingsDialog::editableCombo(const char* id, DialogControl control, std::array<char, 64>& text,
                                   const std::vector<std::string>& items) {
    SDL_Rect place = controlRect(control);
    float arrowWidth = ImGui::GetFrameHeight();
    ImGui::PushID(id);
    ImGui::SetCursorPos(ImVec2(float(place.x), float(place.y)));
    ImGui::SetNextItemWidth(float(place.w) - arrowWidth);
    ImGui::InputText("##text", text.data(), text.size(), ImGuiInputTextFlags_AutoSelectAll);
    ImVec2 editMin = ImGui::GetItemRectMin();
    ImGui::SameLine(0, 0);
    if (ImGui::ArrowButton("##open", ImGuiDir_Down)) {
        ImGui::OpenPopup("list");
    }
    ImGui::SetNextWindowPos(ImVec2(editMin.x, editMin.y + ImGui::GetFrameHeight()));
    ImGui::SetNextWindowSizeConstraints(ImVec2(float(place.w), 0), ImVec2(float(place.w), FLT_MAX));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(2, 2));
    bool listOpen = ImGui::BeginPopup("list");
    ImGui::PopStyleVar();
    if (listOpen) {
        for (const std::string& item : items) {
            if (ImGui::Selectable(item.c_str(), item == text.data())) {
                copyText(text, item);
                ImGui::CloseCurrentPopup();
            }
            ImVec2 min = ImGui::GetItemRectMin();
            ImVec2 max = ImGui::GetItemRectMax();
            openListItems.push_back(SDL_Rect{int(min.x), int(min.y), int(max.x - min.x), int(max.y - min.y)});
        }
        if (closeListRequested) {
            ImGui::CloseCurrentPopup();
        }
        ImGui::EndPopup();
    }
    ImGui::PopID();
    return listOpen;
}

void SettingsDialog::mnemonicCheckbox(const char* label, DialogControl control, bool& value) {
    SDL_Rect place = controlRect(control);
    float frame = ImGui::GetFrameHeight();
    ImGui::SetCursorPos(ImVec2(float(place.x), float(place.y) + (float(place.h) - frame) / 2));
    int mnemonic = -1;
    std::string shown = visibleLabel(label, mnemonic);
    ImGui::Checkbox(shown.c_str(), &value);
    if (mnemonic < 0) {
        return;
    }
    // ImGui has no mnemonic underline of its own: draw it under the shortcut letter.
    const ImGuiStyle& style = ImGui::GetStyle();
    ImVec2 origin = ImGui::GetItemRectMin();
    float x = origin.x + frame + style.ItemInnerSpacing.x +
              ImGui::CalcTextSize(shown.c_str(), shown.c_str() + mnemonic).x;
    float letter = ImGui::CalcTextSize(shown.c_str() + mnemonic, shown.c_str() + mnemonic + 1).x;
    float y = std::floor(origin.y + style.FramePadding.y + ImGui::GetFontSize()) + 0.5f;
    ImGui::GetWindowDrawList()->AddLine(ImVec2(x, y), ImVec2(x + letter, y), ImGui::GetColorU32(ImGuiCol_Text));
}

void SettingsDialog::pushButton(const char* label, DialogControl control, bool isDefault, DialogOutcome outcome) {
    SDL_Rect place = controlRect(control);
    ImGui::SetCursorPos(ImVec2(float(place.x), float(place.y)));
    if (isDefault) {
        // The default button, the one Enter presses, wears the stronger frame.
        ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 2.0f);
        ImGui::PushStyleColor(ImGuiCol_Border, ImVec4(0.20f, 0.45f, 0.80f, 1.0f));
    }
    if (ImGui::Button(label, ImVec2(float(place.w), float(place.h)))) {
        requestedOutcome = outcome;
    }
    if (isDefault) {
        ImGui::PopStyleColor();
        ImGui::PopStyleVar();
    }
}

void SettingsDialog::buildFrame() {
    ImGui::SetCurrentContext(gui);
    ImGuiIO& io = ImGui::GetIO();
    int width = 0, height = 0, drawableWidth = 0, drawableHeight = 0;
    SDL_GetWindowSize(window, &width, &height);
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    io.DisplaySize = ImVec2(float(width), float(height));
    if (width > 0 && height > 0) {
        io.DisplayFramebufferScale = ImVec2(float(drawableWidth) / float(width), float(drawableHeight) / float(height));
    }
    uint64_t now = SDL_GetPerformanceCounter();
    double elapsed = lastFrameCounter ? double(now - lastFrameCounter) / double(SDL_GetPerformanceFrequency())
                                      : 1.0 / 60.0;
    io.DeltaTime = float(std::max(elapsed, 1.0e-4));
    lastFrameCounter = now;

    ImGui::NewFrame();
    openListItems.clear();
    if (captionHeight > 0) {
        drawCaptionBar(float(width), float(captionHeight));
    }
    ImGui::SetNextWindowPos(ImVec2(0, float(captionHeight)));
    ImGui::SetNextWindowSize(ImVec2(io.DisplaySize.x, io.DisplaySize.y - float(captionHeight)));
    ImGui::Begin("settings", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus);
    bool listOpen = editableCombo("resolution", DialogControl::Resolution, resolutionText, resolutionChoices());
    listOpen = editableCombo("fsaa", DialogControl::Fsaa, fsaaText, fsaaItems) || listOpen;
    for (const SwitchLabel& entry : switchLabels) {
        mnemonicCheckbox(entry.label, entry.control, switchValue(entry.control));
    }
    pushButton("Launch", DialogControl::Launch, true, DialogOutcome::Launch);
    pushButton("Escape", DialogControl::Escape, false, DialogOutcome::Escape);
    ImGui::End();
    listWasOpen = listOpen && !closeListRequested;
    closeListRequested = false;
    ImGui::Render();
}

void SettingsDialog::drawFrame() {
    const ImVec4& background = ImGui::GetStyle().Colors[ImGuiCol_WindowBg];
    glDisable(GL_SCISSOR_TEST);
    glClearColor(background.x, background.y, background.z, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGuiRenderer::render(ImGui::GetDrawData());
}

void SettingsDialog::runFrame() {
    if (!window) {
        return;
    }
    SDL_GL_MakeCurrent(window, glContext);
    ImGui::SetCurrentContext(gui);
    input.beginFrame();
    std::deque<SDL_Event> incoming;
    incoming.swap(heldEvents);
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        incoming.push_back(event);
    }
    bool holding = false;
    for (const SDL_Event& next : incoming) {
        // Once a frame's events close the dialog, nothing after them counts.
        if (holding || requestedOutcome != DialogOutcome::Open || !takeEvent(next)) {
            holding = true;
            heldEvents.push_back(next);
        }
    }
    buildFrame();
    drawFrame();
    SDL_GL_SwapWindow(window);
    finalOutcome = requestedOutcome;
}

DialogOutcome SettingsDialog::run(std::string& error) {
    if (!open(error)) {
        return DialogOutcome::Escape;
    }
    while (finalOutcome == DialogOutcome::Open) {
        if (heldEvents.empty()) {
            // Idle without spinning; the timeout keeps the text cursor blinking.
            SDL_WaitEventTimeout(nullptr, 250);
        }
        runFrame();
    }
    DialogOutcome outcome = finalOutcome;
    close();
    return outcome;
}

bool SettingsDialog::saveScreenshot(const std::string& path) {
    if (!window) {
        return false;
    }
    // The first frames settle the layout of pop-ups and auto-sized items.
    runFrame();
    runFrame();
    SDL_GL_MakeCurrent(window, glContext);
    buildFrame();
    drawFrame();
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window, &width, &height);
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    SDL_GL_SwapWindow(window);
    std::vector<uint8_t> topFirst(pixels.size());
    size_t row = size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        std::memcpy(&topFirst[size_t(y) * row], &pixels[size_t(height - 1 - y) * row], row);
    }
    for (size_t i = 3; i < topFirst.size(); i += 4) {
        topFirst[i] = 255;  // the window has no transparency; the buffer's alpha means nothing
    }
    return writePng(path, width, height, 4, topFirst.data());
}
