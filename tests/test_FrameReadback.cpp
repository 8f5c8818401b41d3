// The capture's read-back through pixel buffer objects: every frame comes out as a plain
// read of it gives, in order, however late it is taken; PNG frames written by the capture
// hold exactly those pixels; GL is left with no pack buffer bound.
#include "launcher/FrameCapture.h"
#include "launcher/FrameReadback.h"
#include "tests/support/GLTestContext.h"
#include "tests/support/RunProgram.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

namespace {

// Odd sizes: rows of three-byte pixels that are no multiple of four.
constexpr int width = 125;
constexpr int height = 77;

// A picture of its own for each frame: stripes of varying height and colour, so that a
// frame swapped, flipped, shifted by a row or with channels crossed cannot match.
void drawFrame(int frame) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    for (int stripe = 0; stripe < 9; ++stripe) {
        int y = stripe * 9 + (frame % 5);
        glScissor(stripe * 7, y, width - stripe * 11, 3 + stripe % 4);
        glClearColor(float((frame * 37 + stripe * 71) % 256) / 255.0f, float((stripe * 53) % 256) / 255.0f,
                     float((frame * 13 + 200) % 256) / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
}

// The frame as a plain read gives it, as RGB rows top first.
std::vector<uint8_t> plainRead() {
    std::vector<uint8_t> bottomFirst(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomFirst.data());
    std::vector<uint8_t> topFirst(bottomFirst.size());
    size_t row = size_t(width) * 3;
    for (int y = 0; y < height; ++y) {
        std::copy_n(&bottomFirst[size_t(height - 1 - y) * row], row, &topFirst[size_t(y) * row]);
    }
    return topFirst;
}

std::vector<uint8_t> readPngRgb(const std::string& path, int& w, int& h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        return {};
    }
    w = int(image.width);
    h = int(image.height);
    return pixels;
}

GLint packBufferBound() {
    GLint bound = -1;
    glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &bound);
    return bound;
}

TEST(FrameReadback, DriverFormatToRgbFlipsRowsAndOrdersChannels) {
    // 2x2, bottom row first: (B,G,R,A) pixels 1 2 / 3 4 with the bottom row 1 2.
    const uint8_t bgra[] = {10, 11, 12, 0, 20, 21, 22, 0, 30, 31, 32, 0, 40, 41, 42, 0};
    uint8_t rgb[12];
    FrameReadback::toRgbTopFirst(bgra, FrameReadback::Order::Bgra, 2, 2, rgb);
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12), (std::vector<uint8_t>{32, 31, 30, 42, 41, 40, 12, 11, 10, 22, 21, 20}));
    FrameReadback::toRgbTopFirst(bgra, FrameReadback::Order::Rgba, 2, 2, rgb);
    EXPECT_EQ(std::vector<uint8_t>(rgb, rgb + 12), (std::vector<uint8_t>{30, 31, 32, 40, 41, 42, 10, 11, 12, 20, 21, 22}));
}

TEST(FrameReadback, FramesTakenLateAreThePlainReadsOfTheirTimeInOrder) {
    testgl::context();
    for (size_t ringSize : {size_t(1), size_t(2), size_t(3)}) {
        SCOPED_TRACE("ring of " + std::to_string(ringSize));
        FrameReadback readback(ringSize);
        readback.begin(width, height);
        if (ringSize > 1) {
            EXPECT_TRUE(readback.usesPixelBuffers()) << "Mesa has pixel buffer objects";
        }
        std::vector<std::vector<uint8_t>> expected;
        std::vector<uint8_t> taken(readback.frameBytes());
        std::vector<uint8_t> rgb(size_t(width) * height * 3);
        size_t next = 0;
        auto takeOne = [&] {
            ASSERT_TRUE(readback.take(taken.data()));
            FrameReadback::toRgbTopFirst(taken.data(), readback.order(), width, height, rgb.data());
            EXPECT_TRUE(rgb == expected[next]) << "frame " << next;
            ++next;
        };
        for (int frame = 0; frame < 7; ++frame) {
            drawFrame(frame);
            expected.push_back(plainRead());
            if (readback.full()) {
                takeOne();
            }
            ASSERT_TRUE(readback.read());
            EXPECT_EQ(packBufferBound(), 0);
            // The next frame is drawn over the same buffer before this one is taken.
        }
        EXPECT_EQ(readback.pending(), std::min<size_t>(ringSize, 7));
        EXPECT_FALSE(readback.read()) << "a full ring refuses instead of overwriting a frame";
        while (readback.pending() > 0) {
            takeOne();
        }
        EXPECT_EQ(next, 7u);
        EXPECT_FALSE(readback.take(taken.data())) << "nothing left to take";
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(FrameReadback, CapturedPngFramesHoldThePixelsAPlainReadGives) {
    testgl::context();
    std::string dir = makeTempDirectory("readback");
    FrameCapture capture;
    std::string error;
    ASSERT_TRUE(capture.begin(dir, 10, 0, 900, error)) << error;
    std::vector<std::vector<uint8_t>> expected;
    for (int frame = 0; frame < 10; ++frame, capture.advance()) {
        drawFrame(frame);
        expected.push_back(plainRead());
        ASSERT_TRUE(capture.writeFrame(width, height));
    }
    ASSERT_TRUE(capture.finishFrames());
    for (int frame = 0; frame < 10; ++frame) {
        int w = 0, h = 0;
        std::vector<uint8_t> written = readPngRgb(dir + "/" + FrameCapture::frameFileName(uint32_t(frame)), w, h);
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
        EXPECT_TRUE(written == expected[size_t(frame)]) << "frame " << frame;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/" + FrameCapture::frameFileName(10)));
    EXPECT_EQ(packBufferBound(), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    std::filesystem::remove_all(dir);
}

}  // namespace
