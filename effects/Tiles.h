#pragma once
// "Tiles": the source effect's picture cut into a 3 x 3 grid of tiles that, one after
// another, spin ("RotSpeed"), shrink and fade ("FadeSpeed") away. Tile k (rows from the
// bottom, left to right) starts once T x 0.02 passes k x 0.6; at T = 0 the nine tiles
// touch and show the whole picture. A faded tile is still drawn, invisibly.
//
// Every Tiles instance captures into a target of the one fixed name "name", so all of
// them share one picture: the last capture of a frame is what every Tiles of that frame
// shows. Without a source the shared picture is drawn as it stands.
#include "base/RenderTarget.h"
#include "effects/ImageFilter.h"
#include "effects/TintVariables.h"

class Tiles : public ImageFilter {
public:
    explicit Tiles(const std::string& instanceName);
    void render(uint32_t t) override;

    // Tile k's growth factor at animated time T: 1 until its start, then T x 0.02 + 1
    // less its delay.
    static float tileGrowth(float animatedTime, int tile);

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};  // tint; the tile's alpha replaces "Alpha"
    FloatVariable rotationSpeed{0.5f};            // "RotSpeed"
    FloatVariable fadeSpeed{0.5f};                // "FadeSpeed"

protected:
    void updateFromSource(uint32_t t) override;

private:
    RenderTarget target;
};
