#include "launcher/VideoEncoder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string extensionOf(const std::string& file) {
    size_t dot = file.rfind('.');
    size_t slash = file.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    return file.substr(dot);
}

}  // namespace

VideoEncoder::~VideoEncoder() {
    abandon();
}

std::string VideoEncoder::findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path) {
        return "";
    }
    std::string directories = path;
    size_t begin = 0;
    while (begin <= directories.size()) {
        size_t end = directories.find(':', begin);
        if (end == std::string::npos) {
            end = directories.size();
        }
        std::string directory = directories.substr(begin, end - begin);
        std::string candidate = (directory.empty() ? std::string(".") : directory) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) {
            return candidate;
        }
        begin = end + 1;
    }
    return "";
}

std::vector<std::string> VideoEncoder::splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

std::vector<std::string> VideoEncoder::arguments(const std::string& output, const std::string& extension,
                                                 const std::string& extraArguments, int width, int height, int fps,
                                                 const std::string& audioWav) {
    std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-nostats", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgb24",
                                     "-s", std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate", std::to_string(fps), "-i", "pipe:0"};
    if (!audioWav.empty()) {
        args.insert(args.end(), {"-i", audioWav, "-map", "0:v:0", "-map", "1:a:0"});
    }
    if (extension == ".webm") {
        args.insert(args.end(), {"-c:v", "libvpx-vp9", "-pix_fmt", "yuv420p", "-b:v", "0", "-crf", "32",
                                 "-row-mt", "1", "-deadline", "realtime", "-cpu-used", "8"});
        if (!audioWav.empty()) {
            args.insert(args.end(), {"-c:a", "libopus", "-b:a", "160k", "-ar", "48000"});
        }
    } else {
        args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-preset", "veryfast", "-crf", "18"});
        if (!audioWav.empty()) {
            args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
        }
    }
    // The video's rate is the capture's, frame for frame.
    args.insert(args.end(), {"-r", std::to_string(fps), "-fps_mode", "passthrough"});
    for (const std::string& word : splitWords(extraArguments)) {
        args.push_back(word);
    }
    args.insert(args.end(), {"-f", extension == ".webm" ? "webm" : "mp4", output});
    return args;
}

bool VideoEncoder::check(const std::string& file, std::string& error) {
    std::string extension = extensionOf(file);
    if (extension != ".mp4" && extension != ".webm") {
        error = "the video file '" + file + "' must end in .mp4 or .webm";
        return false;
    }
    ffmpeg = findOnPath("ffmpeg");
    if (ffmpeg.empty()) {
        error = "--video needs the ffmpeg program, and there is none on PATH";
        return false;
    }
    // The place must take a file now, not after the whole demo has rendered.
    std::string temporary = temporaryName(file);
    FILE* probe = std::fopen(temporary.c_str(), "wb");
    if (!probe) {
        error = "cannot write the video file '" + file + "': " + std::strerror(errno);
        return false;
    }
    std::fclose(probe);
    std::remove(temporary.c_str());
    return true;
}

bool VideoEncoder::start(const std::string& file, const std::string& extraArguments, int width, int height, int fps,
                         const std::string& audioWav, std::string& error) {
    if (ffmpeg.empty() && !check(file, error)) {
        return false;
    }
    target = file;
    std::vector<std::string> args =
        arguments(temporaryName(file), extensionOf(file), extraArguments, width, height, fps, audioWav);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(ffmpeg.c_str()));
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    // A pipe whose reader died must fail a write, not end this process.
    std::signal(SIGPIPE, SIG_IGN);
    std::fflush(nullptr);
    child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (child == 0) {
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        close(fds[1]);
        // ffmpeg prints nothing on stdout for a file; keep our stdout clean all the same.
        dup2(STDERR_FILENO, STDOUT_FILENO);
        execv(argv[0], argv.data());
        std::fprintf(stderr, "lumora: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(fds[0]);
    pipeToChild = fds[1];
    return true;
}

bool VideoEncoder::writeFrame(const uint8_t* rgb, size_t bytes) {
    while (bytes > 0 && pipeToChild >= 0) {
        ssize_t written = write(pipeToChild, rgb, bytes);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        rgb += written;
        bytes -= size_t(written);
    }
    return bytes == 0;
}

bool VideoEncoder::finish(std::string& error) {
    if (pipeToChild >= 0) {
        close(pipeToChild);
        pipeToChild = -1;
    }
    int status = 0;
    if (child > 0) {
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        child = -1;
    } else {
        error = "ffmpeg did not run";
        return false;
    }
    std::string temporary = temporaryName(target);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::remove(temporary.c_str());
        error = WIFEXITED(status) ? "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status))
                                  : "ffmpeg ended abnormally";
        return false;
    }
    std::error_code code;
    std::filesystem::rename(temporary, target, code);
    if (code) {
        std::remove(temporary.c_str());
        error = "cannot move the video into place as '" + target + "': " + code.message();
        return false;
    }
    return true;
}

void VideoEncoder::abandon() {
    if (pipeToChild >= 0) {
        close(pipeToChild);
        pipeToChild = -1;
    }
    if (child > 0) {
        kill(child, SIGTERM);
        int status = 0;
        waitpid(child, &status, 0);
        child = -1;
        std::remove(temporaryName(target).c_str());
    }
}
