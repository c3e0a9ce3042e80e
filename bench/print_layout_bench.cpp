// The print preview's page count for a table of 10^5 rows: the whole layout, measured over
// every cell.
#include "toolkit/core/print_layout.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

class FixedMeasurer : public tk::PrintTextMeasurer {
public:
    int lineHeight(tk::PrintFont) const override { return 33; }
    int charWidth(tk::PrintFont, unsigned char c) const override { return c < 32 ? 0 : 12 + c % 7; }
};

void BM_PageCount100k(benchmark::State& state)
{
    std::vector<std::vector<std::string>> cells{{"", " Слово", " Подсказка"}};
    for (int r = 1; r <= 100000; ++r)
        cells.push_back({std::to_string(r), "СЛОВО" + std::to_string(r % 97), "ПОДСКАЗКА К СЛОВУ НОМЕР " + std::to_string(r)});
    const FixedMeasurer m;
    for (auto _ : state) {
        const tk::PrintLayout layout(cells, 2000, 2870, m);
        benchmark::DoNotOptimize(layout.pageCount());
    }
}
BENCHMARK(BM_PageCount100k)->Unit(benchmark::kMillisecond);

} // namespace
