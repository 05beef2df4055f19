// The score of a run and the ladder of 21 rating bands that comments on it.
#pragma once

#include "colour.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

// Score line: prefix, the score in decimal, suffix. The header replaces the status line.
inline constexpr std::string_view kScorePrefix = "反重力  ";
inline constexpr std::string_view kScoreSuffix = " [RG]";
inline constexpr std::string_view kRatingHeader = "Ｐｌｏｖｅｘメッセージ！";
// The score line ends in LF CR, comment lines are joined by CR LF; the labels take both.
inline constexpr std::string_view kScoreLineBreak = "\n\r";
inline constexpr std::string_view kCommentLineBreak = "\r\n";

// The lowest band's edge: it takes every score below the next one, negatives included.
constexpr std::int32_t kNoLowerEdge = std::numeric_limits<std::int32_t>::min();

struct BandColours
{
    TColor label1Text;
    TColor background; // Label1's and Label3's background and the field brush
    TColor label3Text;
};

constexpr int kMaxCommentLines = 3;

struct RatingBand
{
    std::int32_t lowerEdge;             // included; the band ends below the next band's edge
    std::optional<BandColours> colours; // without them the labels and field keep theirs
    std::array<std::string_view, kMaxCommentLines> comment; // unused lines stay empty

    constexpr int lineCount() const
    {
        return static_cast<int>(
            std::ranges::count_if(comment, [](std::string_view line) { return !line.empty(); }));
    }
};

constexpr int kRatingBandCount = 21;

inline constexpr auto RatingBands = std::to_array<RatingBand>({
    {kNoLowerEdge, BandColours{clYellow, clRed, clWhite}, {"きゃ～ッ！", "墜落しちゃうよ～っ！"}},
    {50, BandColours{clMaroon, clFuchsia, clWhite}, {"お願い！", "\u3000もっとエネルギーを！"}},
    {100, BandColours{clBlue, clLime, clFuchsia}, {"低空飛行中 で～す"}},
    {150, BandColours{clYellow, clGreen, clFuchsia}, {"なんとか危機を乗り越えたぜ"}},
    {200, BandColours{clRed, clAqua, clBlue}, {"ちょっと余裕がでてきたな～"}},
    {250, BandColours{clYellow, clBlue, clFuchsia}, {"なかなか調子出てきたじゃん"}},
    // The ASCII '!' is the band's own; every other one in the ladder is full-width.
    {300, BandColours{clAqua, clPurple, clYellow}, {"ここまで飛べれば・・・", "一人前だねッ!"}},
    {350, std::nullopt, {"もうすぐ・・・", "大気圏を突破できるねッ！"}},
    {450, std::nullopt, {"地球よ さらばッ！", " いざ宇宙へ！"}},
    {600, std::nullopt, {"人工衛星が・・・", "ボクの下を飛んでるョ！"}},
    {750, std::nullopt, {"お月様「こんばんわ」", "お元気！"}},
    {900, std::nullopt, {"もうすぐ火星だよッ！"}},
    {1100, std::nullopt, {"ここは、水星です", " 泳げるかなッ？"}},
    {1500, std::nullopt, {"いつの間にか木星だよッ！"}},
    {2000, std::nullopt, {"ここは 金星です", " お金落ちてるかな？"}},
    {2500, std::nullopt, {"ついに・・・", "土星に来ちまったよッ！"}},
    {3000, std::nullopt, {"わ～ッ！ここは・・・", "太陽でね～のッ！"}},
    {4000, std::nullopt, {"ヒョットして・・・", "ここは、天王星ですねッ！"}},
    {5000, std::nullopt, {"思えば遠くへ来たもんだ", "海王星なのだッ！"}},
    {6000, std::nullopt, {"なんと! 太陽系のド田舎 ", "冥王星ですじゃ"}},
    {7000, std::nullopt, {"最高の気分だネッ。", "太陽系を出て", "銀河の旅路へ出発だ！"}},
});
static_assert(RatingBands.size() == kRatingBandCount);
static_assert(RatingBands.front().lowerEdge == kNoLowerEdge);
static_assert(std::ranges::adjacent_find(RatingBands, std::ranges::greater_equal{},
                                         &RatingBand::lowerEdge) == RatingBands.end(),
              "band edges must rise strictly, or a band would be unreachable");

// (frameCount × 1000 + 500) div elapsedMs, truncated toward zero, formed in 64 bits so
// that no frame count overflows it, and held within the 32-bit range; elapsedMs must be
// positive (the run only scores past 8700 ms).
std::int32_t ComputeScore(std::int32_t frameCount, std::int32_t elapsedMs);

// 0-based index into RatingBands of the band holding score.
int ratingBandIndex(std::int32_t score);
const RatingBand &bandFor(std::int32_t score);

// Thousands, hundreds, tens and units of the score's lowest four digits, leading zeros kept.
std::array<int, 4> scoreDigits(std::int32_t score);

// Where the four digit tiles lie on the field: digit k has its top-left corner at
// (kScoreDigitLeft + kScoreDigitSpacing × k, kScoreDigitTop).
constexpr int kScoreDigitLeft = 168;
constexpr int kScoreDigitSpacing = 48;
constexpr int kScoreDigitTop = 32;

// Prefix, score, suffix, LF CR, then the band's comment lines joined by CR LF.
std::string ComposeRatingText(std::int32_t score);
