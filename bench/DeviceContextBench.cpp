// What one board refresh costs in the device context: bitmaps loaded and stretched, texts drawn,
// fonts made, lines drawn, into an offscreen image.
#include "platform/PainterDeviceContext.h"
#include "plugin/board/StavoBitmaps.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

namespace {

using platform::CPainterDeviceContext;

platform::LogFont BoardFont()
{
    platform::LogFont font;
    font.height = 18;
    font.charSet = 238;
    font.faceName = "Ariel";
    return font;
}

// An offscreen image with a painter and a context on it, for one benchmark.
struct Canvas {
    QImage image { 1400, 900, QImage::Format_RGB32 };
    QPainter painter { &image };
    CPainterDeviceContext dc { painter };
};

void BM_LoadStatusBitmap(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(LoadStavoBitmap(139));
}
BENCHMARK(BM_LoadStatusBitmap);

void BM_StretchStatusBitmap(benchmark::State& state)
{
    Canvas canvas;
    const auto bitmap = LoadStavoBitmap(183);
    for (auto _ : state)
        canvas.dc.StretchBlt({ 100, 100, 128, 119 }, *bitmap, { 0, 0, 20, 20 });
}
BENCHMARK(BM_StretchStatusBitmap);

void BM_DrawCallsign(benchmark::State& state)
{
    Canvas canvas;
    auto font = canvas.dc.CreateFontIndirect(BoardFont());
    const platform::CFont* previous = canvas.dc.SelectFont(font.get());
    canvas.dc.SetBkMode(platform::kTransparent);
    for (auto _ : state)
        canvas.dc.DrawText("DLH4AB", { 100, 100, 198, 119 }, platform::kDrawTextCenter);
    canvas.dc.SelectFont(previous);
}
BENCHMARK(BM_DrawCallsign);

void BM_CreateBoardFont(benchmark::State& state)
{
    Canvas canvas;
    for (auto _ : state)
        benchmark::DoNotOptimize(canvas.dc.CreateFontIndirect(BoardFont()));
}
BENCHMARK(BM_CreateBoardFont);

// The drawing work of a full board (39 stand lines of two stands, 4 final rows of five slots):
// about 300 texts, 200 bitmaps loaded and stretched, 400 grid lines, one font and one context.
void BM_BoardSizedRefresh(benchmark::State& state)
{
    QImage image(1400, 900, QImage::Format_RGB32);
    const std::array<int, 8> ids { 139, 141, 142, 146, 180, 181, 183, 186 };
    const platform::CPen thin { 0, 0 };
    const platform::CPen thick { 3, 0 };
    for (auto _ : state) {
        QPainter painter(&image);
        CPainterDeviceContext dc(painter);
        dc.FillRect({ 0, 0, 1400, 900 }, platform::Rgb(220, 220, 220));
        dc.SetBkMode(platform::kTransparent);
        auto font = dc.CreateFontIndirect(BoardFont());
        const platform::CFont* previousFont = dc.SelectFont(font.get());
        const platform::CPen* previousPen = dc.SelectPen(&thin);
        for (int row = 0; row < 43; ++row) {
            const int y = 3 + row * 20;
            dc.SelectPen(&thick);
            dc.MoveTo(0, y + 19);
            dc.LineTo(1400, y + 19);
            dc.SelectPen(&thin);
            for (int column = 0; column < 8; ++column) {
                const int x = column * 170;
                dc.MoveTo(x, y);
                dc.LineTo(x, y + 19);
                dc.DrawText("DLH4AB", { x, y, x + 98, y + 19 }, platform::kDrawTextCenter);
                if (column % 2 == 0) {
                    auto bitmap = LoadStavoBitmap(ids[(row + column) % ids.size()]);
                    dc.StretchBlt({ x + 100, y, x + 128, y + 19 }, *bitmap, { 0, 0, 20, 20 });
                }
            }
        }
        dc.SelectPen(previousPen);
        dc.SelectFont(previousFont);
    }
}
BENCHMARK(BM_BoardSizedRefresh)->Unit(benchmark::kMillisecond);

} // namespace
