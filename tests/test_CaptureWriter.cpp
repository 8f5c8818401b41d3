// The capture's worker: frames written in order on another thread, at most `depth` in
// flight however slow the writing, and a failed write stopping the rest and reported.
// Runs under ThreadSanitizer too (scripts/test-tsan.sh).
#include "launcher/CaptureWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(CaptureWriter, WritesEveryFrameInOrderWithItsPixels) {
    std::vector<uint64_t> indices;
    std::vector<uint8_t> firstBytes;
    CaptureWriter writer(3, [&](const std::vector<uint8_t>& pixels, uint64_t index) {
        indices.push_back(index);
        firstBytes.push_back(pixels[0]);
        return pixels.size() == 12;
    });
    for (uint8_t frame = 0; frame < 50; ++frame) {
        std::vector<uint8_t> buffer = writer.freeBuffer(12);
        ASSERT_EQ(buffer.size(), 12u);
        std::fill(buffer.begin(), buffer.end(), frame);
        ASSERT_TRUE(writer.submit(std::move(buffer)));
    }
    EXPECT_TRUE(writer.finish());
    EXPECT_TRUE(writer.finish()) << "a second finish changes nothing";
    ASSERT_EQ(indices.size(), 50u);
    for (uint64_t i = 0; i < 50; ++i) {
        EXPECT_EQ(indices[i], i);
        EXPECT_EQ(firstBytes[i], uint8_t(i));
    }
}

TEST(CaptureWriter, ASlowWriterHoldsTheRendererBackInsteadOfQueueingWithoutBound) {
    std::atomic<int> writing{0};
    std::atomic<int> mostAtOnce{0};
    CaptureWriter writer(2, [&](const std::vector<uint8_t>&, uint64_t) {
        int now = ++writing;
        mostAtOnce = std::max(mostAtOnce.load(), now);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --writing;
        return true;
    });
    for (int frame = 0; frame < 30; ++frame) {
        writer.submit(writer.freeBuffer(640 * 480 * 3));
    }
    EXPECT_TRUE(writer.finish());
    EXPECT_LE(writer.mostInFlight(), 2u) << "memory stays at the queue's depth";
    EXPECT_EQ(mostAtOnce.load(), 1) << "one worker writes one frame at a time";
}

TEST(CaptureWriter, AFailedWriteStopsTheRestAndIsReported) {
    std::atomic<int> calls{0};
    CaptureWriter writer(2, [&](const std::vector<uint8_t>&, uint64_t index) {
        ++calls;
        return index != 3;
    });
    bool refused = false;
    for (int frame = 0; frame < 40 && !refused; ++frame) {
        refused = !writer.submit(writer.freeBuffer(16));
        if (frame == 10) {
            // Give the worker time to reach the failing frame.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    EXPECT_TRUE(refused) << "submit says so once a write failed";
    EXPECT_FALSE(writer.finish());
    EXPECT_EQ(calls.load(), 4) << "nothing is written after the failed frame";
}

TEST(CaptureWriter, FinishWithNothingQueuedAndDestructionWithFramesPending) {
    {
        CaptureWriter idle(3, [](const std::vector<uint8_t>&, uint64_t) { return true; });
        EXPECT_TRUE(idle.finish());
    }
    std::atomic<int> written{0};
    {
        CaptureWriter pending(3, [&](const std::vector<uint8_t>&, uint64_t) {
            ++written;
            return true;
        });
        for (int frame = 0; frame < 3; ++frame) {
            pending.submit(pending.freeBuffer(8));
        }
    }
    EXPECT_EQ(written.load(), 3) << "the destructor writes what was queued";
}

}  // namespace
