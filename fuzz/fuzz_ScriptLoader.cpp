// Fuzzes the script loader on arbitrary text. The loader's failures are fatal reports in
// the program; here loadText returns them instead, so every input runs to the end of the
// loader without leaving the process. The registry is a stand-in that makes a plain
// effect for any type name (the demo's registry ends the program on an unknown name, and
// its effects need GL). loadText queues event 36 without compiling; the stand-in effect
// takes it without asking the shader manager, which would need GL.
#include "demoSystem/ScriptLoader.h"

#include <cstddef>
#include <cstdint>

namespace {

class FuzzEffect : public Effect {
public:
    explicit FuzzEffect(const std::string& name) : Effect(name) {
        registerVariable(names, "Names", listKindNames0, typeKindChoice);
        registerVariable(cameras, "Cameras", listKindNames1000, typeKindChoice);
        registerVariable(odd, "Odd", 77, typeKindFloat);
        cameras.isText = true;
        setPatternEnabled(true);
    }
    void render(uint32_t) override {}
    void handleEvent(const DemoEvent& event) override {
        if (event.id != eventSetProgram) {
            Effect::handleEvent(event);
        }
    }
    ChoiceVariable names{0, 4};
    ChoiceVariable cameras{0, 0};
    FloatVariable odd;
};

class FuzzList : public EffectList {
public:
    bool createEffect(const std::string& instanceName, const std::string& typeName) override {
        appendEffect(new FuzzEffect(instanceName), typeName);
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzList list;
    EventQueue queue;
    ScriptLoader loader(list, queue);
    ScriptFailure failure;
    loader.loadText(reinterpret_cast<const char*>(data), size, failure);
    // Play a few frames' worth of lookups on what was loaded.
    for (uint32_t t : {0u, 1000u, 59999u, 0xFFFFFFFFu}) {
        while (queue.hasDueEvent(t)) {
            const DemoEvent& event = queue.popEvent();
            if (Effect* effect = list.findEffect(event.target)) {
                effect->handleEvent(event);
            }
        }
        for (size_t i = 0; i < list.size(); ++i) {
            Effect* effect = list.at(i);
            if (effect->activity.isOn(t)) {
                effect->update(t);
            }
            for (EffectVariable* variable : effect->variables()) {
                variable->valueAt(t);
                variable->textAt(t);
            }
        }
    }
    return 0;
}
