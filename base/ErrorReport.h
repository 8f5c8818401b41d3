#pragma once
// The one way Lumora reports a problem.
//
// A report names the source position that detected the problem ("file:line message",
// optionally ": detail"), goes to stderr, and — when a display is in use and the run is
// not headless — is also shown in a modal box captioned "error". A fatal report then ends
// the program with exit code 1 through exit(), so functions registered with atexit (the
// music shutdown) still run; a non-fatal one returns and the caller carries on with its
// fallback. Reports are composed in a 200-byte buffer; longer texts are cut, never overrun.
//
// Call sites pass their position with LUMORA_HERE; the build maps __FILE__ to the path
// relative to the source root ("launcher/LumoraLauncher.cpp").
#include <cstdint>
#include <string>

#define LUMORA_HERE __FILE__, __LINE__

constexpr int reportBufferSize = 200;

void reportError(const char* file, int line, const char* message, bool fatal);
void reportErrorInt(const char* file, int line, const char* message, int detail, bool fatal);
void reportErrorText(const char* file, int line, const char* message, const char* detail, bool fatal);

// Always fatal: "assertion failed".
void checkTrue(bool condition, const char* file, int line);
void checkNotNull(const void* value, const char* file, int line);
void checkNotNull(std::intptr_t value, const char* file, int line);

// Always fatal when the GL / framebuffer / shader state holds an error.
void checkGLError(const char* file, int line);
void checkFramebuffer(const char* file, int line);
// The shading path's last error: GLSL compile and link failures are recorded with
// setShaderError and reported here as "CG error" with the driver's log as detail.
void checkCgError(const char* file, int line);
void setShaderError(const std::string& log);

const char* glErrorName(unsigned error);
const char* framebufferStatusName(unsigned status);

// Composes "file:line message[: detail]" exactly as a report shows it (cut to fit).
std::string composeReport(const char* file, int line, const char* message, const char* detail);

// While a RecoverableReports object lives (watch mode wraps each reload in one), a fatal
// report goes to stderr as always and then throws FatalReport instead of ending the
// program, so that the reloading code can keep what ran before. Main thread only.
struct FatalReport {
    std::string text;  // the report as printed
};
class RecoverableReports {
public:
    RecoverableReports();
    ~RecoverableReports();
    RecoverableReports(const RecoverableReports&) = delete;
    RecoverableReports& operator=(const RecoverableReports&) = delete;
};

// Whether reports may show a message box: set by the launcher once it knows that a real
// display is in use and the run is not headless. Off by default, so tools and tests only
// ever write to stderr.
void setReportMessageBoxes(bool enabled);
