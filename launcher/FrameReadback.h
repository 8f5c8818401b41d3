#pragma once
// Reads rendered frames back from the current read buffer without waiting for each one.
//
// read() starts copying the frame just rendered into a pixel buffer object of a small
// ring and returns; the copy is mapped a frame later (take), when the driver has long
// finished it, so the main thread goes on to the next frame instead of waiting for the
// copy. Frames come out in the order they were read, each exactly as it was when read.
//
// Pixels are read in the format the driver reports as its own (four bytes a pixel, BGRA
// or RGBA), which it copies without converting; toRgbTopFirst makes the RGB rows top
// first that PNG files and the encoder take, on whichever thread holds the bytes.
// Without pixel buffer objects (or with a ring of one) read() reads straight into memory
// and take() hands that back: the same frames, only not overlapped.
//
// Main thread, GL context current; the destructor deletes the buffers, so it runs while
// the context is still alive.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class FrameReadback {
public:
    enum class Order { Bgra, Rgba };

    // ringSize: frames in flight in the driver; 1 reads each frame at once.
    explicit FrameReadback(size_t ringSize = 2);
    ~FrameReadback();
    FrameReadback(const FrameReadback&) = delete;
    FrameReadback& operator=(const FrameReadback&) = delete;

    // Frames of width x height from now on; drops frames read and not taken.
    void begin(int width, int height);

    // Starts reading the back buffer (bottom row first, as GL reads it). False, reading
    // nothing, while the ring is full.
    bool read();
    // Frames read and not yet taken.
    size_t pending() const { return inFlight.size(); }
    // True when the ring is full: take the oldest before the next read.
    bool full() const { return inFlight.size() >= ring.size(); }
    // Copies the oldest pending frame (frameBytes() bytes) to out and frees its slot.
    // False when there is none or the driver would not map it (out is then not a frame).
    bool take(uint8_t* out);

    size_t frameBytes() const { return size_t(frameWidth) * size_t(frameHeight) * 4; }
    Order order() const { return pixelOrder; }
    bool usesPixelBuffers() const { return pixelBuffers; }

    // Four-byte pixels of `order`, bottom row first, to RGB rows top first.
    static void toRgbTopFirst(const uint8_t* pixels, Order order, int width, int height, uint8_t* rgb);

private:
    struct Slot {
        unsigned buffer = 0;         // the pixel buffer object, or 0
        std::vector<uint8_t> bytes;  // the frame itself where there is none
    };
    void release();

    std::vector<Slot> ring;
    std::deque<size_t> inFlight;  // slots read, oldest first
    size_t next = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    unsigned format = 0;  // GL_BGRA or GL_RGBA
    Order pixelOrder = Order::Rgba;
    bool pixelBuffers = false;
};
