// The timeline: the effect list, the event queue and the frames that play them.
#include "base/Globals.h"
#include "demoSystem/EffectList.h"
#include "demoSystem/EventQueue.h"
#include "launcher/LumoraLauncher.h"
#include "launcher/TimelineHost.h"
#include "tests/support/GLTestContext.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> journal;

class JournalEffect : public Effect {
public:
    explicit JournalEffect(const std::string& name) : Effect(name) {}
    ~JournalEffect() override { journal.push_back("~" + name()); }
    void update(uint32_t t) override {
        Effect::update(t);
        journal.push_back("update " + name() + " " + std::to_string(elapsed()));
    }
    void render(uint32_t) override { journal.push_back("render " + name()); }
    void handleEvent(const DemoEvent& event) override {
        journal.push_back("event " + name() + " " + std::to_string(event.id));
        Effect::handleEvent(event);
    }
};

class JournalList : public EffectList {
public:
    bool createEffect(const std::string& name, const std::string& type) override {
        appendEffect(new JournalEffect(name), type);
        return true;
    }
};

DemoEvent event(uint32_t time, const std::string& target, int32_t id) {
    DemoEvent e;
    e.time = time;
    e.target = target;
    e.id = id;
    return e;
}

TEST(EventQueueOrder, StableSortAndCursorReadsOnce) {
    EventQueue queue;
    queue.add(event(300, "a", 1));
    queue.add(event(100, "a", 2));
    queue.add(event(300, "a", 3));
    queue.add(event(100, "a", 4));
    EXPECT_TRUE(queue.hasDueEvent(300));  // unsorted: the cursor is at the first record
    queue.sort();
    std::vector<int32_t> ids;
    while (queue.hasDueEvent(1000)) {
        ids.push_back(queue.popEvent().id);
    }
    EXPECT_EQ(ids, (std::vector<int32_t>{2, 4, 1, 3}));
    EXPECT_FALSE(queue.hasDueEvent(0xFFFFFFFFu));
    EXPECT_EQ(queue.records().size(), 4u);  // records stay; the cursor moved past them
    queue.clear();
    EXPECT_EQ(queue.cursor(), 0u);
    EXPECT_FALSE(queue.hasDueEvent(0xFFFFFFFFu));
}

TEST(EventQueueOrder, DueOnlyAtOrAfterTheirTime) {
    EventQueue queue;
    queue.add(event(1000, "a", 1));
    queue.sort();
    EXPECT_FALSE(queue.hasDueEvent(999));
    EXPECT_TRUE(queue.hasDueEvent(1000));
}

TEST(EffectListLookup, FirstOfANameAndClearDestroysInOrder) {
    journal.clear();
    {
        JournalList list;
        list.createEffect("a", "T");
        list.createEffect("b", "T");
        list.createEffect("a", "T");
        EXPECT_EQ(list.findEffect("a"), list.at(0));
        EXPECT_EQ(list.findEffect("A"), nullptr);
        EXPECT_EQ(list.at(1)->typeName(), "T");
        EXPECT_FALSE(list.at(1)->activity.isOn(0));  // off until a BEGIN
        list.clearEffects();
        EXPECT_EQ(list.size(), 0u);
        EXPECT_EQ(journal, (std::vector<std::string>{"~a", "~b", "~a"}));
    }
}

class Frames : public testing::Test {
protected:
    void SetUp() override {
        journal.clear();
        keyEndTime = 60000;
        for (const char* name : {"first", "second", "idle"}) {
            list.createEffect(name, "T");
        }
        list.findEffect("first")->activity.addKey(1.0f, 1000);
        list.findEffect("second")->activity.addKey(1.0f, 500);
        list.findEffect("second")->activity.addKey(0.0f, 2000);
    }
    void TearDown() override { keyEndTime = 0; }

    void frame(uint32_t t) {
        deliverDueEvents(list, queue, t);
        list.snapshot(snapshot);
        updateActiveEffects(snapshot, t);
        renderActiveEffects(snapshot, t);
    }

    JournalList list;
    EventQueue queue;
    std::vector<Effect*> snapshot;
};

TEST_F(Frames, EventsFirstThenUpdatesThenRendersInListOrder) {
    queue.add(event(1000, "first", 0));  // INIT at the BEGIN time
    queue.add(event(1000, "idle", 40));  // never begun, still receives events
    queue.add(event(900, "nobody", 7));  // dropped
    queue.add(event(1000, "second", 41));
    queue.sort();
    frame(1200);
    EXPECT_EQ(journal, (std::vector<std::string>{"event first 0", "event idle 40", "event second 41",
                                                 "update first 200", "update second 1200", "render first",
                                                 "render second"}));
    journal.clear();
    frame(2000);  // second's END key: off from 2000 on; no event again
    EXPECT_EQ(journal, (std::vector<std::string>{"update first 1000", "render first"}));
    journal.clear();
    frame(400);  // before any BEGIN
    EXPECT_TRUE(journal.empty());
}

TEST_F(Frames, LateEventsAllArriveInTheFirstFrame) {
    for (int i = 0; i < 5; ++i) {
        queue.add(event(uint32_t(i * 100), "idle", i + 100));
    }
    queue.sort();
    deliverDueEvents(list, queue, 5000);
    EXPECT_EQ(journal.size(), 5u);
    EXPECT_EQ(journal.front(), "event idle 100");
    EXPECT_EQ(journal.back(), "event idle 104");
}

TEST(RenderFrame, DoesNothingUnpublishedAndKeepsMatrixStacksBalanced) {
    testgl::context();
    publishedEffectList = nullptr;
    renderFrame(0);

    journal.clear();
    keyEndTime = 60000;
    JournalList list;
    EventQueue queue;
    list.createEffect("fx", "T");
    list.findEffect("fx")->activity.addKey(1.0f, 0);
    publishedEffectList = &list;
    publishedEventQueue = &queue;
    GLint projectionDepth = 0, modelviewDepth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
    renderFrame(10);
    GLint depth = 0, mode = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, modelviewDepth);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(journal, (std::vector<std::string>{"update fx 10", "render fx"}));
    publishedEffectList = nullptr;
    publishedEventQueue = nullptr;
    keyEndTime = 0;
}

}  // namespace
