// The score table window's eight rows: one coloured ellipse and one label per band, the
// band of 350 and above at the top. The window blinks the row of the last score.
#pragma once

#include "colour.h"
#include "rating.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

struct ScoreTableRow
{
    int band;
    std::int32_t lowerEdge; // included; the row ends below the edge of the row above
    int shapeTop;           // the ellipse
    TColor colour;          // the ellipse's colour at rest
    int labelTop;
    std::string_view rangeCaption; // "～" is the Shift-JIS wave dash 0x81 0x60
    std::string_view comment;      // replaces the caption, in red, once the row blinks
};

constexpr int kScoreTableRowCount = 8;

// The window's client area and where its controls sit in it, in pixels.
constexpr int kScoreTableClientWidth = 202;
constexpr int kScoreTableClientHeight = 323;
constexpr int kScoreTableDesignLeft = 192; // stored, replaced by centring at creation
constexpr int kScoreTableDesignTop = 107;
constexpr int kScoreShapeLeft = 8; // every row's ellipse...
constexpr int kScoreShapeWidth = 65;
constexpr int kScoreShapeHeight = 25;
constexpr int kScoreLabelLeft = 88; // ...and its label
struct ControlBox
{
    int left, top, width, height;
};
inline constexpr ControlBox kScoreTableOkButton{55, 280, 100, 25}; // Button1, "O   K"

inline constexpr auto ScoreTableRows = std::to_array<ScoreTableRow>({
    {8, 350, 20, clBlack, 25, "３５０以上", "天才やがな！"},
    {7, 300, 50, clPurple, 55, "３００～３４９", "秀才やん！"},
    {6, 250, 80, clBlue, 85, "２５０～２９９", "賢いがな！"},
    {5, 200, 110, clAqua, 115, "２００～２４９", "できるがな！"},
    {4, 150, 140, clGreen, 145, "１５０～１９９", "合格やがな！"},
    {3, 100, 170, clLime, 175, "１００～１４９", "がんばりやっ！"},
    {2, 50, 200, clFuchsia, 205, "５０～９９", "まだ・あかん！"},
    {1, kNoLowerEdge, 230, clRed, 235, "５０未満", "あかん！"},
});
static_assert(ScoreTableRows.size() == kScoreTableRowCount);

// Rows 30 pixels apart from top 20, labels 5 below their ellipse, and the same edges
// as the lowest eight bands of the rating ladder.
constexpr bool scoreTableRowsConsistent()
{
    for (std::size_t i = 0; i < ScoreTableRows.size(); ++i) {
        const ScoreTableRow &row = ScoreTableRows[i];
        const bool consistent = row.band == kScoreTableRowCount - static_cast<int>(i) &&
                                row.shapeTop == 20 + 30 * static_cast<int>(i) &&
                                row.labelTop == row.shapeTop + 5 &&
                                row.lowerEdge == RatingBands[row.band - 1].lowerEdge;
        if (!consistent)
            return false;
    }
    return true;
}
static_assert(scoreTableRowsConsistent());

// The row of the band holding score: the topmost row whose edge the score reaches.
constexpr const ScoreTableRow &scoreTableRowFor(std::int32_t score)
{
    return *std::ranges::find_if(
        ScoreTableRows, [score](const ScoreTableRow &row) { return score >= row.lowerEdge; });
}
