#pragma once
// One scheduled event: at `time`, the effect named `target` receives `id` with a value, a
// text and three numbers (values[0] is the value; a TRIGGER line's extra numbers follow).
// The script loader queues them (EventQueue), the frame loop hands them to
// Effect::handleEvent; effects also build them to call each other directly.
#include <cstdint>
#include <string>

// The ids the effect base itself understands; effects add their own.
constexpr int32_t eventStart = 0;          // restart the effect's clock at the event time
constexpr int32_t eventSetSource = 2;      // text names the source effect
constexpr int32_t eventSpectrum = 5;       // value is a music level, scaled by "SpectrumStr"
constexpr int32_t eventTimeShift = 19;     // value is ms subtracted from the elapsed time
constexpr int32_t eventSetProgram = 36;    // text names a fragment program
constexpr int32_t eventSpeedLinear = 40;   // "Speed" interpolates linearly
constexpr int32_t eventSpeedEaseIn = 41;   // "Speed" eases in

struct DemoEvent {
    uint32_t time = 0;       // ms, time offset already applied
    std::string target;      // instance name of the receiving effect
    int32_t id = 0;
    float value = 0.0f;
    std::string text;        // empty when none
    float values[3] = {0.0f, 0.0f, 0.0f};
};
