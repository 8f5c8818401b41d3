#pragma once
// "TypeWriter": a picture (typically of text) uncovered from left to right in steps, like
// text being typed. Every "timerate" milliseconds the revealed width grows by `step`
// (0.05 of the picture; it starts at 0.55, so nine steps finish it); the newest edge
// fades in, and a thin cursor line marks the typing edge while the width lies between
// "lstartx" and "lendx". While typing the picture is drawn at grey level and alpha
// "maxvalue"; once done, the grey level creeps up from 0.9 with the time since the last
// step. The picture sits on a quad with the same placement controls as "Image".
//
// Events (after the base ones): 7-12, 23, 24 placement, 26 picture := the file the text
// names, 29 "Alpha"'s constant := value (as Image); 28 alphaFactor := value; 44 / 45 the
// cursor's top / bottom y; 46 step := value. 5, 13 and 14 are accepted and change nothing
// that is drawn. The picture is also the last file named in its name list 0.
//
// Steps come "timerate" plus up to one frame apart: a step sets the last step time ahead
// of t by the overshoot. The time since the last step is taken as a signed difference,
// so a frame that comes earlier than that (a real clock's jitter) waits for the next one
// instead of counting as billions of milliseconds.
#include "demoSystem/Effect.h"
#include "effects/PicturePlacement.h"
#include "effects/TintVariables.h"

class Texture;

class TypeWriter : public Effect {
public:
    explicit TypeWriter(const std::string& instanceName);
    void start(uint32_t t) override;
    void render(uint32_t t) override;
    void handleEvent(const DemoEvent& event) override;
    void onListEntryAdded(int32_t listKind, const std::string& text, uint32_t newCount) override;

    // The typing step at time t, `interval` ms after the last: reveal grows by step,
    // lastStep moves on by the interval past t. Returns whether a step happened.
    bool advanceTyping(uint32_t t, uint32_t interval);
    // The grey level of the picture at t (while typing, "maxvalue").
    float greyLevel(uint32_t t) const;

    TintVariables tint{1.0f, 1.0f, 1.0f, 1.0f};  // registered; the drawing ignores them
    ChoiceVariable datafile{0, 1};                // "Datafile": one choice per file name
    // Registered again under the base names; the script finds the base ones first.
    ChoiceVariable blendSourceAgain{0, 11};
    ChoiceVariable blendDestinationAgain{0, 11};
    ChoiceVariable blendEquationAgain{0, 3};
    FloatVariable timerate{125.0f};   // "timerate": ms between two steps
    FloatVariable cursorStart{0.3f};  // "lstartx": the cursor shows while reveal exceeds it
    FloatVariable cursorEnd{0.9f};    // "lendx": ... and stays below it
    FloatVariable maxValue{0.9f};     // "maxvalue": grey level and alpha while typing

    Texture* texture = nullptr;  // the cache owns it
    PicturePlacement placement;
    float reveal = 0.55f;
    float step = 0.05f;
    uint32_t lastStep = 0;
    bool done = false;
    float fade = 0.0f;
    float cursorY0 = 1.0f;
    float cursorY1 = 0.0f;
    float alphaFactor = 0.0f;
};
