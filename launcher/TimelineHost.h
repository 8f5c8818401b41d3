#pragma once
// The launcher's side of the timeline: it owns the run's effect list and event queue,
// publishes them, loads the script into them and plays them frame by frame
// (renderFrame).
#include <cstdint>
#include <vector>

class Effect;
class EffectList;
class EffectTiming;
class EventQueue;

// Constructs the (empty) effect list and event queue and publishes both.
void createTimeline();
// Loads the demo script into the published timeline (sets demoStart, demoEnd, beatLength).
void loadTimelineScript(const char* scriptName);
// Releases the event records after the frame loop. The effects stay where they are:
// their GL objects die with the context, and nothing runs after the run ends.
void releaseTimeline();

// One frame at time t: due events delivered, then update and render of every effect
// whose activity is on at t, inside pushed projection and modelview matrices. Does
// nothing while no effect list is published. With timing, each effect's update and
// render are timed (--bench).
void renderFrame(uint32_t t, EffectTiming* timing = nullptr);

// The parts of a frame that need no GL, in renderFrame's order (the benchmarks time them).
// Every due event goes to the first effect of its target name; unknown names are dropped.
void deliverDueEvents(const EffectList& effects, EventQueue& events, uint32_t t);
// update(t) on each effect of the snapshot whose activity is on at t, in order.
void updateActiveEffects(const std::vector<Effect*>& snapshot, uint32_t t, EffectTiming* timing = nullptr);
// render(t) likewise.
void renderActiveEffects(const std::vector<Effect*>& snapshot, uint32_t t, EffectTiming* timing = nullptr);
