#pragma once
// Tells watch mode which of the files it was given have been saved since it last asked.
// LiveReload owns one and asks once per frame.
//
// With inotify it watches the directory of each file (editors often save by writing a
// new file and renaming it over the old one, which a watch on the file itself would
// lose) for finished writes and renames into place; asking costs one non-blocking read.
// Where inotify is absent it compares each file's size, modification time and inode
// every pollMilliseconds instead. A file that vanished is reported when it comes back.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class FileWatcher {
public:
    static constexpr uint32_t pollMilliseconds = 100;

    // forcePolling: use the stat poll even where inotify works (tests).
    explicit FileWatcher(bool forcePolling = false);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Starts watching path (again: nothing changes).
    void watch(const std::string& path);
    bool isWatched(const std::string& path) const { return files.count(path) != 0; }
    size_t watchedCount() const { return files.size(); }
    bool usesInotify() const { return inotifyFd >= 0; }

    // The watched paths written since the last call, each once, in path order.
    // nowMs: any millisecond clock; it paces the stat poll.
    std::vector<std::string> changes(uint64_t nowMs);

private:
    struct Stamp {
        bool exists = false;
        uint64_t size = 0;
        int64_t modifiedNs = 0;
        uint64_t inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const std::string& path);
    void readInotify(std::vector<std::string>& changed);
    void pollStamps(std::vector<std::string>& changed);

    std::map<std::string, Stamp> files;
    std::map<int, std::string> directories;  // inotify watch descriptor -> directory
    int inotifyFd = -1;
    uint64_t lastPoll = 0;
    bool polledOnce = false;
};
