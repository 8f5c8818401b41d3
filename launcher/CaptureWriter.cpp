#include "launcher/CaptureWriter.h"

#include <algorithm>

CaptureWriter::CaptureWriter(size_t depth, WriteFrame write)
    : depth(std::max<size_t>(depth, 1)), write(std::move(write)) {
    worker = std::thread([this] { work(); });
}

CaptureWriter::~CaptureWriter() {
    finish();
}

std::vector<uint8_t> CaptureWriter::freeBuffer(size_t bytes) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return inFlight < depth || failed; });
    ++inFlight;
    peak = std::max(peak, inFlight);
    std::vector<uint8_t> buffer;
    if (!spare.empty()) {
        buffer = std::move(spare.back());
        spare.pop_back();
    }
    lock.unlock();
    buffer.resize(bytes);
    return buffer;
}

bool CaptureWriter::submit(std::vector<uint8_t> pixels) {
    std::lock_guard lock(mutex);
    if (failed || stopping) {
        if (inFlight > 0) {
            --inFlight;
        }
        changed.notify_all();
        return false;
    }
    queue.push_back(std::move(pixels));
    changed.notify_all();
    return true;
}

bool CaptureWriter::finish() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
        changed.notify_all();
    }
    if (worker.joinable()) {
        worker.join();
    }
    std::lock_guard lock(mutex);
    return !failed;
}

size_t CaptureWriter::mostInFlight() const {
    std::lock_guard lock(mutex);
    return peak;
}

void CaptureWriter::work() {
    uint64_t index = 0;
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return !queue.empty() || stopping; });
        if (queue.empty()) {
            return;  // stopping, and everything queued is written
        }
        std::vector<uint8_t> pixels = std::move(queue.front());
        queue.pop_front();
        bool skip = failed;
        lock.unlock();
        bool written = skip || write(pixels, index++);
        lock.lock();
        failed = failed || !written;
        spare.push_back(std::move(pixels));
        --inFlight;
        changed.notify_all();
    }
}
