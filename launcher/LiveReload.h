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
//
// Frames are drawn through renderFrame, under which a fatal report (a picture that will
// not load when an event names it, a GL error) ends the frame instead of the program.
// A reloaded timeline that faults is thrown away and the one that ran before it plays
// on from the current time, with the times its script published (events it delivered
// after that time, before a jump back, are delivered again): the timeline before a
// reload is kept until the next one succeeds. A timeline with none before it (the one loaded at start, or
// one already gone back to) stops drawing until a good save loads another.
// Main thread, GL context current.
#include "launcher/FileWatcher.h"

#include <cstdint>
#include <map>
#include <string>

class EffectList;
class EventQueue;

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

    // One frame of the published timeline at t (see above).
    void renderFrame(uint32_t t);
    // Whether a timeline from before the last reload is kept to go back to.
    bool holdsPreviousTimeline() const { return previous.effects != nullptr; }

    // The last "reloaded ..." line or error report; whether it was an error.
    const std::string& lastLine() const { return line; }
    bool lastFailed() const { return failed; }
    uint32_t reloadCount() const { return reloads; }
    const FileWatcher& watcher() const { return files; }

private:
    // A loaded timeline and what its script published besides.
    struct Timeline {
        EffectList* effects = nullptr;
        EventQueue* events = nullptr;
        uint32_t start = 0;
        uint32_t end = 0;
        uint32_t beat = 0;
        uint32_t keyEnd = 0;
        uint32_t leftAt = 0;  // the time of its last frame
    };
    static Timeline published();
    static void publish(const Timeline& timeline);
    static void discard(Timeline& timeline);
    void renderFailed(const std::string& report);

    void takeRecordedReads();
    void reloadChanged(const std::string& path);
    void succeeded(const std::string& path, uint64_t startCounter);
    void failedWith(const std::string& report);

    FileWatcher files;
    Timeline previous;  // owned; none while effects is null
    uint32_t lastFrameTime = 0;
    std::map<std::string, std::string> dataNames;  // file path -> data name
    std::string line;
    bool failed = false;
    uint32_t reloads = 0;
};
