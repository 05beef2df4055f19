// Speed of the measured workload: one DrawTile, one whole sprite step (clear plus 64
// sprites) with each clear method, and a whole frame of the real main window, against a
// bare loop that does the same memory work with no abstraction.
#include "application.h"
#include "fieldbitmap.h"
#include "mainform.h"
#include "runstate.h"
#include "spritefield.h"
#include "spritesheet.h"
#include "tick.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Sheet contents do not change the cost; a striped pattern keeps them honest.
const SpriteSheets &benchSheets()
{
    static const SpriteSheets sheets = [] {
        SpriteSheets s;
        for (int i = 0; i < kSheetWidth * kSheetHeight; ++i) {
            const bool opaque = (i / 3) % 2 == 0;
            s.mask.pixels[std::size_t(i)] = opaque ? 0xFF000000u : 0xFFFFFFFFu;
            s.colour.pixels[std::size_t(i)] = opaque ? 0xFF00FF00u : 0xFF000000u;
        }
        return s;
    }();
    return sheets;
}

void BM_DrawTile(benchmark::State &state)
{
    FieldBitmap field;
    const SpriteSheets &sheets = benchSheets();
    int x = 0;
    for (auto _ : state) {
        DrawTile(field, sheets, x, 140, 12);
        x = (x + 7) % 480;
        benchmark::DoNotOptimize(field.pixels());
    }
}
BENCHMARK(BM_DrawTile);

// Whole sprite steps on `field`, from a fixed scatter.
void runSpriteSteps(benchmark::State &state, FieldBitmap &field)
{
    field.setBrushColor(clBlack);
    RandomState = 12345;
    ScatterSprites();
    const SpriteSheets &sheets = benchSheets();
    for (auto _ : state) {
        SpriteStep(field, sheets);
        benchmark::DoNotOptimize(field.pixel(0, 0));
        benchmark::ClobberMemory();
    }
}

void BM_SpriteStep(benchmark::State &state, ClearMethod clear)
{
    const ClearMethod chosen = clearMethod();
    setClearMethod(clear);
    FieldBitmap field;
    runSpriteSteps(state, field);
    setClearMethod(chosen);
}
BENCHMARK_CAPTURE(BM_SpriteStep, plain_stores, ClearMethod::PlainStores);
#if defined(__SSE2__)
BENCHMARK_CAPTURE(BM_SpriteStep, streaming_stores, ClearMethod::StreamingStores);
#endif

// Everything DrawFrame does in the marquee phase, with the real sheets, labels and
// run state; the clock advances 1 ms every 5 frames, about as at 5,000 frames a second.
std::uint32_t g_benchTick = 0;
std::uint32_t benchTick()
{
    return g_benchTick;
}

void BM_DrawFrame(benchmark::State &state)
{
    setTickSource(benchTick);
    TMainForm form;
    std::uint32_t frame = 0;
    for (auto _ : state) {
        g_benchTick = StartTick + 1000 + (frame++ / 5) % 6000;
        form.DrawFrame();
        benchmark::DoNotOptimize(form.Image1->Field()->pixels());
    }
    setTickSource(nullptr);
}
BENCHMARK(BM_DrawFrame);

// The same work written as plainly as possible: fill, then per sprite a move with
// bounces and two 32 x 32 loops of AND and OR. The fill uses plain stores
// (BarePlainStores) or, where the processor has them, streaming ones (BareBaseline).
template <bool Streaming> void bareFrames(benchmark::State &state)
{
    constexpr int w = FieldBitmap::kWidth, h = FieldBitmap::kHeight;
    // Aligned for the streaming stores, as the program's images are.
    struct alignas(16) Block
    {
        std::uint32_t four[4];
    };
    auto pixels = std::make_unique<Block[]>(std::size_t(w) * h / 4);
    auto *base = reinterpret_cast<std::uint32_t *>(pixels.get());
    const SpriteSheets &sheets = benchSheets();
    RandomState = 12345;
    ScatterSprites();
    int sx[kSpriteCount], sy[kSpriteCount], dx[kSpriteCount], dy[kSpriteCount], tile[kSpriteCount];
    for (int i = 0; i < kSpriteCount; ++i) {
        sx[i] = std::min(SpriteX[i], 480);
        sy[i] = std::min(SpriteY[i], 280);
        dx[i] = SpriteDX[i];
        dy[i] = SpriteDY[i];
        tile[i] = SpriteTile[i];
    }
    for (auto _ : state) {
        if constexpr (Streaming) {
#if defined(__SSE2__)
            const __m128i black = _mm_set1_epi32(int(0xFF000000u));
            auto *out = reinterpret_cast<__m128i *>(base);
            for (int i = 0; i < w * h / 4; ++i)
                _mm_stream_si128(out + i, black);
            _mm_sfence();
#endif
        } else {
            std::fill_n(base, w * h, 0xFF000000u);
        }
        for (int i = 0; i < kSpriteCount; ++i) {
            sx[i] += dx[i];
            if (sx[i] < 0) {
                sx[i] = -sx[i];
                dx[i] = -dx[i];
            }
            if (sx[i] > 480) {
                sx[i] = 960 - sx[i];
                dx[i] = -dx[i];
            }
            sy[i] += dy[i];
            if (sy[i] < 0) {
                sy[i] = -sy[i];
                dy[i] = -dy[i];
            }
            if (sy[i] > 280) {
                sy[i] = 560 - sy[i];
                dy[i] = -dy[i];
            }
            const std::uint32_t *m = sheets.mask.pixels.data() + tile[i] * kTileSize;
            const std::uint32_t *c = sheets.colour.pixels.data() + tile[i] * kTileSize;
            for (int r = 0; r < kTileSize; ++r) {
                std::uint32_t *d = base + (sy[i] + r) * w + sx[i];
                for (int k = 0; k < kTileSize; ++k)
                    d[k] &= m[r * kSheetWidth + k];
            }
            for (int r = 0; r < kTileSize; ++r) {
                std::uint32_t *d = base + (sy[i] + r) * w + sx[i];
                for (int k = 0; k < kTileSize; ++k)
                    d[k] |= c[r * kSheetWidth + k];
            }
        }
        benchmark::DoNotOptimize(base);
        benchmark::ClobberMemory();
    }
}
#if defined(__SSE2__)
void BM_BareBaseline(benchmark::State &state)
{
    bareFrames<true>(state);
}
BENCHMARK(BM_BareBaseline);
#endif

void BM_BarePlainStores(benchmark::State &state)
{
    bareFrames<false>(state);
}
BENCHMARK(BM_BarePlainStores);

} // namespace

int main(int argc, char *argv[])
{
    // The main window is made but never shown: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication::PrepareToolkit();
    int qtArgc = 1;
    QApplication qtApp(qtArgc, argv);
    TApplication app;
    // As the program does at start-up; the whole frame runs with the method taken.
    benchmark::AddCustomContext("clear at start-up", clearMethodName(chooseClearMethod()));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
