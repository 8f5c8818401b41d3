#pragma once
// Writes captured frames on a worker thread while the main thread renders the next one.
//
// The main thread takes a buffer (freeBuffer), copies the frame's pixels into it as they
// were read back and hands it over (submit); the worker calls the
// write function for each frame in order and returns the buffer for reuse. At most
// `depth` frames are in flight: freeBuffer waits while all of them are, so memory stays
// flat however slow the writing is. After a failed write nothing more is written, submit
// says so, and finish reports it.
//
// Threads: the write function runs on the worker only; everything else is for the one
// thread that owns the writer.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CaptureWriter {
public:
    // pixels: the frame as submitted; index: 0, 1, 2 ... in order.
    using WriteFrame = std::function<bool(const std::vector<uint8_t>& pixels, uint64_t index)>;

    CaptureWriter(size_t depth, WriteFrame write);
    ~CaptureWriter();  // finishes
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // A buffer of `bytes` bytes for the next frame; waits while `depth` frames are in flight.
    std::vector<uint8_t> freeBuffer(size_t bytes);
    // Queues the frame. False once a write has failed (the frame is dropped).
    bool submit(std::vector<uint8_t> pixels);
    // Waits until every queued frame is written and stops the worker. False when a write
    // failed. Later calls return the same.
    bool finish();

    // Frames in flight at most so far (queued, being written, or taken and not submitted).
    size_t mostInFlight() const;

private:
    void work();

    const size_t depth;
    WriteFrame write;

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<uint8_t>> queue;  // submitted, not yet written
    std::vector<std::vector<uint8_t>> spare; // written, ready for reuse
    size_t inFlight = 0;
    size_t peak = 0;
    bool stopping = false;
    bool failed = false;
    std::thread worker;
};
