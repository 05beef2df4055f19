#include "fieldbitmap.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kPixelCount = std::size_t(FieldBitmap::kWidth) * FieldBitmap::kHeight;

struct AndOp
{
    static std::uint32_t apply(std::uint32_t d, std::uint32_t s) { return d & s; }
};
struct OrOp
{
    static std::uint32_t apply(std::uint32_t d, std::uint32_t s) { return d | s; }
};

// The block loop, with the width fixed at compile time for whole tiles so that each
// row becomes a few vector operations.
template <typename Op, int FixedWidth>
void blendBlock(std::uint32_t *__restrict d, const std::uint32_t *__restrict s, int w, int h,
                int sourceStride)
{
    const int n = FixedWidth ? FixedWidth : w;
    for (int r = 0; r < h; ++r, d += FieldBitmap::kWidth, s += sourceStride)
        for (int i = 0; i < n; ++i)
            d[i] = Op::apply(d[i], s[i]);
}

template <typename Op>
void blend(std::uint32_t *d, const std::uint32_t *s, int w, int h, int sourceStride)
{
    if (w == 32)
        blendBlock<Op, 32>(d, s, w, h, sourceStride);
    else
        blendBlock<Op, 0>(d, s, w, h, sourceStride);
}

void plainFill(std::uint32_t *pixels, std::size_t count, std::uint32_t value)
{
    std::fill_n(pixels, count, value);
}

#if defined(__SSE2__)
void streamingFill(std::uint32_t *pixels, std::size_t count, std::uint32_t value)
{
    if (reinterpret_cast<std::uintptr_t>(pixels) % 16 != 0 || count % 4 != 0) {
        plainFill(pixels, count, value);
        return;
    }
    const __m128i four = _mm_set1_epi32(static_cast<int>(value));
    auto *out = reinterpret_cast<__m128i *>(pixels);
    for (std::size_t i = 0; i < count / 4; ++i)
        _mm_stream_si128(out + i, four);
    // Other processors (the X server) see the stores before anything that follows.
    _mm_sfence();
}
#endif

using FillRows = void (*)(std::uint32_t *pixels, std::size_t count, std::uint32_t value);

struct ClearMethodEntry
{
    ClearMethod method;
    const char *name;
    FillRows fill;
};

constexpr auto kClearMethods = std::to_array<ClearMethodEntry>({
    {ClearMethod::PlainStores, "plain stores", plainFill},
#if defined(__SSE2__)
        {ClearMethod::StreamingStores, "streaming stores", streamingFill},
#endif
});

// Only chooseClearMethod and setClearMethod change it, before the first frame.
const ClearMethodEntry *g_clear = &kClearMethods[0];

const ClearMethodEntry &entryOf(ClearMethod method)
{
    const auto *found = std::ranges::find(kClearMethods, method, &ClearMethodEntry::method);
    return found != kClearMethods.end() ? *found : kClearMethods[0];
}

// Whole rows at once, by the chosen method.
void fillRows(std::uint32_t *pixels, std::size_t count, std::uint32_t value)
{
    g_clear->fill(pixels, count, value);
}

// What one frame's clear and tiles take with the current method, on average over a short
// burst: a clear, then 64 tiles that read back and change what it wrote. A private field
// misses what the window system's reads on another processor add; the frame's own cost is
// the part a processor can make several times dearer.
double secondsPerFrame(FieldBitmap &field, const std::uint32_t *mask, const std::uint32_t *colour)
{
    using Clock = std::chrono::steady_clock;
    constexpr auto kBurst = std::chrono::microseconds(800);
    constexpr int kTiles = 64;
    int frames = 0;
    const Clock::time_point start = Clock::now();
    Clock::time_point now = start;
    for (; now - start < kBurst; now = Clock::now(), ++frames) {
        field.fillRect({0, 0, FieldBitmap::kWidth, FieldBitmap::kHeight});
        for (int i = 0; i < kTiles; ++i)
            field.andOrTile(i * 97 % (FieldBitmap::kWidth - FieldBitmap::kTile),
                            i * 53 % (FieldBitmap::kHeight - FieldBitmap::kTile), mask, colour,
                            FieldBitmap::kTile);
    }
    return std::chrono::duration<double>(now - start).count() / std::max(frames, 1);
}

} // namespace

ClearMethod clearMethod()
{
    return g_clear->method;
}

void setClearMethod(ClearMethod method)
{
    g_clear = &entryOf(method);
}

const char *clearMethodName(ClearMethod method)
{
    return entryOf(method).name;
}

