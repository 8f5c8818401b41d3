#include "base/ErrorReport.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

bool messageBoxesEnabled = false;
std::string pendingShaderError;
int recoverableDepth = 0;

// vsnprintf never writes past the buffer and always terminates it: a long text is cut.
void composeInto(char (&buffer)[reportBufferSize], const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
}

void deliver(const char* text, bool fatal) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    if (fatal && recoverableDepth > 0) {
        // The author's next save mends it: no box to click away.
        throw FatalReport{text};
    }
    if (messageBoxesEnabled) {
        Uint32 flags = fatal ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
        SDL_ShowSimpleMessageBox(flags, "error", text, nullptr);
    }
    if (fatal) {
        std::exit(1);
    }
}

}  // namespace

RecoverableReports::RecoverableReports() {
    ++recoverableDepth;
}

RecoverableReports::~RecoverableReports() {
    --recoverableDepth;
}

std::string composeReport(const char* file, int line, const char* message, const char* detail) {
    char buffer[reportBufferSize];
    if (detail) {
        composeInto(buffer, "%s:%d %s: %s", file, line, message, detail);
    } else {
        composeInto(buffer, "%s:%d %s", file, line, message);
    }
    return buffer;
}

void reportError(const char* file, int line, const char* message, bool fatal) {
    deliver(composeReport(file, line, message, nullptr).c_str(), fatal);
}

void reportErrorInt(const char* file, int line, const char* message, int detail, bool fatal) {
    char buffer[reportBufferSize];
    composeInto(buffer, "%s:%d %s: %i", file, line, message, detail);
    deliver(buffer, fatal);
}

void reportErrorText(const char* file, int line, const char* message, const char* detail, bool fatal) {
    deliver(composeReport(file, line, message, detail ? detail : "").c_str(), fatal);
}

void checkTrue(bool condition, const char* file, int line) {
    if (!condition) {
        reportError(file, line, "assertion failed", true);
    }
}

void checkNotNull(const void* value, const char* file, int line) {
    checkTrue(value != nullptr, file, line);
}

void checkNotNull(std::intptr_t value, const char* file, int line) {
    checkTrue(value != 0, file, line);
}

const char* glErrorName(unsigned error) {
    switch (error) {
        case 0x0500: return "GL_INVALID_ENUM";
        case 0x0501: return "GL_INVALID_VALUE";
        case 0x0502: return "GL_INVALID_OPERATION";
        case 0x0503: return "GL_STACK_OVERFLOW";
        case 0x0504: return "GL_STACK_UNDERFLOW";
        case 0x0505: return "GL_OUT_OF_MEMORY";
        default: return "Unknown error";
    }
}

const char* framebufferStatusName(unsigned status) {
    switch (status) {
        case 0x8CD6: return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT";
        case 0x8CD7: return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT";
        case 0x8CD8: return "GL_FRAMEBUFFER_INCOMPLETE_DUPLICATE_ATTACHMENT_EXT";
        case 0x8CD9: return "GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT";
        case 0x8CDA: return "GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT";
        case 0x8CDB: return "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT";
        case 0x8CDC: return "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT";
        case 0x8CDD: return "GL_FRAMEBUFFER_UNSUPPORTED_EXT";
        case 0x8CDE: return "GL_FRAMEBUFFER_STATUS_ERROR_EXT";
        default: return "Unknown error";
    }
}

void checkGLError(const char* file, int line) {
    // One error is read; further queued errors are left for later checks.
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        reportErrorText(file, line, "GL error", glErrorName(error), true);
    }
}

void checkFramebuffer(const char* file, int line) {
    GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
        reportErrorText(file, line, "GL (FBO) error", framebufferStatusName(status), true);
    }
}

void setShaderError(const std::string& log) {
    pendingShaderError = log.empty() ? "unknown shader error" : log;
}

void checkCgError(const char* file, int line) {
    if (!pendingShaderError.empty()) {
        std::string detail;
        detail.swap(pendingShaderError);
        reportErrorText(file, line, "CG error", detail.c_str(), true);
    }
}

void setReportMessageBoxes(bool enabled) {
    messageBoxesEnabled = enabled;
}
