#pragma once
// "GridExp": a textured 50 x 50 grid (GridMesh) seen in perspective from 20 units away,
// warped every frame by one of four closed-form warps (GridWarp) chosen by "Anim": 0
// waves, 1 a radial dent, 2 tuned waves, 3 a texture swirl (the default, which keeps the
// grid flat). The picture is the source effect captured into a target of the instance's
// own name, or, without a source, the texture that event 4 names; without either the grid
// is drawn untextured in the mesh colour. "Blend" draws additively, "Rotate" turns the
// texture with time, "Shade" uses the warps' per-vertex colours.
//
// Kept as the demo's pictures were made with them: the source is drawn into the 512 x
// 512 target at the screen's viewport (the target holds the screen's lower-left 512 x 512
// pixels), the grid's texture coordinates span 0.5 x 0.7 of the texture (the captured
// part at 1024 x 768), a picture from event 4 lies upside down on the grid, and the grid's
// last column is not drawn.
//
// "Anim" is stored by the script as its value x 3, so a script's 1 reads 3; the warp is
// the stored value held to 0..3, and a change of it puts the grid back to rest once.
//
// Events (after the base ones): 4 texture := the file the text names (with mipmaps).
#include "base/RenderTarget.h"
#include "effects/GridMesh.h"
#include "effects/ImageFilter.h"
#include "effects/TintVariables.h"

class Texture;

class GridExp : public ImageFilter {
public:
    explicit GridExp(const std::string& instanceName);
    void update(uint32_t t) override;
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;

    // The warp "Anim" selects at t.
    int warpAt(uint32_t t) const;

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};  // mesh colour
    ChoiceVariable anim{3, 4};                    // "Anim"
    BoolVariable rotate{false};                   // "Rotate"
    BoolVariable blend{true};                     // "Blend": additive (GL_SRC_ALPHA, GL_ONE)
    BoolVariable shade{false};                    // "Shade"
    FloatVariable ampX{0.3f};
    FloatVariable ampY{0.1f};
    FloatVariable ampZ{0.2f};
    FloatVariable magicStrength{0.3f};
    FloatVariable magic[5] = {FloatVariable{0.4f}, FloatVariable{0.4f}, FloatVariable{0.4f}, FloatVariable{0.4f},
                              FloatVariable{0.4f}};

    Texture* texture = nullptr;  // from event 4; the cache owns it
    GridMesh mesh;

protected:
    void updateFromSource(uint32_t t) override;

private:
    void drawMesh() const;

    RenderTarget target;
    int lastWarp = -1;
};
