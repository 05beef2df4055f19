#include "overlay.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// x * a / 255 per channel, with the rounding of the toolkit's own source-over.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t t = (x & 0xFF00FFu) * a;
    t = (t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8;
    t &= 0xFF00FFu;
    x = ((x >> 8) & 0xFF00FFu) * a;
    x = x + ((x >> 8) & 0xFF00FFu) + 0x800080u;
    x &= 0xFF00FF00u;
    return x | t;
}

// Source over for one pixel. A fully transparent source leaves the field as it is, so
// spans may run over the gaps between a glyph's strokes.
inline std::uint32_t over(std::uint32_t s, std::uint32_t d)
{
    return 0xFF000000u | (s + byteMul(d, 255 - (s >> 24)));
}

#if defined(__SSE2__)
// Eight channels of two pixels times their pixel's factor, rounded as byteMul.
inline __m128i mulChannels(__m128i channels, __m128i factors)
{
    const __m128i t = _mm_mullo_epi16(channels, factors);
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), _mm_set1_epi16(0x80)), 8);
}
#endif

// Source over along a span, four pixels at a time where the processor allows.
void blendSpan(std::uint32_t *d, const std::uint32_t *s, int n)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i *>(d + i));
        __m128i inverse = _mm_sub_epi32(_mm_set1_epi32(255), _mm_srli_epi32(src, 24));
        inverse = _mm_or_si128(inverse, _mm_slli_epi32(inverse, 16));
        const __m128i low =
            mulChannels(_mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi32(inverse, inverse));
        const __m128i high =
            mulChannels(_mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi32(inverse, inverse));
        const __m128i blended = _mm_add_epi32(src, _mm_packus_epi16(low, high));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + i),
                         _mm_or_si128(blended, _mm_set1_epi32(int(0xFF000000u))));
    }
#endif
    for (; i < n; ++i)
        d[i] = over(s[i], d[i]);
}

// Transparent gaps up to this long are blended over rather than skipped: a span costs
// more to start than a few pixels cost to blend.
constexpr int kBridgedGap = 8;

} // namespace

void Overlay::setPicture(const OverlayPicture &picture)
{
    m_picture = picture;
    m_runs.clear();
    for (int y = 0; y < picture.height; ++y) {
        const std::uint32_t *line = picture.pixels + std::size_t(y) * std::size_t(picture.stride);
        for (int x = 0; x < picture.width;) {
            if ((line[x] >> 24) == 0) {
                ++x;
                continue;
            }
            Run run{y, x, x, true};
            for (; x < picture.width && (line[x] >> 24) != 0; ++x)
                run.opaque = run.opaque && (line[x] >> 24) == 0xFF;
            run.right = x;
            Run *last = m_runs.empty() ? nullptr : &m_runs.back();
            if (last && last->y == y && !last->opaque && !run.opaque &&
                run.left - last->right <= kBridgedGap)
                last->right = run.right;
            else
                m_runs.push_back(run);
        }
    }
    // Whole groups of four where the row has room: what a run takes in beyond its end is
    // transparent (the next run is more than a bridged gap away) and blends to nothing.
    for (Run &run : m_runs)
        if (!run.opaque)
            run.right = std::min(run.left + (run.right - run.left + 3) / 4 * 4, picture.width);
}

void Overlay::blendOver(std::uint32_t *field, int fieldWidth, int fieldHeight, int x, int y) const
{
    for (const Run &run : m_runs) {
        const int row = y + run.y;
        const int left = std::max(x + run.left, 0);
        const int right = std::min(x + run.right, fieldWidth);
        if (row < 0 || row >= fieldHeight || left >= right)
            continue;
        const std::uint32_t *s =
            m_picture.pixels + std::size_t(run.y) * std::size_t(m_picture.stride) + (left - x);
        std::uint32_t *d = field + std::size_t(row) * std::size_t(fieldWidth) + left;
        if (run.opaque)
            std::memcpy(d, s, std::size_t(right - left) * sizeof *d);
        else
            blendSpan(d, s, right - left);
    }
}
