#pragma once
// A stereo float signal of fixed length: the voices mix into buses of this kind, the
// song sums the buses into the master. Writes past the end are dropped, so a note
// that rings past the end of the piece is simply cut.
#include <cstddef>
#include <vector>

class StereoBuffer {
public:
    explicit StereoBuffer(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}

    size_t frames() const { return left.size(); }
    void add(size_t frame, float l, float r) {
        if (frame < left.size()) {
            left[frame] += l;
            right[frame] += r;
        }
    }
    // Mixes other × gain into this buffer (both the same length).
    void mix(const StereoBuffer& other, float gain);

    std::vector<float> left;
    std::vector<float> right;
};
