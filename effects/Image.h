#pragma once
// "Image": a picture on a quad that events place, rotate, scale and scroll, tinted by the
// colour variables and blended with the effect blend. The picture is the last file named
// to the effect (its name list 0, from the script's set-up section) or by event 26,
// whichever came later; without one the quad is drawn untextured.
//
// Events (after the base ones): 5 alphaOffset := alphaFactor x value; 7 position, 8
// rotation (degrees), 9 scale, 10 scroll, 11 spin, 12 growth (each := the event's three
// values); 23 / 24 growth adds / subtracts; 26 picture := the file named by the text;
// 28 alphaFactor := value; 29 "Alpha"'s constant := value. A start resets all of them
// but the picture.
#include "demoSystem/Effect.h"
#include "effects/PicturePlacement.h"
#include "effects/TintVariables.h"

class Texture;

class Image : public Effect {
public:
    explicit Image(const std::string& instanceName);
    void start(uint32_t t) override;
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;
    void onListEntryAdded(int32_t listKind, const std::string& text, uint32_t newCount) override;

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};
    ChoiceVariable datafile{0, 1};  // "Datafile": one choice per file name given

    Texture* texture = nullptr;  // the cache owns it
    PicturePlacement placement;
    float alphaOffset = 0;
    float alphaFactor = 0;

private:
    void resetPlacement();
};
