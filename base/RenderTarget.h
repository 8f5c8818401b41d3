#pragma once
// An off-screen frame buffer (framebuffer object) with a colour texture and, optionally, a
// depth texture, for blur and glow passes, render-to-texture effects, depth of field and
// shadow maps.
//
// Textures come from the texture cache under "<name>_colorbuffer" and "<name>_depthbuffer",
// so two render targets initialised with one name share their textures. The cache rounds
// the colour texture up to powers of two (at least 8); width() and height() stay the
// requested size, which is what users set their viewport to.
//
// Binding nests: bind() pushes this target on one stack shared by all render targets,
// unbind() pops and returns to the target below, or to the window's frame buffer.
// Everything but init() and isInited() on a target that is not inited is the fatal
// report "RenderTarget not inited". GL objects are never released; they end with the
// context.
#include <cstdint>
#include <string>

class Texture;

class RenderTarget {
public:
    // Flags for init.
    static constexpr uint32_t withDepth = 1;
    static constexpr uint32_t depthCompare = 2;  // with withDepth: set up for shadow maps
    static constexpr uint32_t rgbaColor = 4;      // colour GL_RGBA instead of GL_RGB

    // Once per render target, with the GL context current; leaves frame buffer 0 bound.
    void init(const std::string& name, int32_t width, int32_t height, uint32_t flags);
    void bind();
    void unbind();

    uint32_t colorTextureName() const;
    uint32_t depthTextureName() const;
    int32_t width() const;
    int32_t height() const;
    bool isInited() const { return inited; }
    // Sets a GL_TEXTURE_2D parameter (wrap, filter) on the colour texture.
    void setTextureParameter(uint32_t parameter, int32_t value);

    // How many render targets are bound now (0: the window's frame buffer).
    static size_t bindingDepth();
    // Back to the target bound at that depth, for a frame that a fatal report ended half
    // way (watch mode); nothing when no more are bound.
    static void unbindTo(size_t depth);

private:
    void requireInited() const;

    uint32_t frameBuffer = 0;
    Texture* colorTexture = nullptr;
    Texture* depthTexture = nullptr;
    int32_t requestedWidth = 0;
    int32_t requestedHeight = 0;
    bool inited = false;
};