ClearMethod chooseClearMethod()
{
    // Streaming must win by this much: plain stores are the safe default, and a tie
    // within the timer's noise is no reason to leave it.
    constexpr double kMargin = 0.9;
    constexpr int kRounds = 3;
    FieldBitmap field;
    field.setBrushColor(clBlack);
    // Half the tile opaque, as in the sheets; the values do not change the cost.
    std::vector<std::uint32_t> mask(FieldBitmap::kTile * FieldBitmap::kTile);
    std::vector<std::uint32_t> colour(mask.size());
    for (std::size_t i = 0; i < mask.size(); ++i) {
        mask[i] = i % 2 ? 0xFF000000u : 0xFFFFFFFFu;
        colour[i] = i % 2 ? 0xFF00FF00u : 0xFF000000u;
    }
    std::array<double, kClearMethods.size()> best;
    best.fill(std::numeric_limits<double>::infinity());
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t m = 0; m < kClearMethods.size(); ++m) {
            g_clear = &kClearMethods[m];
            best[m] = std::min(best[m], secondsPerFrame(field, mask.data(), colour.data()));
        }
    }
    g_clear = &kClearMethods[0];
    for (std::size_t m = 1; m < kClearMethods.size(); ++m)
        if (best[m] < kMargin * best[0] && best[m] < best[std::size_t(g_clear - &kClearMethods[0])])
            g_clear = &kClearMethods[m];
    return g_clear->method;
}

FieldBitmap::FieldBitmap()
    : m_ownPixels(new std::uint32_t[kPixelCount]), m_pixels(m_ownPixels.get())
{
    std::fill_n(m_pixels, kPixelCount, toPixel(clBlack));
}

FieldBitmap::FieldBitmap(const FieldBitmap &other)
    : m_ownPixels(new std::uint32_t[kPixelCount]), m_pixels(m_ownPixels.get()),
      m_brushColor(other.m_brushColor), m_copyMode(other.m_copyMode)
{
    std::memcpy(m_pixels, other.m_pixels, kPixelCount * sizeof(std::uint32_t));
}

void FieldBitmap::useStore(std::uint32_t *store, StoreContent content)
{
    if (store == m_pixels)
        return;
    if (content == StoreContent::KeepPixels)
        std::memcpy(store, m_pixels, kPixelCount * sizeof(std::uint32_t));
    m_pixels = store;
    m_ownPixels.reset();
}

void FieldBitmap::setChangeHandler(ChangeHandler handler, void *context)
{
    m_onChange = handler;
    m_changeContext = context;
}

void FieldBitmap::fillRect(const TRect &rect)
{
    const int left = std::max(rect.left, 0);
    const int top = std::max(rect.top, 0);
    const int right = std::min(rect.right, kWidth);
    const int bottom = std::min(rect.bottom, kHeight);
    if (left < right && top < bottom) {
        const std::uint32_t value = toPixel(m_brushColor);
        if (left == 0 && right == kWidth) {
            fillRows(m_pixels + top * kWidth, std::size_t(bottom - top) * kWidth, value);
        } else {
            for (int y = top; y < bottom; ++y)
                std::fill_n(m_pixels + y * kWidth + left, right - left, value);
        }
    }
    changed();
}

void FieldBitmap::copyRect(int x, int y, const PixelView &source, const TRect &sourceRect)
{
    // Clip the source rectangle to the source, then the destination to the field,
    // moving the other rectangle's corner along.
    int sx = sourceRect.left, sy = sourceRect.top;
    int w = sourceRect.right - sourceRect.left, h = sourceRect.bottom - sourceRect.top;
    auto clipAxis = [](int &dst, int &src, int &len, int dstLimit, int srcLimit) {
        if (src < 0) {
            dst -= src;
            len += src;
            src = 0;
        }
        if (dst < 0) {
            src -= dst;
            len += dst;
            dst = 0;
        }
        len = std::min({len, dstLimit - dst, srcLimit - src});
    };
    clipAxis(x, sx, w, kWidth, source.width);
    clipAxis(y, sy, h, kHeight, source.height);

    if (w > 0 && h > 0) {
        std::uint32_t *d = m_pixels + y * kWidth + x;
        const std::uint32_t *s = source.pixels + sy * source.width + sx;
        switch (m_copyMode) {
        case CopyMode::SrcAnd:
            blend<AndOp>(d, s, w, h, source.width);
            break;
        case CopyMode::SrcPaint:
            blend<OrOp>(d, s, w, h, source.width);
            break;
        }
    }
    changed();
}

void FieldBitmap::andOrTile(int x, int y, const std::uint32_t *__restrict mask,
                            const std::uint32_t *__restrict colour, int sourceStride)
{
    std::uint32_t *__restrict d = m_pixels + y * kWidth + x;
    for (int r = 0; r < kTile; ++r, d += kWidth, mask += sourceStride, colour += sourceStride)
        for (int i = 0; i < kTile; ++i)
            d[i] = (d[i] & mask[i]) | colour[i];
    m_copyMode = CopyMode::SrcPaint;
    changed();
}
