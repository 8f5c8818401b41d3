#pragma once
// The time-ordered events of a run, read once front to back through a cursor.
// The script loader adds them in script order and sorts them (stable: same-time events
// keep their script order); the frame loop delivers every due event once.
#include "demoSystem/DemoEvent.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class EventQueue {
public:
    // Appends a copy; the cursor does not move.
    void add(const DemoEvent& event);
    // Drops every record; the cursor goes back to the start.
    void clear();
    // Stable sort by ascending time; the cursor goes back to the first record.
    void sort();
    // True when the record at the cursor exists and is due at t.
    bool hasDueEvent(uint32_t t) const;
    // The record at the cursor; the cursor moves on. Only after hasDueEvent.
    const DemoEvent& popEvent();

    const std::vector<DemoEvent>& records() const { return events; }
    size_t cursor() const { return cursorIndex; }

private:
    std::vector<DemoEvent> events;
    size_t cursorIndex = 0;
};
