#include "base/ImGuiRenderer.h"

#include <imgui.h>

#include <cstdint>

GLuint ImGuiRenderer::uploadFontAtlas(ImGuiIO& io) {
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    io.Fonts->SetTexID(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(texture)));
    return texture;
}

void ImGuiRenderer::render(const ImDrawData* data) {
    int framebufferWidth = int(data->DisplaySize.x * data->FramebufferScale.x);
    int framebufferHeight = int(data->DisplaySize.y * data->FramebufferScale.y);
    if (framebufferWidth <= 0 || framebufferHeight <= 0) {
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_SCISSOR_TEST);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glViewport(0, 0, framebufferWidth, framebufferHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(data->DisplayPos.x, data->DisplayPos.x + data->DisplaySize.x,
            data->DisplayPos.y + data->DisplaySize.y, data->DisplayPos.y, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    ImVec2 offset = data->DisplayPos;
    ImVec2 scale = data->FramebufferScale;
    for (int n = 0; n < data->CmdListsCount; ++n) {
        const ImDrawList* list = data->CmdLists[n];
        const ImDrawVert* vertices = list->VtxBuffer.Data;
        const ImDrawIdx* indices = list->IdxBuffer.Data;
        glVertexPointer(2, GL_FLOAT, sizeof(ImDrawVert), &vertices->pos);
        glTexCoordPointer(2, GL_FLOAT, sizeof(ImDrawVert), &vertices->uv);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(ImDrawVert), &vertices->col);
        for (const ImDrawCmd& command : list->CmdBuffer) {
            if (command.UserCallback) {
                if (command.UserCallback != ImDrawCallback_ResetRenderState) {
                    command.UserCallback(list, &command);
                }
                continue;
            }
            float minX = (command.ClipRect.x - offset.x) * scale.x;
            float minY = (command.ClipRect.y - offset.y) * scale.y;
            float maxX = (command.ClipRect.z - offset.x) * scale.x;
            float maxY = (command.ClipRect.w - offset.y) * scale.y;
            if (maxX <= minX || maxY <= minY) {
                continue;
            }
            glScissor(int(minX), int(float(framebufferHeight) - maxY), int(maxX - minX), int(maxY - minY));
            glBindTexture(GL_TEXTURE_2D, GLuint(reinterpret_cast<intptr_t>(command.TextureId)));
            glDrawElements(GL_TRIANGLES, GLsizei(command.ElemCount),
                           sizeof(ImDrawIdx) == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
                           indices + command.IdxOffset);
        }
    }
    glDisable(GL_SCISSOR_TEST);
}
