#pragma once
// --video FILE: frames piped as raw RGB video into the ffmpeg program found on PATH,
// together with the soundtrack section as a WAV file, into one video file. The codecs
// follow the file's extension: .mp4 holds H.264 (yuv420p) and AAC, .webm VP9 and Opus.
// Extra encoder options (--video-args) go in before the output name.
//
// ffmpeg writes to a temporary name beside the file ("FILE.part"); only a finished,
// successful encode is renamed to FILE, so a failure leaves no half-written file under
// the given name. ffmpeg's own errors come through on stderr.
//
// Use: check() before anything renders; start() once the size and the section are known;
// writeFrame() per frame (from the capture's worker thread); finish().
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class VideoEncoder {
public:
    VideoEncoder() = default;
    ~VideoEncoder();  // an unfinished encode is stopped and its temporary file removed
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // ffmpeg on PATH, the extension known, the place writable. False with a message.
    bool check(const std::string& file, std::string& error);
    // Starts ffmpeg. audioWav may be empty (no sound track).
    bool start(const std::string& file, const std::string& extraArguments, int width, int height, int fps,
               const std::string& audioWav, std::string& error);
    // One frame, rows top first, RGB; false when ffmpeg is gone.
    bool writeFrame(const uint8_t* rgb, size_t bytes);
    // Waits for ffmpeg; on success the file is in place. False with a message otherwise.
    bool finish(std::string& error);

    // ffmpeg's arguments for these settings (without the program name).
    static std::vector<std::string> arguments(const std::string& output, const std::string& extension,
                                              const std::string& extraArguments, int width, int height, int fps,
                                              const std::string& audioWav);
    // The program's path when it is on PATH; empty otherwise.
    static std::string findOnPath(const std::string& program);
    // Blank-separated words; double or single quotes keep blanks inside a word.
    static std::vector<std::string> splitWords(const std::string& text);
    static std::string temporaryName(const std::string& file) { return file + ".part"; }

private:
    void abandon();

    std::string ffmpeg;
    std::string target;
    pid_t child = -1;
    int pipeToChild = -1;
};
