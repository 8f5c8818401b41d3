#include "base/RenderTarget.h"

#include "base/ErrorReport.h"
#include "resources/TextureCache.h"

#include <epoxy/gl.h>

#include <vector>

namespace {
std::vector<GLuint> bindingStack;
}

void RenderTarget::requireInited() const {
    if (!inited) reportError(LUMORA_HERE, "RenderTarget not inited", true);
}

void RenderTarget::init(const std::string& name, int32_t width, int32_t height, uint32_t flags) {
    requestedWidth = width;
    requestedHeight = height;
    glGenFramebuffersEXT(1, &frameBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);

    TextureCache& cache = TextureCache::instance();
    colorTexture = cache.getBlank(name + "_colorbuffer", width, height, GL_TEXTURE_2D,
                                  (flags & rgbaColor) ? GL_RGBA : GL_RGB);
    checkNotNull(colorTexture, LUMORA_HERE);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colorTexture->name(), 0);

    if (flags & withDepth) {
        depthTexture = cache.getBlank(name + "_depthbuffer", width, height, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT);
        checkNotNull(depthTexture, LUMORA_HERE);
        depthTexture->bind();
        if (flags & depthCompare) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
            glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB, GL_INTENSITY);
        }
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, depthTexture->name(), 0);
    }
    checkGLError(LUMORA_HERE);
    checkFramebuffer(LUMORA_HERE);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    inited = true;
}

void RenderTarget::bind() {
    requireInited();
    bindingStack.push_back(frameBuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    checkFramebuffer(LUMORA_HERE);
}

void RenderTarget::unbind() {
    requireInited();
    checkTrue(!bindingStack.empty(), LUMORA_HERE);
    bindingStack.pop_back();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, bindingStack.empty() ? 0 : bindingStack.back());
    checkFramebuffer(LUMORA_HERE);
}

uint32_t RenderTarget::colorTextureName() const {
    requireInited();
    checkNotNull(colorTexture, LUMORA_HERE);
    return colorTexture->name();
}

uint32_t RenderTarget::depthTextureName() const {
    requireInited();
    checkNotNull(depthTexture, LUMORA_HERE);
    return depthTexture->name();
}

int32_t RenderTarget::width() const {
    requireInited();
    return requestedWidth;
}

int32_t RenderTarget::height() const {
    requireInited();
    return requestedHeight;
}

void RenderTarget::setTextureParameter(uint32_t parameter, int32_t value) {
    requireInited();
    colorTexture->bind();
    glTexParameteri(GL_TEXTURE_2D, parameter, value);
}

size_t RenderTarget::bindingDepth() {
    return bindingStack.size();
}

void RenderTarget::unbindTo(size_t depth) {
    if (bindingStack.size() <= depth) return;
    bindingStack.resize(depth);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, bindingStack.empty() ? 0 : bindingStack.back());
}
