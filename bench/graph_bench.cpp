#include "monitor/CGraphView.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {
static_assert(sizeof(CGraphStore::Point) == 8, "a raw sample must stay 8 bytes");

constexpr int kSamples = 1000000;
constexpr double kPeriod = 0.5; // seconds between polls
const Rect kClient{0, 0, 1200, 600};

// Draws nothing; counts what a painter would be asked to do.
class CountingSurface : public IDrawSurface {
public:
    void FillRect(const Rect&, Colour) override { ++fills; }
    void SetPen(const Pen&) override {}
    void MoveTo(int, int) override { ++moves; }
    void LineTo(int, int) override { ++lines; }
    void DrawText(int, int, const std::string&, int, Colour) override { ++texts; }
    TextSize TextExtent(const std::string& text) override {
        return {static_cast<int>(text.size()) * 7, 12};
    }
    long fills = 0, moves = 0, lines = 0, texts = 0;
};

double Reading(int i) {
    return std::sin(i * 0.001) * 100 + (i % 13) * 0.25;
}

void Record(CGraphView& graph, int n) {
    for (int i = 0; i < n; ++i)
        graph.addSample(i * kPeriod, Reading(i));
}

void Draw(benchmark::State& state, bool browse) {
    const int samples = browse ? static_cast<int>(state.range(0)) : kSamples;
    CGraphView graph;
    Record(graph, samples);
    graph.setRange(0, (samples - 1) * kPeriod, -110, 110);
    graph.setBrowseMode(browse);
    CountingSurface surface;
    for (auto _ : state) {
        graph.setDirty();
        graph.draw(kClient, surface, false);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["lines_per_draw"] = static_cast<double>(surface.lines) / n;
    state.counters["store_bytes_per_sample"] = static_cast<double>(graph.store().bytes()) / samples;
}

void BM_LiveDraw(benchmark::State& state) {
    Draw(state, false);
}

void BM_BrowseDrawFullView(benchmark::State& state) {
    Draw(state, true);
}

// Browsing the last minute of the recording: its first point is found by bisection.
void BM_BrowseDrawZoomedEnd(benchmark::State& state) {
    CGraphView graph;
    Record(graph, kSamples);
    const double end = (kSamples - 1) * kPeriod;
    graph.setBrowseMode(true);
    graph.setRange(end - 60, end, -110, 110);
    CountingSurface surface;
    for (auto _ : state) {
        graph.setDirty();
        graph.draw(kClient, surface, false);
    }
}

void BM_AddSample(benchmark::State& state) {
    CGraphView graph;
    int i = 0;
    for (auto _ : state) {
        graph.addSample(i * kPeriod, Reading(i));
        if (++i == kSamples) {
            state.PauseTiming();
            graph.clear();
            i = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
} // namespace

BENCHMARK(BM_LiveDraw)->Unit(benchmark::kMicrosecond);
// The full view's redraw follows the columns, not the samples: alike at 1 M and 10 M.
BENCHMARK(BM_BrowseDrawFullView)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowseDrawZoomedEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddSample);

BENCHMARK_MAIN();
