// The trend graph drawn by Qt into an off-screen image of 1200 x 600, as the widget draws its
// picture: the live picture (slot envelope) of 1,000,000 samples, and the browse picture of
// the full view at 1,000,000 and 10,000,000 samples, whose times should be alike (the browse
// redraw follows the columns, not the samples), with the memory the store takes per sample.

#include "monitor/CGraphView.h"
#include "monitor/qt/CQtDrawSurface.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace {
constexpr int kSamples = 1000000;
constexpr double kPeriod = 0.5; // seconds between polls
constexpr int kWidth = 1200;
constexpr int kHeight = 600;

double Reading(int i) {
    return std::sin(i * 0.001) * 100 + (i % 13) * 0.25;
}

void Draw(benchmark::State& state, bool browse) {
    const int samples = browse ? static_cast<int>(state.range(0)) : kSamples;
    CGraphView graph;
    for (int i = 0; i < samples; ++i)
        graph.addSample(i * kPeriod, Reading(i));
    graph.setRange(0, (samples - 1) * kPeriod, -110, 110);
    graph.setBrowseMode(browse);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const QFont font = CQtDrawSurface::ScreenFont();
    for (auto _ : state) {
        graph.setDirty();
        QPainter painter(&image);
        CQtDrawSurface surface(painter, font);
        graph.draw(Rect{0, 0, kWidth, kHeight}, surface, false);
        surface.Flush();
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["store_bytes_per_sample"] = static_cast<double>(graph.store().bytes()) / samples;
    state.counters["slot_store_bytes"] =
        static_cast<double>(CGraphStore::kSlotCount * sizeof(CGraphStore::Slot));
    const char* out = std::getenv("Q3_BENCH_IMAGE_DIR");
    if (out && *out)
        image.save(QString::fromLocal8Bit(out) +
                   (browse ? "/bench_browse.png" : "/bench_live.png"));
}

void BM_QtLiveDraw(benchmark::State& state) {
    Draw(state, false);
}

void BM_QtBrowseDrawFullView(benchmark::State& state) {
    Draw(state, true);
}
} // namespace

BENCHMARK(BM_QtLiveDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtBrowseDrawFullView)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Fonts need a GUI application; no window is shown.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
