#pragma once
// One scheduled event: at `time`, the effect named `target` receives `id` with a value, a
// text and three numbers (values[0] is the value; a TRIGGER line's extra numbers follow).
// The script loader queues them (EventQueue), the frame loop hands them to
// Effect::handleEvent; effects also build them to call each other directly.
#include "demoSystem/EventIds.h"

#include <cstdint>
#include <string>

struct DemoEvent {
    uint32_t time = 0;       // ms, time offset already applied
    std::string target;      // instance name of the receiving effect
    int32_t id = 0;
    float value = 0.0f;
    std::string text;        // empty when none
    float values[3] = {0.0f, 0.0f, 0.0f};
};
