// Painting speed: byte-exact blending of a full-HD region in each mode, and bar-sized
// rectangles with centred text drawn through the canvas.

#include <benchmark/benchmark.h>

#include "BenchMain.h"

#include <QGuiApplication>
#include <QImage>

#include "Canvas.h"
#include "treegrid/AlphaBlend.h"

namespace {

constexpr int W = 1920;
constexpr int H = 1080;

QImage Pattern(int seed)
{
    QImage img(W, H, QImage::Format_ARGB32);
    for (int y = 0; y < H; ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x)
            row[x] = qRgba((x + seed) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF, (x + y + seed) & 0xFF);
    }
    return img;
}

void BlendMode(benchmark::State &state)
{
    const auto mode = TBlendMode(state.range(0));
    const QImage source = Pattern(7);
    QImage destination = Pattern(99);
    for (auto _ : state) {
        AlphaBlend(&source, &destination, QRect(0, 0, W, H), QPoint(0, 0), mode, 128,
                   mode == bmConstantAlphaAndColor ? RGBToColor(10, 20, 30) : -20);
        benchmark::DoNotOptimize(destination.constBits());
    }
    state.SetItemsProcessed(state.iterations() * W * H);
}

void BarsWithText(benchmark::State &state)
{
    TCanvas canvas(W, H);
    canvas.Font().SetName(QStringLiteral("DejaVu Sans"));
    canvas.Font().SetHeight(-11);
    const QString texts[] = {QStringLiteral("Assembly line 4"), QStringLiteral("Review"),
                             QStringLiteral("Planned maintenance of the press"), QStringLiteral("Holiday")};
    for (auto _ : state) {
        for (int i = 0; i < 5000; ++i) {
            const int x = (i * 37) % (W - 140);
            const int y = (i * 19) % (H - 20);
            const QRect bar(x, y, 60 + (i % 80), 18);
            canvas.Pen().SetColor(clBlack);
            canvas.Brush().SetColor(RGBToColor(i & 0xFF, 0xCC, 0xE4));
            canvas.Rectangle(bar);
            canvas.Brush().SetStyle(bsClear);
            QRect textRect = bar.adjusted(2, 0, -2, 0);
            canvas.DrawText(texts[i % 4], textRect, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        benchmark::DoNotOptimize(canvas.Image()->constBits());
    }
    state.SetItemsProcessed(state.iterations() * 5000);
}

} // namespace

BENCHMARK(BlendMode)->Arg(bmConstantAlpha)->Arg(bmPerPixelAlpha)->Arg(bmMasterAlpha)->Arg(bmConstantAlphaAndColor)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BarsWithText)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    return RunBenchmarks(argc, argv);
}
