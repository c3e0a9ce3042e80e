// Reading and writing word files and reading grid cell files at 10^5 and 10^6 entries.
#include "game/core/grid_file.h"
#include "game/core/word_file.h"

#include <benchmark/benchmark.h>

namespace {

// Entries shaped like the real base: a word of 4..10 letters and a hint of 10..50 characters.
slovo::StringList makeLines(size_t n, size_t minLen, size_t spread, unsigned seed)
{
    slovo::StringList lines;
    lines.reserve(n);
    unsigned x = seed;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        std::string s(minLen + (x >> 16) % spread, '\0');
        for (auto& c : s) {
            x = x * 1103515245u + 12345u;
            c = static_cast<char>(0xC0 + (x >> 16) % 32);
        }
        lines.push_back(std::move(s));
    }
    return lines;
}

void BM_ParseHintFile(benchmark::State& state)
{
    const std::string bytes = slovo::formatLines(makeLines(state.range(0), 10, 41, 1));
    for (auto _ : state)
        benchmark::DoNotOptimize(slovo::parseLines(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void BM_ParseWordFile(benchmark::State& state)
{
    const std::string bytes = slovo::formatLines(makeLines(state.range(0), 4, 7, 2));
    for (auto _ : state)
        benchmark::DoNotOptimize(slovo::parseLines(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void BM_FormatHintFile(benchmark::State& state)
{
    const auto lines = makeLines(state.range(0), 10, 41, 3);
    size_t size = 0;
    for (auto _ : state) {
        auto out = slovo::formatLines(lines);
        size = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

void BM_ParseGridFile(benchmark::State& state)
{
    const auto words = makeLines(state.range(0), 4, 7, 4);
    const auto hints = makeLines(state.range(0), 10, 41, 5);
    std::string bytes = "3," + std::to_string(words.size() + 1) + "\r\ncw:1,100\r\ncw:2,300\r\n";
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string row = std::to_string(i + 1);
        bytes += "0," + row + "," + row + "\r\n1," + row + "," + words[i] + "\r\n2," + row + "," + hints[i] + "\r\n";
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(slovo::parseGridFile(bytes, "slovolovka.txt"));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

} // namespace

BENCHMARK(BM_ParseWordFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseHintFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatHintFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseGridFile)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
