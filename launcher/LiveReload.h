#pragma once
// Watch mode (--watch with --data): the demo's files are reloaded while it plays.
//
// The launcher calls recordReads() before the data is first read, so that every plain
// file the demo opens is watched, and poll() once per frame. For each saved file:
// - the script, or a file that nothing holds by name (a scene, ...): the whole timeline
//   is loaded afresh into a new effect list and event queue and replaces the running one
//   at the current time; the next frame delivers every event due by then, as the first
//   frame after a fresh load would;
// - a picture a cached texture was made from: decoded again into that texture;
// - a shader source: compiled again into the programs made from it.
// Each reload prints "reloaded PATH (N ms)" on stderr. A file with an error prints its
// report and leaves the last good version running; the next good save reloads it.
// Main thread, GL context current.
#include "launcher/FileWatcher.h"

#include <cstdint>
#include <map>
#include <string>

class LiveReload {
public:
    explicit LiveReload(bool forcePolling = false);
    ~LiveReload();

    // From now on every plain data file opened is handed to the live LiveReload (or
    // kept until one exists).
    static void recordReads();

    // Reloads what was saved since the last call. nowMs: a millisecond clock.
    void poll(uint64_t nowMs);

    // Loads the script into a fresh timeline and publishes it in place of the running
    // one. False (the running one kept, report in the last line) on an error.
    bool reloadTimeline();

    // The last "reloaded ..." line or error report; whether it was an error.
    const std::string& lastLine() const { return line; }
    bool lastFailed() const { return failed; }
    uint32_t reloadCount() const { return reloads; }
    const FileWatcher& watcher() const { return files; }

private:
    void takeRecordedReads();
    void reloadChanged(const std::string& path);
    void succeeded(const std::string& path, uint64_t startCounter);
    void failedWith(const std::string& report);

    FileWatcher files;
    std::map<std::string, std::string> dataNames;  // file path -> data name
    std::string line;
    bool failed = false;
    uint32_t reloads = 0;
};
