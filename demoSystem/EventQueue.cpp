#include "demoSystem/EventQueue.h"

#include <algorithm>

void EventQueue::add(const DemoEvent& event) {
    events.push_back(event);
}

void EventQueue::clear() {
    events.clear();
    events.shrink_to_fit();
    cursorIndex = 0;
}

void EventQueue::sort() {
    std::stable_sort(events.begin(), events.end(),
                     [](const DemoEvent& a, const DemoEvent& b) { return a.time < b.time; });
    cursorIndex = 0;
}

bool EventQueue::hasDueEvent(uint32_t t) const {
    return cursorIndex < events.size() && events[cursorIndex].time <= t;
}

const DemoEvent& EventQueue::popEvent() {
    return events[cursorIndex++];
}
