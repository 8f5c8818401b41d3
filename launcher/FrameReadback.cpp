#include "launcher/FrameReadback.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

namespace {

bool havePixelBuffers() {
    return epoxy_gl_version() >= 21 || epoxy_has_gl_extension("GL_ARB_pixel_buffer_object");
}

// The format the driver copies without converting. Where it cannot say (or names one
// of three bytes a pixel), BGRA: what desktop drivers keep their colour buffers in.
GLenum nativeReadFormat() {
    if (epoxy_gl_version() < 41 && !epoxy_has_gl_extension("GL_ARB_ES2_compatibility")) {
        return GL_BGRA;
    }
    GLint format = 0, type = 0;
    glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_FORMAT, &format);
    glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_TYPE, &type);
    bool bytes = type == GL_UNSIGNED_BYTE || (format == GL_BGRA && type == GL_UNSIGNED_INT_8_8_8_8_REV);
    if (format == GL_RGBA && bytes) {
        return GL_RGBA;
    }
    return GL_BGRA;
}

}  // namespace

FrameReadback::FrameReadback(size_t ringSize) : ring(std::max<size_t>(ringSize, 1)) {}

FrameReadback::~FrameReadback() {
    release();
}

void FrameReadback::release() {
    for (Slot& slot : ring) {
        if (slot.buffer) {
            glDeleteBuffers(1, &slot.buffer);
            slot.buffer = 0;
        }
        slot.bytes.clear();
        slot.bytes.shrink_to_fit();
    }
    inFlight.clear();
    next = 0;
}

void FrameReadback::begin(int width, int height) {
    release();
    frameWidth = std::max(width, 0);
    frameHeight = std::max(height, 0);
    format = nativeReadFormat();
    pixelOrder = format == GL_BGRA ? Order::Bgra : Order::Rgba;
    // A ring of one would map each copy at once: no better than reading into memory.
    pixelBuffers = ring.size() > 1 && havePixelBuffers();
    for (Slot& slot : ring) {
        if (pixelBuffers) {
            glGenBuffers(1, &slot.buffer);
            glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
            glBufferData(GL_PIXEL_PACK_BUFFER, GLsizeiptr(frameBytes()), nullptr, GL_STREAM_READ);
        } else {
            slot.bytes.resize(frameBytes());
        }
    }
    if (pixelBuffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
}

bool FrameReadback::read() {
    if (full() || frameBytes() == 0) {
        return false;  // never over a frame not yet taken
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    Slot& slot = ring[next];
    glReadBuffer(GL_BACK);
    if (pixelBuffers) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
        glReadPixels(0, 0, frameWidth, frameHeight, format, GL_UNSIGNED_BYTE, nullptr);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    } else {
        glReadPixels(0, 0, frameWidth, frameHeight, format, GL_UNSIGNED_BYTE, slot.bytes.data());
    }
    inFlight.push_back(next);
    next = (next + 1) % ring.size();
    return true;
}

bool FrameReadback::take(uint8_t* out) {
    if (inFlight.empty()) {
        return false;
    }
    Slot& slot = ring[inFlight.front()];
    inFlight.pop_front();
    if (!pixelBuffers) {
        std::memcpy(out, slot.bytes.data(), frameBytes());
        return true;
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
    const void* mapped = glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (mapped) {
        std::memcpy(out, mapped, frameBytes());
    }
    bool unmapped = mapped && glUnmapBuffer(GL_PIXEL_PACK_BUFFER) == GL_TRUE;
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return unmapped;
}

void FrameReadback::toRgbTopFirst(const uint8_t* pixels, Order order, int width, int height, uint8_t* rgb) {
    const int red = order == Order::Bgra ? 2 : 0;
    const int blue = 2 - red;
    const size_t sourceRow = size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = pixels + size_t(height - 1 - y) * sourceRow;
        uint8_t* to = rgb + size_t(y) * size_t(width) * 3;
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = from[red];
            to[1] = from[1];
            to[2] = from[blue];
        }
    }
}
