#pragma once
// The loaded timeline as one JSON object, for `lumora --dump-timeline`: demo start, end
// and beat length; every effect in list order with its type, activity keys, every
// registered variable (class, type kind, list kind, interpolation, count for choices,
// current value, keys) and its two name lists; every event in queue order.
// Floats are printed with %.9g (non-finite ones as null); texts are JSON-escaped.
#include "demoSystem/EffectList.h"
#include "demoSystem/EventQueue.h"

#include <cstdint>
#include <string>

std::string timelineJson(const EffectList& effects, const EventQueue& events, uint32_t start, uint32_t end,
                         uint32_t beat);
