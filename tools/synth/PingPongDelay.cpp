#include "PingPongDelay.h"

#include <vector>

void PingPongDelay::process(StereoBuffer& bus) const {
    if (delayFrames == 0) {
        return;
    }
    std::vector<float> lineL(delayFrames, 0.0f), lineR(delayFrames, 0.0f);
    float dampL = 0.0f, dampR = 0.0f;
    size_t cursor = 0;
    for (size_t i = 0; i < bus.frames(); ++i) {
        const float echoL = lineL[cursor];
        const float echoR = lineR[cursor];
        dampL += (echoL - dampL) * (1.0f - damping);
        dampR += (echoR - dampR) * (1.0f - damping);
        const float dryMono = 0.5f * (bus.left[i] + bus.right[i]);
        // The input enters on the left only; the cross-feed makes the repeats bounce.
        lineL[cursor] = dryMono + dampR * feedback;
        lineR[cursor] = dampL * feedback;
        bus.left[i] += echoL * wet;
        bus.right[i] += echoR * wet;
        cursor = cursor + 1 == delayFrames ? 0 : cursor + 1;
    }
}
