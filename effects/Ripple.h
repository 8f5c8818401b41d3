#pragma once
// "Ripple": the source effect's picture mapped onto a disc of concentric rings (the
// program's RippleMesh) seen through a 45-degree perspective from one unit away, so the
// picture appears enlarged about its centre; every frame the wave steps once and the
// rings rise and fall with it, the wave travelling outwards from the centre. Without a
// source nothing is drawn.
//
// All Ripple instances capture into one render target, which every constructor makes
// again under its instance's name + "_1"; the mesh and its wave are the program's one
// copy, so two Ripples in one frame step the wave twice.
#include "effects/ImageFilter.h"

class Ripple : public ImageFilter {
public:
    explicit Ripple(const std::string& instanceName);
    void render(uint32_t t) override;

protected:
    void updateFromSource(uint32_t t) override;
};
