// The range bar is redrawn at every drag step and every 50 ms arrow repeat, so
// one paint must stay far below a frame (16 ms). Run:
//   QT_QPA_PLATFORM=offscreen build/bench/zoomler/zoomler_bench

#include <QApplication>
#include <QPixmap>
#include <benchmark/benchmark.h>

#include "widgets/zoomler.h"
#include "widgets/zoomlerlogic.h"

namespace {

// The model's picture alone: the rectangles of one paint, counted, not drawn.
void BM_ModelPicture(benchmark::State& state) {
    struct Counter : kordel::BarCanvas {
        void fill(int, int, int, int, kordel::BarColour) override { ++count; }
        long count = 0;
    } counter;
    kordel::ZoomlerLogic z;
    z.setSize(900, 14);
    for (auto _ : state) {
        z.updateGeometry();
        z.paint(counter);
        benchmark::DoNotOptimize(counter.count);
    }
}
BENCHMARK(BM_ModelPicture);

// Drawing the whole bar into its off-screen bitmap.
void BM_RenderBitmap900x14(benchmark::State& state) {
    TZoomler bar;
    bar.resize(900, 14);
    bar.renderBitmap();
    for (auto _ : state) {
        bar.renderBitmap();
        benchmark::DoNotOptimize(bar.bitmap().constBits());
    }
}
BENCHMARK(BM_RenderBitmap900x14);

// A whole paint event: the bitmap drawn and copied onto a target pixmap.
void BM_PaintEvent900x14(benchmark::State& state) {
    TZoomler bar;
    bar.resize(900, 14);
    QPixmap target(900, 14);
    for (auto _ : state) {
        bar.render(&target);
        benchmark::DoNotOptimize(target.cacheKey());
    }
}
BENCHMARK(BM_PaintEvent900x14);

// The same for a vertical bar of the same size.
void BM_PaintEventVertical14x900(benchmark::State& state) {
    TZoomler bar;
    bar.setOrientation(TOrientation::Vertical);
    bar.resize(14, 900);
    QPixmap target(14, 900);
    for (auto _ : state) {
        bar.render(&target);
        benchmark::DoNotOptimize(target.cacheKey());
    }
}
BENCHMARK(BM_PaintEventVertical14x900);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
