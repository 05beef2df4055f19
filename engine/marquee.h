// The status line of a run: a request to wait that enters from the right and leaves to
// the left, one full-width character every 300 ms, as 27 fixed eight-character rows.
#pragma once

#include "runstate.h"

#include <array>
#include <cstdint>
#include <string_view>

struct MarqueeRow
{
    std::int32_t upToMs;   // chosen for ElapsedMs up to and including this, above the row before
    std::string_view text; // eight full-width characters (16 bytes in Shift-JIS), UTF-8
};

constexpr std::int32_t kMarqueeStepMs = 300;
constexpr int kMarqueeRowCount = 27;

// \u3000 is the ideographic space; spelled out so the blanks stay countable.
inline constexpr auto MarqueeTexts = std::to_array<MarqueeRow>({
    {300, "\u3000\u3000\u3000\u3000\u3000\u3000\u3000只"},
    {600, "\u3000\u3000\u3000\u3000\u3000\u3000只今"},
    {900, "\u3000\u3000\u3000\u3000\u3000只今・"},
    {1200, "\u3000\u3000\u3000\u3000只今・計"},
    {1500, "\u3000\u3000\u3000只今・計測"},
    {1800, "\u3000\u3000只今・計測中"},
    {2100, "\u3000只今・計測中で"},
    {2400, "只今・計測中です"},
    {2700, "今・計測中です\u3000"},
    {3000, "・計測中です\u3000暫"},
    {3300, "計測中です\u3000暫く"},
    {3600, "測中です\u3000暫く\u3000"},
    {3900, "中です\u3000暫く\u3000お"},
    {4200, "です\u3000暫く\u3000お待"},
    {4500, "す\u3000暫く\u3000お待ち"},
    {4800, "\u3000暫く\u3000お待ち下"},
    {5100, "暫く\u3000お待ち下さ"},
    {5400, "く\u3000お待ち下さい"},
    {5700, "\u3000お待ち下さい・"},
    {6000, "お待ち下さい・\u3000"},
    {6300, "待ち下さい・\u3000\u3000"},
    {6600, "ち下さい・\u3000\u3000\u3000"},
    {6900, "下さい・\u3000\u3000\u3000\u3000"},
    {7200, "さい・\u3000\u3000\u3000\u3000\u3000"},
    {7500, "い・\u3000\u3000\u3000\u3000\u3000\u3000"},
    {7800, "・\u3000\u3000\u3000\u3000\u3000\u3000\u3000"},
    // Reaches to the scoring threshold, though updates stop at kMarqueeEndMs.
    {kScoringMs, "\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000"},
});
static_assert(MarqueeTexts.size() == kMarqueeRowCount);

// Row k (from 0) ends at 300·(k+1), so the ranges neither overlap nor leave gaps.
constexpr bool marqueeBoundsStepEvenly()
{
    for (std::size_t k = 0; k + 1 < MarqueeTexts.size(); ++k) {
        if (MarqueeTexts[k].upToMs != kMarqueeStepMs * static_cast<std::int32_t>(k + 1))
            return false;
    }
    return MarqueeTexts.back().upToMs == kScoringMs;
}
static_assert(marqueeBoundsStepEvenly());

// 0-based index of the row whose range holds elapsedMs (0 < elapsedMs ≤ 8700), else -1.
int marqueeRow(std::int32_t elapsedMs);
