#pragma once
// Draws Dear ImGui's draw lists with fixed-function GL through the engine's extension
// loader (ImGui's own OpenGL2 back end would need libGL's symbols directly), and uploads
// its font atlas. Meant for a window whose context is its own, as the settings dialog's
// is: it sets the state it needs and restores nothing.
#include <epoxy/gl.h>

struct ImDrawData;
struct ImGuiIO;

class ImGuiRenderer {
public:
    // Uploads the atlas as an RGBA texture and hands ImGui its id; the caller deletes it.
    static GLuint uploadFontAtlas(ImGuiIO& io);
    // Draws a rendered frame into the current context's frame buffer.
    static void render(const ImDrawData* data);
};
