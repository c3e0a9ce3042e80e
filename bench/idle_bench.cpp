// The hook procedures' decision per input event, and one starfield frame at the main window's
// size with its 200 stars.
#include "effects/core/starfield.h"
#include "hooklib/core/hook_decisions.h"

#include <benchmark/benchmark.h>

namespace {

struct CountingPlatform {
    uint32_t now = 1;
    uint32_t posts = 0;
    uint32_t tick() { return ++now; }
    void post(uint32_t, uint32_t, uintptr_t, intptr_t) { ++posts; }
    intptr_t callNext(int, uintptr_t, intptr_t) { return 0; }
};

void BM_KeyboardEvent(benchmark::State& state)
{
    snovid::TSharedActivity record{};
    snovid::ProcessState s{&record, {}, 0xC000};
    CountingPlatform p;
    for (auto _ : state) {
        // Armed on every other event: the posting path is measured too.
        record.Armed = static_cast<uint8_t>(p.now & 1);
        benchmark::DoNotOptimize(snovid::keyboardEvent(s, p, 0, 65, 1));
    }
    benchmark::DoNotOptimize(p.posts);
}
BENCHMARK(BM_KeyboardEvent);

void BM_MouseEvent(benchmark::State& state)
{
    snovid::TSharedActivity record{};
    snovid::ProcessState s{&record, {}, 0xC000};
    CountingPlatform p;
    snovid::Point pt{100, 200};
    for (auto _ : state) {
        record.Armed = 1;
        pt.x = static_cast<int32_t>(p.now & 7) + 1;
        benchmark::DoNotOptimize(snovid::mouseEvent(s, p, 0, snovid::kMouseMove, 0, &pt));
    }
    benchmark::DoNotOptimize(p.posts);
}
BENCHMARK(BM_MouseEvent);

void BM_StarfieldFrame(benchmark::State& state)
{
    fx::LinearRandom random(42);
    fx::StarfieldCore field(random);
    field.setSize(516, 274);
    field.setMaxSpeed(15);
    field.setStars(200);
    fx::MemorySurface surface;
    field.StepFrame(surface); // the resize frame
    for (auto _ : state)
        benchmark::DoNotOptimize(field.StepFrame(surface));
}
BENCHMARK(BM_StarfieldFrame);

} // namespace
