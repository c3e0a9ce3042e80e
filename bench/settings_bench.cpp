// Settings lookups over 10^4 keys in one section, with and without the caches, and the
// "RS02" file image of 10^4 keys written and read.
#include "settings/core/rs02_format.h"
#include "settings/core/storage.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kKeys = 10000;

void fill(rs::TrsStorage& s)
{
    s.setRootSection("Form1.rsPropSaver1");
    for (int i = 0; i < kKeys; ++i) {
        s.FindKey("Key" + std::to_string(i), true);
        s.value().SetInteger(i);
    }
}

std::vector<std::string> names()
{
    std::vector<std::string> n;
    for (int i = 0; i < kKeys; ++i)
        n.push_back("Key" + std::to_string((i * 7919) % kKeys));
    return n;
}

void BM_FindKeyRelative(benchmark::State& state)
{
    rs::TrsStorage s;
    s.setCachesEnabled(state.range(0) != 0);
    fill(s);
    const auto keys = names();
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.FindKey(keys[i++ % keys.size()], false));
}

void BM_FindKeyAbsolute(benchmark::State& state)
{
    rs::TrsStorage s;
    s.setCachesEnabled(state.range(0) != 0);
    fill(s);
    std::vector<std::string> keys;
    for (const auto& n : names())
        keys.push_back("\\Form1.rsPropSaver1\\" + n);
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(s.FindKey(keys[i++ % keys.size()], false));
}

// The property saver's pattern: the same key looked up again and again.
void BM_FindSameKey(benchmark::State& state)
{
    rs::TrsStorage s;
    s.setCachesEnabled(state.range(0) != 0);
    fill(s);
    for (auto _ : state)
        benchmark::DoNotOptimize(s.FindKey("Key5000", false));
}

void BM_WriteFileImage(benchmark::State& state)
{
    rs::TrsStorage s;
    fill(s);
    for (auto _ : state)
        benchmark::DoNotOptimize(rs::writeRs02(s.sections(), s.keys()));
}

void BM_ReadFileImage(benchmark::State& state)
{
    rs::TrsStorage s;
    fill(s);
    const std::string image = rs::writeRs02(s.sections(), s.keys());
    for (auto _ : state) {
        rs::TrsStorage r;
        rs::Rs02Tables t = rs::readRs02(image);
        r.assignTables(std::move(t.sections), std::move(t.keys));
        benchmark::DoNotOptimize(r.keys().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * image.size());
}

} // namespace

BENCHMARK(BM_FindKeyRelative)->ArgName("caches")->Arg(1)->Arg(0);
BENCHMARK(BM_FindKeyAbsolute)->ArgName("caches")->Arg(1)->Arg(0);
BENCHMARK(BM_FindSameKey)->ArgName("caches")->Arg(1)->Arg(0);
BENCHMARK(BM_WriteFileImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFileImage)->Unit(benchmark::kMicrosecond);
