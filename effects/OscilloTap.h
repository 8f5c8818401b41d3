#pragma once
// The oscilloscope's tap on the mixed output: one for the whole program, shared by every
// "Osc" effect. A DSP unit on the sound system (platform/SoundSystem) turns each mixed
// block into mono 16-bit samples in a ring of the last SoundSystem::totalLength frames;
// the effects draw the oldest complete block of the ring.
//
// Threads. The unit runs on the mixer's thread and writes the ring and the index of the
// next block to fill; the render thread reads them while it draws. Every element is an
// atomic, written and read relaxed: a wave may show a block while it is being refilled,
// which is harmless, and the mixer never waits for the picture. Readers take the block
// index once per frame (latestBlockStart) and read samples from there.
//
// Lifetime. The ring lives until the program ends and is never reallocated, so no start,
// restart or removal can pull memory from under a block being mixed; it is deliberately
// never destroyed, since the mixer may still run while static objects die at exit.
//
// Use (main thread):
//   shared()          the one tap.
//   activate(sound)   make sure the unit runs on that sound system: registered once, and
//                     again only if the system lost it (closed and reopened). Repeating
//                     it for a running unit changes nothing. False without a sound system.
//   deactivate(sound) remove the unit from that system, if it runs there; the removal
//                     waits for a block being mixed, so afterwards the tap is not called.
//                     Call it with the current system or null (a closed system took its
//                     units with it).
#include "platform/SoundSystem.h"

#include <array>
#include <atomic>
#include <cstdint>

class OscilloTap {
public:
    static constexpr int blockLength = SoundSystem::blockLength;
    static constexpr int ringLength = SoundSystem::totalLength;
    static constexpr int blockCount = ringLength / blockLength;
    static constexpr int dspPriority = 303;  // after the mix and every earlier unit

    static OscilloTap& shared();

    bool activate(SoundSystem* sound);
    void deactivate(SoundSystem* sound);
    bool isActiveOn(const SoundSystem* sound) const;

    // Ring index of the first sample of the oldest complete block, from one reading of the
    // block index.
    int latestBlockStart() const;
    // The sample at a ring index (taken modulo the ring's length).
    int16_t sample(int index) const {
        return ring[size_t(unsigned(index) % unsigned(ringLength))].load(std::memory_order_relaxed);
    }

    // A mixed stereo frame as one mono sample: the mixer's -1..1 scaled to the 16-bit
    // range, clamped.
    static int16_t monoSample(float left, float right);

    // The DSP unit's body; public for tests that feed blocks by hand.
    static void mixCallback(DspBlock& block, void* userData);

private:
    OscilloTap();

    std::array<std::atomic<int16_t>, ringLength> ring;
    std::atomic<int> nextBlock{0};
    int unitHandle = 0;
};
