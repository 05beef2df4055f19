#include "marquee.h"

#include <algorithm>

int marqueeRow(std::int32_t elapsedMs)
{
    if (elapsedMs <= 0)
        return -1;
    // The first row whose upper bound reaches elapsedMs.
    const auto row = std::ranges::lower_bound(MarqueeTexts, elapsedMs, {}, &MarqueeRow::upToMs);
    return row == MarqueeTexts.end() ? -1 : static_cast<int>(row - MarqueeTexts.begin());
}
