// Timeline costs: loading a generated 20,000-line script, and one frame's event delivery,
// activity checks and base updates for 1,000 effects (no GL: the effects draw nothing).
//   build/bench/bench_Timeline
#include "base/Globals.h"
#include "demoSystem/ScriptLoader.h"
#include "launcher/TimelineHost.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

class BenchEffect : public Effect {
public:
    explicit BenchEffect(const std::string& name) : Effect(name) {
        registerVariable(alpha, "Alpha", listKindPlain, typeKindFloat);
        setPatternEnabled(true);
    }
    void render(uint32_t) override {}
    FloatVariable alpha{1.0f};
};

class BenchList : public EffectList {
public:
    bool createEffect(const std::string& name, const std::string& type) override {
        appendEffect(new BenchEffect(name), type);
        return true;
    }
};

// 200 effects, then lines of BEGIN/END, SIGNAL, TRIGGER and INIT spread over 3 minutes.
std::string generatedScript(int lines) {
    std::string s = "__HEADER__\nDEMO_START 0\nDEMO_END 180000\nDEMO_BEAT 125\n__DEFS__\nDEFINE BAR 2000\n"
                    "DEFINE MOVE 22\n__SETUP__\n";
    int written = 8;
    for (int i = 0; i < 200; ++i, ++written) {
        s += "INSERT_EFFECT fx" + std::to_string(i) + " AS Bench\n";
    }
    s += "__TIMELINE__\n";
    for (int i = 0; written < lines; ++i, ++written) {
        std::string name = "fx" + std::to_string(i % 200);
        std::string time = std::to_string((i * 37) % 170000);
        switch (i % 5) {
            case 0: s += time + " b " + name + "\n"; break;
            case 1: s += time + " + BAR e " + name + "\n"; break;
            case 2: s += time + " s " + name + " Alpha 0." + std::to_string(i % 10) + "\n"; break;
            case 3: s += time + " t " + name + " MOVE \"data/x.png\" 1 2 3\n"; break;
            default: s += "// a comment line about " + name + "\n"; break;
        }
    }
    return s;
}

void BM_LoadScript(benchmark::State& state) {
    std::string script = generatedScript(int(state.range(0)));
    BenchList list;
    EventQueue queue;
    ScriptLoader loader(list, queue);
    for (auto _ : state) {
        ScriptFailure failure;
        if (!loader.loadText(script.data(), script.size(), failure)) {
            state.SkipWithError(failure.message.c_str());
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(script.size()));
    state.counters["lines"] = double(state.range(0));
}
BENCHMARK(BM_LoadScript)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_FrameWithoutGL(benchmark::State& state) {
    const int effects = int(state.range(0));
    keyEndTime = 180000;
    BenchList list;
    EventQueue queue;
    for (int i = 0; i < effects; ++i) {
        std::string name = "fx" + std::to_string(i);
        list.createEffect(name, "Bench");
        Effect* effect = list.at(size_t(i));
        // Half are active at any time; every effect carries a few keys and two events a minute.
        effect->activity.addKey(1.0f, uint32_t(i % 2) * 1000);
        effect->activity.addKey(0.0f, 170000);
        effect->speed.addKey(0.3f, 0);
        effect->speed.addKey(0.8f, 60000);
        for (uint32_t t = 0; t < 180000; t += 30000) {
            DemoEvent event;
            event.time = t + uint32_t(i);
            event.target = name;
            event.id = (t / 30000) % 2 ? eventSpeedLinear : eventSpeedEaseIn;
            queue.add(event);
        }
    }
    queue.sort();
    std::vector<Effect*> snapshot;
    uint32_t t = 0;
    for (auto _ : state) {
        deliverDueEvents(list, queue, t);
        list.snapshot(snapshot);
        updateActiveEffects(snapshot, t);
        t += 16;
        if (t > 180000) {
            t = 0;
            state.PauseTiming();
            queue.sort();
            state.ResumeTiming();
        }
    }
    state.counters["effects"] = effects;
    keyEndTime = 0;
}
BENCHMARK(BM_FrameWithoutGL)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
