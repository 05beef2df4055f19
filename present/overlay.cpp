#include "overlay.h"

#include <algorithm>
#include <cstring>

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
            m_runs.push_back(run);
        }
    }
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
        if (run.opaque) {
            std::memcpy(d, s, std::size_t(right - left) * sizeof *d);
            continue;
        }
        for (int i = 0; i < right - left; ++i) {
            const std::uint32_t alpha = s[i] >> 24;
            d[i] = alpha == 0xFF ? s[i] : 0xFF000000u | (s[i] + byteMul(d[i], 255 - alpha));
        }
    }
}
