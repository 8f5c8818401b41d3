#include "launcher/FileWatcher.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

FileWatcher::FileWatcher(bool forcePolling) {
    if (!forcePolling) {
        inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }
}

FileWatcher::~FileWatcher() {
    if (inotifyFd >= 0) close(inotifyFd);
}

FileWatcher::Stamp FileWatcher::stampOf(const std::string& path) {
    struct stat info {};
    Stamp stamp;
    if (stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.size = uint64_t(info.st_size);
    stamp.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.inode = uint64_t(info.st_ino);
    return stamp;
}

void FileWatcher::watch(const std::string& path) {
    if (files.count(path)) return;
    files[path] = stampOf(path);
    if (inotifyFd < 0) return;
    std::string directory = directoryOf(path);
    for (const auto& [descriptor, watched] : directories) {
        if (watched == directory) return;
    }
    int descriptor = inotify_add_watch(inotifyFd, directory.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (descriptor >= 0) {
        directories[descriptor] = directory;
    }
}

void FileWatcher::readInotify(std::vector<std::string>& changed) {
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        ssize_t got = read(inotifyFd, buffer, sizeof buffer);
        if (got <= 0) return;  // EAGAIN: nothing more pending
        for (ssize_t offset = 0; offset + ssize_t(sizeof(inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event)) + ssize_t(event->len);
            auto directory = directories.find(event->wd);
            if (directory == directories.end() || event->len == 0 || offset > got) continue;
            std::string path = directory->second + "/" + event->name;
            auto file = files.find(path);
            if (file != files.end()) {
                file->second = stampOf(path);
                changed.push_back(path);
            }
        }
    }
}

void FileWatcher::pollStamps(std::vector<std::string>& changed) {
    for (auto& [path, stamp] : files) {
        Stamp now = stampOf(path);
        if (now == stamp) continue;
        stamp = now;
        // A half-written file shows again at the next poll with its final stamp.
        if (now.exists) changed.push_back(path);
    }
}

std::vector<std::string> FileWatcher::changes(uint64_t nowMs) {
    std::vector<std::string> changed;
    if (inotifyFd >= 0) {
        readInotify(changed);
    } else if (!polledOnce || nowMs - lastPoll >= pollMilliseconds) {
        polledOnce = true;
        lastPoll = nowMs;
        pollStamps(changed);
    }
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    return changed;
}
